#include "app/FormServices.h"

#include "app/HostWindow.h"
#include "app/Messages.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QWindow>
#include <ctime>

namespace quelvane::app {

namespace {

std::optional<QString> runOpenDialog(QWidget* parent, const QString& previous)
{
    QFileDialog dialog(parent, messages::dialogTitle.toString());
    // Qt's own dialog everywhere: a desktop theme would otherwise swap in its own, without our
    // title, filter and suffix, and unreachable for the tests that drive the window.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist is taken too: the run itself answers it with its message.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("*.xml"));
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    if (!previous.isEmpty()) {
        dialog.setDirectory(QFileInfo(previous).absolutePath());
        dialog.selectFile(QFileInfo(previous).fileName());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.first();
}

void runMessageBox(QWidget* parent, MessageKind kind, const QString& text, const QString& details)
{
    QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    messages::applicationTitle.toString(), text, QMessageBox::Ok, parent);
    if (!details.isEmpty()) {
        box.setDetailedText(details);
    }
    box.exec();
}

} // namespace

std::filesystem::path toPath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

FormServices standardServices()
{
    FormServices services;
    services.chooseXmlFile = runOpenDialog;
    services.showMessage = runMessageBox;
    services.runIntake = [](const QString& document, const std::filesystem::path& workingFolder) {
        return QString::fromStdString(intake::describe(intake::runIntake(toPath(document), workingFolder)));
    };
    services.runDelivery = [](const QString& document, const std::filesystem::path& workingFolder) {
        const auto summary = delivery::runDelivery(toPath(document), workingFolder, std::time(nullptr));
        return QString::fromStdString(delivery::describe(summary));
    };
    services.hostWindowExists = host::windowExists;
    services.embedInHost = host::embed;
    services.showHelp = help::showHelp;
    return services;
}

} // namespace quelvane::app
