#include "app/MainForm.h"

#include "app/Messages.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <deque>

using namespace quelvane::app;

namespace {

// Stands in for the user, the engine and the host: answers the open dialog from a script,
// records every message box, and runs the engine's part as the case says.
struct World {
    QTemporaryDir folder;
    std::deque<QString> dialogAnswers; // a null string: the user cancels
    QStringList offeredFiles; // what each dialog was opened with
    QStringList messages;
    QStringList details;
    QStringList engineCalls; // "intake <document>", "delivery <document>"
    QString engineOutcome = QStringLiteral("ok"); // "ok", "error:<text>", "missing:<text>"
    bool hostExists = true;
    QList<std::uint32_t> embeddedIn;
    QStringList helpShown; // "<file> topic|contents <context>"
    bool realHelp = false;

    QString path(const QString& name) const { return folder.filePath(name); }

    QString engine(const QString& direction, const QString& document)
    {
        engineCalls << direction + u' ' + document;
        if (engineOutcome.startsWith(u"error:")) {
            throw quelvane::Error(engineOutcome.mid(6).toStdString());
        }
        if (engineOutcome.startsWith(u"missing:")) {
            throw quelvane::MissingInput(engineOutcome.mid(8).toStdString());
        }
        return QStringLiteral("resumen de ") + direction;
    }

    FormServices services()
    {
        FormServices s;
        s.chooseXmlFile = [this](QWidget*, const QString& previous) -> std::optional<QString> {
            offeredFiles << previous;
            const QString answer = dialogAnswers.empty() ? QString() : dialogAnswers.front();
            if (!dialogAnswers.empty()) {
                dialogAnswers.pop_front();
            }
            if (answer.isNull()) {
                return std::nullopt;
            }
            return answer;
        };
        s.showMessage = [this](QWidget*, MessageKind kind, const QString& text, const QString& more) {
            messages << (kind == MessageKind::Error ? QStringLiteral("error: ") : QString()) + text;
            details << more;
        };
        s.runIntake = [this](const QString& document, const std::filesystem::path&) {
            return engine(QStringLiteral("intake"), document);
        };
        s.runDelivery = [this](const QString& document, const std::filesystem::path&) {
            return engine(QStringLiteral("delivery"), document);
        };
        s.hostWindowExists = [this](std::uint32_t) { return hostExists; };
        s.embedInHost = [this](QWidget&, std::uint32_t handle) {
            embeddedIn << handle;
            return std::make_unique<QWindow>();
        };
        s.showHelp = [this](const QString& file, help::HelpRequest request) -> std::optional<QString> {
            if (realHelp) {
                return help::showHelp(file, request);
            }
            helpShown << QStringLiteral("%1 %2 %3")
                             .arg(QDir::fromNativeSeparators(file),
                                  request.kind == help::HelpRequest::Topic ? QStringLiteral("topic")
                                                                           : QStringLiteral("contents"))
                             .arg(request.context);
            return std::nullopt;
        };
        return s;
    }

    std::unique_ptr<TMForm> makeForm(const QStringList& arguments)
    {
        FormSettings settings;
        settings.arguments = arguments;
        settings.workingFolder = path(QStringLiteral("VTEMP")).toStdString();
        settings.reportFolder = folder.path().toStdString();
        settings.executableFolder = folder.path();
        return std::make_unique<TMForm>(settings, services());
    }

