#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;
class QTimer;
class QWindow;

// The host's native window, in which the form lives in host mode. X11 through Qt's own
// connection; Windows through the HWND.
namespace quelvane::app::host {

// Run before QApplication exists: the handle names an X window, so the window must use xcb even
// where the session would pick Wayland, and it must keep its size in the host's pixels.
void preparePlatform();

// Whether the handle names a window now. False where the platform cannot tell (offscreen).
bool windowExists(std::uint32_t handle);

// Makes `window` a borderless child of the host's window at its top-left corner. Call before
// the window is first shown: shown first, it stays invisible under a window manager. Returns
// Qt's stand-in for the host's window, which must outlive the embedding (nothing when the
// platform cannot wrap the handle).
std::unique_ptr<QWindow> embed(QWidget& window, std::uint32_t handle);

// Keeps an embedded window working inside a foreign one: gives it the input focus when it is
// clicked or shown (the host's window manager would not), and calls `hostGone` once when the
// host's window has been destroyed, as `hostExists` tells.
class HostWatch : public QObject {
    Q_OBJECT
public:
    HostWatch(QWidget& window, std::function<bool()> hostExists);

signals:
    void hostGone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::function<bool()> hostExists_;
    QTimer* poll_;
};

} // namespace quelvane::app::host
