#include "app/HostWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#elif defined(QUELVANE_HAVE_XCB)
#include <xcb/xcb.h>
#endif

namespace quelvane::app::host {

namespace {

// How often the host's window is looked for. Checking is one round trip to the X server.
constexpr int hostPollMilliseconds = 500;

#if defined(QUELVANE_HAVE_XCB) && !defined(_WIN32)
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
#endif

} // namespace

void preparePlatform()
{
#ifndef _WIN32
    // The offscreen platform is what the tests run on; anything else must be X to embed.
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen") {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
#endif
    // The host lays out its window in device pixels and leaves 632 x 266 of them to us.
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

bool windowExists(std::uint32_t handle)
{
#if defined(_WIN32)
    return IsWindow(reinterpret_cast<HWND>(static_cast<quintptr>(handle))) != 0;
#elif defined(QUELVANE_HAVE_XCB)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return false;
    }
    // A checked request: a BadWindow comes back here instead of into Qt's event queue.
    xcb_generic_error_t* rawError = nullptr;
    const std::unique_ptr<xcb_get_window_attributes_reply_t, FreeDeleter> reply(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, handle), &rawError));
    const std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(rawError);
    return reply != nullptr;
#else
    (void)handle;
    return false;
#endif
}

std::unique_ptr<QWindow> embed(QWidget& window, std::uint32_t handle)
{
    std::unique_ptr<QWindow> hostWindow(QWindow::fromWinId(static_cast<WId>(handle)));
    if (!hostWindow) {
        return nullptr;
    }
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.winId();
    window.windowHandle()->setParent(hostWindow.get());
    window.move(0, 0);
    return hostWindow;
}

HostWatch::HostWatch(QWidget& window, std::function<bool()> hostExists)
    : QObject(&window)
    , window_(window)
    , hostExists_(std::move(hostExists))
    , poll_(new QTimer(this))
{
    if (QWindow* native = window.windowHandle()) {
        native->installEventFilter(this);
    }
    connect(poll_, &QTimer::timeout, this, [this] {
        if (!hostExists_()) {
            poll_->stop();
            emit hostGone();
        }
    });
    poll_->start(hostPollMilliseconds);
}

bool HostWatch::eventFilter(QObject* watched, QEvent* event)
{
    // Inside a foreign window no window manager hands us the keyboard; Qt sets the input focus
    // itself when asked, and defers the request until the window is mapped.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Show) {
        if (QWindow* native = window_.windowHandle(); native && !native->isActive()) {
            native->requestActivate();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quelvane::app::host
