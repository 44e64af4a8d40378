#pragma once

#include "app/FormServices.h"
#include "app/Help.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>

class QWindow;

namespace quelvane::app {

class GradientPanel;
struct Handshake;

// Where the window finds what lies outside it.
struct FormSettings {
    QStringList arguments; // the command line, without the program's name
    std::filesystem::path workingFolder; // the host's working tables
    std::filesystem::path reportFolder; // where Vortimo.ini is written
    QString executableFolder; // where the help file is looked for
};

// The form-level state, kept for the life of the window.
struct FormState {
    // The centre document chosen last; both directions share it and a cancelled dialog keeps it.
    QString FicheroXML;
    // What the host reads at close: 1 a run finished, -1 its input was missing, 0 neither.
    std::int32_t EstadoTransformado = 0;
    // 2 when the window lives inside the host's window; a run then closes it, and closing
    // writes the result report.
    std::int32_t NumParametros = 0;
};

// The one window: both directions of the conversion, or one of them inside the host's window.
class TMForm : public QWidget {
    Q_OBJECT
public:
    TMForm(FormSettings settings, FormServices services, QWidget* parent = nullptr);
    ~TMForm() override;

    const FormState& state() const { return state_; }

public slots:
    void BExportarClick();
    void BImportarClick();
    void Button1Click();

signals:
    // The window has closed (and reported, in host mode). A window inside a foreign one does
    // not end the program by closing, so the program listens for this.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using RunFunction = std::function<QString(const QString&, const std::filesystem::path&)>;

    void buildLayout();
    void FormCreate();
    void FormClose();
    void enterHost(const Handshake& handshake);
    void showPanels(const Handshake& handshake);
    void run(const RunFunction& engine, QStringView missingMessage);
    void inputMissing(QStringView message, const QString& details = {});
    void openHelp(help::HelpRequest request);
    void showMessage(MessageKind kind, const QString& text, const QString& details = {});
    QWidget* dialogParent();

    FormSettings settings_;
    FormServices services_;
    FormState state_;
    // Qt's stand-in for the host's window; our native window is its child, so it lives as long
    // as the form.
    std::unique_ptr<QWindow> hostWindow_;
    bool closing_ = false;

    GradientPanel* intakePanel_ = nullptr;
    GradientPanel* deliveryPanel_ = nullptr;
    GradientPanel* bottomStrip_ = nullptr;
};

} // namespace quelvane::app
