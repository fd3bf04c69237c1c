// The command table: one row per request, no request or name twice, and the
// names a trace decoder looks up.

#include "link/commands.h"

#include <QSet>
#include <QtTest/QTest>

using namespace mdq;

class TestCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tableHasNoRowTwice()
    {
        QSet<quint16> seen;
        for (const CommandInfo &c : commandTable()) {
            const quint16 key = quint16(c.cm << 8 | c.pm);
            QVERIFY2(!seen.contains(key), qPrintable(QStringLiteral("CM %1 PM %2 twice").arg(c.cm, 2, 16).arg(c.pm, 2, 16)));
            seen.insert(key);
        }
        QVERIFY(commandTable().size() >= 40);
        QSet<quint32> subs;
        for (const SubCommandInfo &s : subCommandTable()) {
            const quint32 key = quint32(s.cm) << 16 | quint32(s.pm) << 8 | s.code;
            QVERIFY2(!subs.contains(key), s.name);
            subs.insert(key);
        }
        QSet<quint8> families;
        for (const CommandFamily &f : commandFamilies()) {
            QVERIFY2(!families.contains(f.cm), f.name);
            families.insert(f.cm);
        }
        // Names distinct, every request in its family, every sub-command carried by a request.
        QSet<QString> names;
        for (const CommandInfo &c : commandTable()) {
            const QString name = QString::fromLatin1(c.name);
            QVERIFY(!name.isEmpty());
            QVERIFY2(!names.contains(name), c.name);
            names.insert(name);
            QVERIFY2(findFamily(c.cm), c.name);
        }
        for (const SubCommandInfo &s : subCommandTable()) {
            const QString name = QString::fromLatin1(s.name);
            QVERIFY2(!names.contains(name), s.name);
            names.insert(name);
            QVERIFY2(findCommand(s.cm, s.pm), s.name);  // carried by a request of the table
        }
        // Pairs and codes the tool never sends are not found.
        QVERIFY(!findCommand(0x32, 0x34));
        QVERIFY(!findFamily(0x99));
        QVERIFY(!findSubCommand(0x60, 0x34, 0xB0));
    }

    // The bytes each constant stands for are in the frames written out byte by
    // byte in widgets/tst_commands and the sim tests; here, the names.
    void requestName_data()
    {
        QTest::addColumn<QByteArray>("request");  // CM, PM, data
        QTest::addColumn<QString>("name");
        auto row = [](const char *what, const char *hex, const char *name) {
            QTest::newRow(what) << QByteArray::fromHex(hex) << QString::fromLatin1(name);
        };
        row("sub-command", "6033" "00B0010001", "Mifare read block");
        row("sub-command of another request", "5334" "0024010002FFFF", "SLE4428 change PSC");
        row("request", "3130", "Card status");
        row("data on a request without sub-commands", "3130" "0020", "Card status");
        row("Mifare request without its leading 00h", "6033" "B0", "Mifare command");
        row("leading byte not 00h", "6033" "01B0", "Mifare command");
        row("sub-command the request does not carry", "5333" "0024", "SLE4442 command");
        row("family", "3234", "Move card, PM 34h");
        row("another family", "520A", "SAM card, PM 0Ah");
        row("unknown", "9930", "Unknown command, CM 99h PM 30h");
    }
    void requestName()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, name);
        QCOMPARE(mdq::requestName(quint8(request[0]), quint8(request[1]), request.mid(2)), name);
    }
};

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
