#include "app/HostHandshake.h"
#include "app/HostWindow.h"
#include "app/MainForm.h"
#include "app/Messages.h"
#include "common/platform/Allocator.h"
#include "common/platform/WorkingFolder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>

using namespace quelvane;

int main(int argc, char* argv[])
{
    platform::mergeFreedBlocksPromptly();
    // The arguments as the host passed them, read before Qt takes out the ones it knows.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (app::readHandshake(arguments).hostMode) {
        app::host::preparePlatform();
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(app::messages::applicationTitle.toString());

    // The window speaks Spanish; so do Qt's own dialogs and buttons where their translation
    // is installed.
    QTranslator qtTranslation;
    if (qtTranslation.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslation);
    }

    app::FormSettings settings;
    settings.arguments = arguments;
    settings.executableFolder = QApplication::applicationDirPath();
    // QUELVANE_INI_DIR puts the result report elsewhere than beside the program, so that tests
    // running side by side do not share one Vortimo.ini.
    const QString reportFolder = qEnvironmentVariable("QUELVANE_INI_DIR", settings.executableFolder);
    settings.reportFolder = app::toPath(reportFolder);
    try {
        settings.workingFolder = platform::defaultWorkingFolder();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, app::messages::applicationTitle.toString(),
                              app::messages::withFullStop(QString::fromUtf8(error.what())));
        return 1;
    }

    app::TMForm MForm(std::move(settings), app::standardServices());
    QObject::connect(&MForm, &app::TMForm::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    MForm.show();
    return QApplication::exec();
}