    QByteArray report() const
    {
        QFile file(path(QStringLiteral("Vortimo.ini")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QByteArray reportOf(int code)
{
    return "[Transformadores]\r\nTransformado=" + QByteArray::number(code) + "\r\n";
}

QPushButton* button(TMForm& form, const char* name)
{
    return form.findChild<QPushButton*>(QLatin1String(name));
}

QWidget* panel(TMForm& form, const char* name)
{
    return form.findChild<QWidget*>(QLatin1String(name));
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void panelsPerMode_data();
    void panelsPerMode();
    void runs_data();
    void runs();
    void deliveryTakesTheFileOfTheIntake();
    void failedReportIsShownBeforeClosing();
    void hostWindowGoneClosesAndReports();
    void help();
    void missingHelpFileIsSaid();
};

void MainFormTest::panelsPerMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hostExists");
    QTest::addColumn<int>("numParametros");
    QTest::addColumn<QRect>("intake"); // an empty rectangle: hidden
    QTest::addColumn<QRect>("delivery");
    QTest::addColumn<bool>("strip");
    QTest::addColumn<QString>("message"); // shown while the window is created

    const QRect intakeHalf(0, 0, 315, 169);
    const QRect deliveryHalf(316, 0, 317, 169);
    const QRect whole(0, 0, 632, 266);
    const QRect hidden;
    QTest::newRow("no arguments") << QStringList {} << true << 0 << intakeHalf << deliveryHalf << true << QString();
    QTest::newRow("EXPORTAR 1A2B") << QStringList {"EXPORTAR", "1A2B"} << true << 2 << whole << hidden << false
                                   << QString();
    QTest::newRow("importar 1a2b") << QStringList {"importar", "1a2b"} << true << 2 << hidden << whole << false
                                   << QString();
    QTest::newRow("other mode word") << QStringList {"otro", "1A2B"} << true << 2 << intakeHalf << deliveryHalf << true
                                     << QString();
    QTest::newRow("three arguments") << QStringList {"exportar", "1A2B", "x"} << true << 0 << intakeHalf << deliveryHalf
                                     << true << QString();
    QTest::newRow("zz") << QStringList {"exportar", "zz"} << true << 0 << intakeHalf << deliveryHalf << true
                        << QString("error: '$zz' no es un valor entero válido.");
    QTest::newRow("no window with that handle")
        << QStringList {"exportar", "1A2B"} << false << 0 << intakeHalf << deliveryHalf << true
        << QString("error: No existe la ventana 1A2B de Vortimo en la que se debía abrir esta ventana; se abre "
                   "aparte y no comunicará ningún resultado.");
}

void MainFormTest::panelsPerMode()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hostExists);
    QFETCH(int, numParametros);
    QFETCH(QRect, intake);
    QFETCH(QRect, delivery);
    QFETCH(bool, strip);
    QFETCH(QString, message);

    World world;
    world.hostExists = hostExists;
    auto form = world.makeForm(arguments);

    QCOMPARE(form->state().NumParametros, numParametros);
    QCOMPARE(form->state().EstadoTransformado, 0);
    QCOMPARE(world.messages, message.isEmpty() ? QStringList {} : QStringList {message});
    QCOMPARE(world.embeddedIn.size(), numParametros == 2 ? 1 : 0);
    if (numParametros == 2) {
        QCOMPARE(world.embeddedIn.front(), 0x1A2Bu);
    } else {
        QCOMPARE(form->pos(), QPoint(194, 167));
    }
    QCOMPARE(form->size(), QSize(632, 266));
    QCOMPARE(form->minimumSize(), form->maximumSize());

    const auto check = [&](const char* name, const QRect& expected) {
        QWidget* widget = panel(*form, name);
        QVERIFY(widget);
        QCOMPARE(widget->isVisibleTo(form.get()), !expected.isNull());
        if (!expected.isNull()) {
            QCOMPARE(widget->geometry(), expected);
        }
    };
    check("intakePanel", intake);
    check("deliveryPanel", delivery);
    QCOMPARE(panel(*form, "bottomStrip")->isVisibleTo(form.get()), strip);
    if (!intake.isNull()) {
        QCOMPARE(button(*form, "BExportar")->geometry(), QRect(96, 120, 89, 25));
    }
}

void MainFormTest::runs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("direction"); // "exportar" or "importar"
    QTest::addColumn<QString>("dialog"); // "existing", "missing" or "cancel"
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("estado");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QByteArray>("report"); // once the window has closed; empty: no file

