#include "app/HostHandshake.h"

#include <QTest>

using quelvane::app::Panels;
using quelvane::app::readHandshake;

Q_DECLARE_METATYPE(quelvane::app::Panels)

class HandshakeTest : public QObject {
    Q_OBJECT
private slots:
    void arguments_data();
    void arguments();
};

void HandshakeTest::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hostMode");
    QTest::addColumn<quint32>("handle");
    QTest::addColumn<Panels>("panels");
    QTest::addColumn<QString>("error");

    const QString none;
    QTest::newRow("no arguments") << QStringList {} << false << 0u << Panels::Both << none;
    QTest::newRow("one argument") << QStringList {"exportar"} << false << 0u << Panels::Both << none;
    QTest::newRow("EXPORTAR in capitals")
        << QStringList {"EXPORTAR", "1A2B"} << true << 0x1A2Bu << Panels::IntakeOnly << none;
    QTest::newRow("importar, handle in small letters")
        << QStringList {"importar", "1a2b"} << true << 0x1A2Bu << Panels::DeliveryOnly << none;
    QTest::newRow("mode word in mixed case")
        << QStringList {"ImPoRtAr", "FFFF"} << true << 0xFFFFu << Panels::DeliveryOnly << none;
    QTest::newRow("other mode word: embedded, both panels")
        << QStringList {"horario", "1A2B"} << true << 0x1A2Bu << Panels::Both << none;
    QTest::newRow("accented capital is not folded")
        << QStringList {"EXPORTÁR", "1A2B"} << true << 0x1A2Bu << Panels::Both << none;
    QTest::newRow("three arguments are ignored")
        << QStringList {"exportar", "1A2B", "otro"} << false << 0u << Panels::Both << none;
    QTest::newRow("8 digits with leading zeros")
        << QStringList {"exportar", "00001A2B"} << true << 0x1A2Bu << Panels::IntakeOnly << none;
    QTest::newRow("leading zeros beyond 8 digits")
        << QStringList {"exportar", "0000000001A2B"} << true << 0x1A2Bu << Panels::IntakeOnly << none;
    QTest::newRow("largest handle") << QStringList {"exportar", "FFFFFFFF"} << true << 0xFFFFFFFFu << Panels::IntakeOnly
                                    << none;
    QTest::newRow("zz") << QStringList {"exportar", "zz"} << false << 0u << Panels::Both
                        << QString("'$zz' no es un valor entero válido");
    QTest::newRow("0x prefix") << QStringList {"exportar", "0x1A2B"} << false << 0u << Panels::Both
                               << QString("'$0x1A2B' no es un valor entero válido");
    QTest::newRow("9 significant digits") << QStringList {"exportar", "123456789"} << false << 0u << Panels::Both
                                          << QString("'$123456789' no es un valor entero válido");
    QTest::newRow("empty handle") << QStringList {"importar", ""} << false << 0u << Panels::Both
                                  << QString("'$' no es un valor entero válido");
    QTest::newRow("minus sign") << QStringList {"importar", "-1"} << false << 0u << Panels::Both
                                << QString("'$-1' no es un valor entero válido");
}

void HandshakeTest::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hostMode);
    QFETCH(quint32, handle);
    QFETCH(Panels, panels);
    QFETCH(QString, error);

    const auto handshake = readHandshake(arguments);
    QCOMPARE(handshake.hostMode, hostMode);
    QCOMPARE(handshake.error, error);
    if (hostMode) {
        QCOMPARE(handshake.handle, handle);
        QCOMPARE(handshake.panels, panels);
    }
}

int runHandshakeTest(int argc, char** argv)
{
    HandshakeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HandshakeTest.moc"
