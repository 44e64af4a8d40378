#include "app/MainForm.h"

#include "app/GradientPanel.h"
#include "app/HostHandshake.h"
#include "app/HostWindow.h"
#include "app/Messages.h"
#include "app/ResultReport.h"
#include "common/Error.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QWindow>
#include <exception>
#include <initializer_list>

namespace quelvane::app {

namespace {

constexpr int clientWidth = 632;
constexpr int clientHeight = 266;

constexpr QColor panelStart(249, 211, 125);
constexpr QColor panelMiddle(255, 255, 255);
constexpr QColor panelEnd(255, 238, 221);
constexpr QColor stripStart(194, 205, 254);
constexpr QColor stripMiddle(207, 242, 254);
constexpr QColor stripEnd(204, 216, 230);

// The first of the families that is installed. Asked for a family it lacks, fontconfig hands
// out its default face (often a wide one that overflows the fixed layout), so look first.
QString installedFamily(std::initializer_list<const char*> candidates)
{
    for (const char* candidate : candidates) {
        if (QFontDatabase::hasFamily(QLatin1String(candidate))) {
            return QLatin1String(candidate);
        }
    }
    return QFont().family();
}

// The host's users know the window in these fonts; elsewhere faces with the same metrics.
QFont windowFont()
{
    QFont font(installedFamily(
        {"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans", "Helvetica"}));
    font.setPointSize(8);
    return font;
}

QFont captionFont()
{
    QFont font(installedFamily({"Arial", "Liberation Sans", "Nimbus Sans", "Helvetica"}));
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

QLabel* addCaption(QWidget* panel, const char* name, QStringView text, const QRect& geometry)
{
    auto* label = new QLabel(text.toString(), panel);
    label->setObjectName(QLatin1String(name));
    label->setFont(captionFont());
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, QStyle::StandardPixmap icon,
                       const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    if (icon != QStyle::SP_CustomBase) {
        button->setIcon(button->style()->standardIcon(icon, nullptr, button));
    }
    button->setGeometry(geometry);
    return button;
}

// Shown while a run rebuilds or reads the tables, and taken away however the run ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString messageOf(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

TMForm::TMForm(FormSettings settings, FormServices services, QWidget* parent)
    : QWidget(parent)
    , settings_(std::move(settings))
    , services_(std::move(services))
{
    buildLayout();
    FormCreate();
}

TMForm::~TMForm()
{
    // Our native window is a child of Qt's stand-in for the host's window; hand it back to the
    // desktop before the stand-in goes, or the stand-in would take it along.
    if (hostWindow_ && windowHandle()) {
        windowHandle()->setParent(nullptr);
    }
}

void TMForm::buildLayout()
{
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(messages::windowCaption.toString());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    setFixedSize(clientWidth, clientHeight);
    move(194, 167);

    intakePanel_ = new GradientPanel(panelStart, panelMiddle, panelEnd, this);
    intakePanel_->setObjectName(QStringLiteral("intakePanel"));
    intakePanel_->setGeometry(0, 0, 315, 169);
    addCaption(intakePanel_, "intakeLabel", messages::intakeCaption, QRect(24, 24, 265, 57));
    auto* exportar = addButton(intakePanel_, "BExportar", QStringLiteral("Aceptar"), QStyle::SP_DialogOkButton,
                               QRect(96, 120, 89, 25));
    connect(exportar, &QPushButton::clicked, this, &TMForm::BExportarClick);

    deliveryPanel_ = new GradientPanel(panelStart, panelMiddle, panelEnd, this);
    deliveryPanel_->setObjectName(QStringLiteral("deliveryPanel"));
    deliveryPanel_->setGeometry(316, 0, 317, 169);
    addCaption(deliveryPanel_, "deliveryLabel", messages::deliveryCaption, QRect(8, 24, 305, 57));
    auto* importar = addButton(deliveryPanel_, "BImportar", QStringLiteral("Aceptar"), QStyle::SP_DialogOkButton,
                               QRect(96, 120, 89, 25));
    connect(importar, &QPushButton::clicked, this, &TMForm::BImportarClick);

    bottomStrip_ = new GradientPanel(stripStart, stripMiddle, stripEnd, this);
    bottomStrip_->setObjectName(QStringLiteral("bottomStrip"));
    bottomStrip_->setGeometry(0, 168, 633, 97);
    auto* version = new QLabel(messages::versionCaption.toString(), bottomStrip_);
    version->setObjectName(QStringLiteral("versionLabel"));
    QFont versionFont = windowFont();
    versionFont.setBold(true);
    version->setFont(versionFont);
    QPalette versionPalette = version->palette();
    versionPalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    version->setPalette(versionPalette);
    version->move(8, 72);
    version->adjustSize();
    auto* close = addButton(bottomStrip_, "BClose", QStringLiteral("&Salir"), QStyle::SP_DialogCloseButton,
                            QRect(256, 32, 89, 25));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* help
        = addButton(bottomStrip_, "Button1", QStringLiteral("F1 Ayuda"), QStyle::SP_CustomBase, QRect(48, 40, 75, 25));
    connect(help, &QPushButton::clicked, this, &TMForm::Button1Click);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { openHelp({help::HelpRequest::Topic, help::windowHelpContext}); });
}

void TMForm::FormCreate()
{
    state_.EstadoTransformado = 0;
    const Handshake handshake = readHandshake(settings_.arguments);
    if (!handshake.error.isEmpty()) {
        showMessage(MessageKind::Error, messages::withFullStop(handshake.error));
        return;
    }
    if (handshake.hostMode) {
        enterHost(handshake);
    }
}

void TMForm::enterHost(const Handshake& handshake)
{
    const QString handleText = QString::number(handshake.handle, 16).toUpper();
    // A window that does not exist cannot take ours in; the host is gone or passed a wrong
    // number, and nobody would read a report, so the window goes on standalone.
    if (!services_.hostWindowExists(handshake.handle)) {
        showMessage(MessageKind::Error,
                    QStringLiteral("No existe la ventana %1 de Vortimo en la que se debía abrir esta "
                                   "ventana; se abre aparte y no comunicará ningún resultado.")
                        .arg(handleText));
        return;
    }
    hostWindow_ = services_.embedInHost(*this, handshake.handle);
    if (!hostWindow_) {
        showMessage(MessageKind::Error,
                    QStringLiteral("Esta ventana no se puede abrir dentro de la ventana %1 de "
                                   "Vortimo; se abre aparte y no comunicará ningún resultado.")
                        .arg(handleText));
        return;
    }
    state_.NumParametros = 2;
    showPanels(handshake);

    auto* watch
        = new host::HostWatch(*this, [this, handle = handshake.handle] { return services_.hostWindowExists(handle); });
    // The host's window took ours with it: end instead of lingering without a window.
    connect(watch, &host::HostWatch::hostGone, this, &QWidget::close);
}

void TMForm::showPanels(const Handshake& handshake)
{
    GradientPanel* shown = nullptr;
    if (handshake.panels == Panels::IntakeOnly) {
        shown = intakePanel_;
        deliveryPanel_->hide();
    } else if (handshake.panels == Panels::DeliveryOnly) {
        shown = deliveryPanel_;
        intakePanel_->hide();
    }
    if (shown) {
        // The chosen panel fills the window and covers the strip beneath it.
        shown->setGeometry(0, 0, clientWidth, clientHeight);
        bottomStrip_->hide();
        shown->raise();
    }
}

void TMForm::BExportarClick()
{
    if (const auto chosen = services_.chooseXmlFile(dialogParent(), state_.FicheroXML)) {
        state_.FicheroXML = *chosen;
    }
    if (!QFileInfo(state_.FicheroXML).isFile()) {
        inputMissing(messages::intakeMissingFile);
        return;
    }
    run(services_.runIntake, messages::intakeMissingFile);
}

void TMForm::BImportarClick()
{
    showMessage(MessageKind::Information, messages::deliveryReminder.toString());
    if (const auto chosen = services_.chooseXmlFile(dialogParent(), state_.FicheroXML)) {
        state_.FicheroXML = *chosen;
    }
    // SOLUC.DBF is looked for by the engine, which knows how the host spells its file names.
    if (!QFileInfo(state_.FicheroXML).isFile()) {
        inputMissing(messages::deliveryMissingFiles);
        return;
    }
    run(services_.runDelivery, messages::deliveryMissingFiles);
}

void TMForm::run(const RunFunction& engine, QStringView missingMessage)
{
    QString summary;
    try {
        const WaitCursor wait;
        summary = engine(state_.FicheroXML, settings_.workingFolder);
    } catch (const MissingInput& missing) {
        inputMissing(missingMessage, messageOf(missing));
        return;
    } catch (const std::exception& error) {
        // The run has stopped; the engine left the working tables and the output as they were,
        // so the code stays and the window stays open for another try, also in host mode.
        showMessage(MessageKind::Error, messages::withFullStop(messageOf(error)));
        return;
    }
    state_.EstadoTransformado = 1;
    showMessage(MessageKind::Information, messages::finished.toString(), summary);
    if (state_.NumParametros == 2) {
        close();
    }
}

void TMForm::inputMissing(QStringView message, const QString& details)
{
    showMessage(MessageKind::Information, message.toString(), details);
    if (state_.NumParametros == 2) {
        state_.EstadoTransformado = -1;
        close();
    }
}

void TMForm::Button1Click()
{
    openHelp({help::HelpRequest::Contents, 0});
}

void TMForm::openHelp(help::HelpRequest request)
{
    const QString name = help::helpFileName.toString();
    const auto file = help::helpFilePath(name, settings_.executableFolder);
    if (!file) {
        return;
    }
    if (const auto problem = services_.showHelp(*file, request)) {
        showMessage(MessageKind::Error, *problem);
    }
}

void TMForm::closeEvent(QCloseEvent* event)
{
    if (!closing_) {
        closing_ = true;
        FormClose();
        event->accept();
        emit closed();
        return;
    }
    event->accept();
}

void TMForm::FormClose()
{
    if (state_.NumParametros != 2) {
        return;
    }
    try {
        writeResultReport(settings_.reportFolder, state_.EstadoTransformado);
    } catch (const std::exception& error) {
        showMessage(MessageKind::Error,
                    QStringLiteral("No se ha podido comunicar el resultado (Transformado = %1) a Vortimo.")
                        .arg(state_.EstadoTransformado),
                    messageOf(error));
    }
}

void TMForm::showMessage(MessageKind kind, const QString& text, const QString& details)
{
    services_.showMessage(dialogParent(), kind, text, details);
}

QWidget* TMForm::dialogParent()
{
    // Inside the host's window a dialog cannot be owned by ours (Qt gives dialogs only top-level
    // owners); without an owner it is modal for the whole program and centred on the screen.
    return hostWindow_ ? nullptr : this;
}

} // namespace quelvane::app