    const QStringList host {"exportar", "1A2B"};
    const QStringList hostDelivery {"importar", "1A2B"};
    const QStringList standalone;
    const QString finished = messages::finished.toString();
    const QString reminder = messages::deliveryReminder.toString();
    const QString noFile = messages::intakeMissingFile.toString();
    const QString noFiles = messages::deliveryMissingFiles.toString();

    QTest::newRow("host, intake finished") << host << "exportar"
                                           << "existing"
                                           << "ok" << QStringList {finished} << 1 << true << reportOf(1);
    QTest::newRow("host, dialog cancelled in the first run")
        << host << "exportar"
        << "cancel"
        << "ok" << QStringList {noFile} << -1 << true << reportOf(-1);
    QTest::newRow("host, chosen file does not exist") << host << "exportar"
                                                      << "missing"
                                                      << "ok" << QStringList {noFile} << -1 << true << reportOf(-1);
    QTest::newRow("host, file gone before the engine read it")
        << host << "exportar"
        << "existing"
        << "missing:No existe el archivo" << QStringList {noFile} << -1 << true << reportOf(-1);
    QTest::newRow("host, intake stops on an error: window stays, 0 at close")
        << host << "exportar"
        << "existing"
        << "error:La tabla PROFT está abierta en otro programa"
        << QStringList {"error: La tabla PROFT está abierta en otro programa."} << 0 << false << reportOf(0);
    QTest::newRow("error text with its own full stop")
        << host << "exportar"
        << "existing"
        << "error:Falta el atributo Codigo." << QStringList {"error: Falta el atributo Codigo."} << 0 << false
        << reportOf(0);
    QTest::newRow("standalone, intake finished: no report")
        << standalone << "exportar"
        << "existing"
        << "ok" << QStringList {finished} << 1 << false << QByteArray();
    QTest::newRow("standalone, dialog cancelled: code unchanged")
        << standalone << "exportar"
        << "cancel"
        << "ok" << QStringList {noFile} << 0 << false << QByteArray();
    QTest::newRow("host, delivery finished") << hostDelivery << "importar"
                                             << "existing"
                                             << "ok" << QStringList {reminder, finished} << 1 << true << reportOf(1);
    QTest::newRow("host, delivery without SOLUC")
        << hostDelivery << "importar"
        << "existing"
        << "missing:No existe SOLUC.DBF" << QStringList {reminder, noFiles} << -1 << true << reportOf(-1);
    QTest::newRow("host, delivery dialog cancelled")
        << hostDelivery << "importar"
        << "cancel"
        << "ok" << QStringList {reminder, noFiles} << -1 << true << reportOf(-1);
    QTest::newRow("host, delivery stops on an error")
        << hostDelivery << "importar"
        << "existing"
        << "error:No existe la tabla DIASHORAST" << QStringList {reminder, "error: No existe la tabla DIASHORAST."} << 0
        << false << reportOf(0);
    QTest::newRow("standalone, delivery without input")
        << standalone << "importar"
        << "missing"
        << "ok" << QStringList {reminder, noFiles} << 0 << false << QByteArray();
}

void MainFormTest::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, direction);
    QFETCH(QString, dialog);
    QFETCH(QString, engine);
    QFETCH(QStringList, messages);
    QFETCH(int, estado);
    QFETCH(bool, closes);
    QFETCH(QByteArray, report);

    World world;
    const QString document = world.path(QStringLiteral("centro.xml"));
    QFile(document).open(QIODevice::WriteOnly);
    if (dialog == u"existing") {
        world.dialogAnswers.push_back(document);
    } else if (dialog == u"missing") {
        world.dialogAnswers.push_back(world.path(QStringLiteral("no-existe.xml")));
    }
    world.engineOutcome = engine;
    auto form = world.makeForm(arguments);
    form->show();
    QSignalSpy closed(form.get(), &TMForm::closed);

    QTest::mouseClick(button(*form, direction == u"exportar" ? "BExportar" : "BImportar"), Qt::LeftButton);

    QCOMPARE(world.messages, messages);
    QCOMPARE(form->state().EstadoTransformado, estado);
    QCOMPARE(closed.size(), closes ? 1 : 0);
    QCOMPARE(form->isVisible(), !closes);
    const bool engineRan = dialog == u"existing";
    QCOMPARE(world.engineCalls.size(), engineRan ? 1 : 0);
    if (engineRan) {
        QCOMPARE(world.engineCalls.front(), (direction == u"exportar" ? "intake " : "delivery ") + document);
    }
    if (world.messages.last() == messages::finished) {
        QCOMPARE(world.details.last(), (direction == u"exportar" ? "resumen de intake" : "resumen de delivery"));
    }
    if (!closes) {
        QVERIFY(world.report().isEmpty());
        form->close();
    }
    QCOMPARE(world.report(), report);
}

