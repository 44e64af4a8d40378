#include "app/ResultReport.h"

#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QString iniFixture(const QString& name)
{
    return QStringLiteral(QUELVANE_TEST_DATA "/app/ini/") + name;
}

} // namespace

class ResultReportTest : public QObject {
    Q_OBJECT
private slots:
    void editsOnlyTheReportLine_data();
    void editsOnlyTheReportLine();
    void unwritableFolderIsAnError();
};

// Each case: <name>.ini is the host's file before (absent: no file yet), <name>.expected.ini
// the exact bytes after the report.
void ResultReportTest::editsOnlyTheReportLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");

    QTest::newRow("no file yet: created with CR LF") << "no-file" << 1;
    QTest::newRow("other sections: section added at the end") << "other-sections" << 1;
    QTest::newRow("comments, blank lines and code page kept") << "comments-and-blank-lines" << 1;
    QTest::newRow("LF file gets an LF line") << "lf-line-endings" << 1;
    QTest::newRow("key in other letter case keeps its spelling") << "key-in-other-letter-case" << -1;
    QTest::newRow("section at the end without final newline") << "section-at-end-without-newline" << 1;
    QTest::newRow("value already present: file unchanged") << "value-already-present" << 1;
    QTest::newRow("a commented-out key is not the key") << "key-commented-out" << 0;
    QTest::newRow("same key in another section untouched") << "key-in-another-section" << 1;
    QTest::newRow("byte order mark before the section") << "utf8-bom" << 1;
}

void ResultReportTest::editsOnlyTheReportLine()
{
    QFETCH(QString, name);
    QFETCH(int, code);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString report = folder.filePath(QStringLiteral("Vortimo.ini"));
    if (QFile::exists(iniFixture(name + ".ini"))) {
        QVERIFY(QFile::copy(iniFixture(name + ".ini"), report));
        QFile::setPermissions(report, QFile::ReadOwner | QFile::WriteOwner);
    }

    quelvane::app::writeResultReport(folder.path().toStdString(), code);

    QCOMPARE(readAll(report), readAll(iniFixture(name + ".expected.ini")));
    // Written aside and renamed: nothing else is left in the folder.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"Vortimo.ini"});
}

void ResultReportTest::unwritableFolderIsAnError()
{
    QTemporaryDir folder;
    const std::string missingFolder = folder.filePath(QStringLiteral("no-such-folder")).toStdString();
    QVERIFY_THROWS_EXCEPTION(quelvane::Error, quelvane::app::writeResultReport(missingFolder, 1));
}

int runResultReportTest(int argc, char** argv)
{
    ResultReportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ResultReportTest.moc"