void MainFormTest::deliveryTakesTheFileOfTheIntake()
{
    World world;
    const QString document = world.path(QStringLiteral("centro.xml"));
    QFile(document).open(QIODevice::WriteOnly);
    world.dialogAnswers = {document, QString()};
    auto form = world.makeForm({});

    form->BExportarClick();
    form->BImportarClick();

    QCOMPARE(world.offeredFiles, (QStringList {QString(), document}));
    QCOMPARE(world.engineCalls, (QStringList {"intake " + document, "delivery " + document}));
    QCOMPARE(form->state().FicheroXML, document);
}

void MainFormTest::failedReportIsShownBeforeClosing()
{
    World world;
    // A "folder" that is a file: no report can go into it, whatever the rights of the user.
    const QString notAFolder = world.path(QStringLiteral("not-a-folder"));
    QFile(notAFolder).open(QIODevice::WriteOnly);
    FormSettings settings;
    settings.arguments = {"exportar", "1A2B"};
    settings.reportFolder = notAFolder.toStdString();
    settings.executableFolder = world.folder.path();
    TMForm form(settings, world.services());
    QSignalSpy closed(&form, &TMForm::closed);

    form.BExportarClick(); // the dialog is cancelled: -1, and the window closes

    QCOMPARE(world.messages,
             (QStringList {messages::intakeMissingFile.toString(),
                           "error: No se ha podido comunicar el resultado (Transformado = -1) a Vortimo."}));
    QVERIFY(!world.details.last().isEmpty());
    QCOMPARE(closed.size(), 1);
}

void MainFormTest::hostWindowGoneClosesAndReports()
{
    World world;
    auto form = world.makeForm({"importar", "1A2B"});
    QSignalSpy closed(form.get(), &TMForm::closed);
    world.hostExists = false;
    QVERIFY(closed.wait(5000));
    QCOMPARE(world.report(), reportOf(0));
}

void MainFormTest::help()
{
    World world;
    auto form = world.makeForm({});
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    QTest::keyClick(button(*form, "BExportar"), Qt::Key_F1);
    QTest::mouseClick(button(*form, "Button1"), Qt::LeftButton);

    const QString helpFile = QDir::fromNativeSeparators(world.path(QStringLiteral("EKADE.chm")));
    QCOMPARE(world.helpShown, (QStringList {helpFile + " topic 3", helpFile + " contents 0"}));
    QVERIFY(world.messages.isEmpty());
}

void MainFormTest::missingHelpFileIsSaid()
{
    World world;
    world.realHelp = true;
    auto form = world.makeForm({});

    form->Button1Click();

    QCOMPARE(world.messages.size(), 1);
    QVERIFY2(world.messages.front().startsWith(u"error: No existe el archivo de ayuda"),
             qPrintable(world.messages.front()));
    QVERIFY(world.messages.front().contains(u"EKADE.chm"));
}

int runMainFormTest(int argc, char** argv)
{
    MainFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainFormTest.moc"
