// The command table: one row per request, each named constant holding the
// byte a reader expects, and the names a trace decoder looks up.

#include "link/commands.h"

#include <QSet>
#include <QtTest/QTest>

using namespace mdq;

class TestCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void table_hasNoDuplicateRequest()
    {
        QSet<quint16> seen;
        for (const CommandInfo &c : commandTable()) {
            const quint16 key = quint16(c.cm << 8 | c.pm);
            QVERIFY2(!seen.contains(key), qPrintable(QStringLiteral("CM %1 PM %2 twice").arg(c.cm, 2, 16).arg(c.pm, 2, 16)));
            seen.insert(key);
        }
        QCOMPARE(seen.size(), int(commandTable().size()));
        QVERIFY(commandTable().size() >= 40);
    }

    void table_hasNoDuplicateSubCommandOrFamily()
    {
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
    }

    void table_namesAreDistinctAndEveryRowHasItsFamily()
    {
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
    }

    // The bytes are written out here, not taken from the table: a constant
    // changed by mistake fails.
    void knownRequests_data()
    {
        QTest::addColumn<quint8>("cm");
        QTest::addColumn<quint8>("pm");
        QTest::addColumn<quint8>("expectedCm");
        QTest::addColumn<quint8>("expectedPm");
        QTest::addColumn<QString>("name");
        QTest::newRow("card status") << CmStatus << PmCardStatus << quint8(0x31) << quint8(0x30) << "Card status";
        QTest::newRow("sensor status") << CmStatus << PmSensorStatus << quint8(0x31) << quint8(0x31) << "Sensor status";
        QTest::newRow("initialize, counted bin") << CmInitialize << PmInitErrorBinCounted << quint8(0x30) << quint8(0x35)
                                                 << "Initialize, move card to the error card bin, counted";
        QTest::newRow("move to front") << CmMoveCard << PmMoveFront << quint8(0x32) << quint8(0x39)
                                       << "Move card to the front";
        QTest::newRow("move to IC") << CmMoveCard << PmMoveIcPosition << quint8(0x32) << quint8(0x31)
                                    << "Move card to the IC position";
        QTest::newRow("prohibit entry") << CmEntryControl << PmEntryProhibit << quint8(0x33) << quint8(0x31)
                                        << "Prohibit card entry";
        QTest::newRow("IC type test") << CmCardType << PmTypeContact << quint8(0x50) << quint8(0x30)
                                      << "IC card type test";
        QTest::newRow("RF type test") << CmCardType << PmTypeRf << quint8(0x50) << quint8(0x31) << "RF card type test";
        QTest::newRow("CPU APDU") << CmContactCpu << PmCpuApdu << quint8(0x51) << quint8(0x39) << "CPU card APDU";
        QTest::newRow("CPU warm reset") << CmContactCpu << PmCpuWarmReset << quint8(0x51) << quint8(0x38)
                                        << "CPU card warm reset";
        QTest::newRow("choose SAM") << CmSam << PmSamSelect << quint8(0x52) << quint8(0x40) << "Choose SAM";
        QTest::newRow("SLE deactivate") << CmSle << PmSleDeactivate << quint8(0x53) << quint8(0x31)
                                        << "Memory card deactivate";
        QTest::newRow("SLE4428 command") << CmSle << PmSle4428Apdu << quint8(0x53) << quint8(0x34)
                                         << "SLE4428 command";
        QTest::newRow("24Cxx status") << CmAt24 << PmAt24Status << quint8(0x54) << quint8(0x32) << "24Cxx status";
        QTest::newRow("RF activate") << CmRf << PmRfActivate << quint8(0x60) << quint8(0x30) << "RF card activate";
        QTest::newRow("Type B APDU") << CmRf << PmRfTypeBApdu << quint8(0x60) << quint8(0x35)
                                     << "Type B CPU card APDU";
        QTest::newRow("serial number") << CmSerialNumber << PmSerialNumberRead << quint8(0xA2) << quint8(0x30)
                                       << "Read unit serial number";
        QTest::newRow("configuration") << CmConfig << PmConfigRead << quint8(0xA3) << quint8(0x30)
                                       << "Read unit configuration";
        QTest::newRow("set counter") << CmCounter << PmCounterSet << quint8(0xA5) << quint8(0x31)
                                     << "Set capture card counter";
    }
    void knownRequests()
    {
        QFETCH(quint8, cm);
        QFETCH(quint8, pm);
        QFETCH(quint8, expectedCm);
        QFETCH(quint8, expectedPm);
        QFETCH(QString, name);
        QCOMPARE(cm, expectedCm);
        QCOMPARE(pm, expectedPm);
        const CommandInfo *c = findCommand(expectedCm, expectedPm);
        QVERIFY(c);
        QCOMPARE(QString::fromLatin1(c->name), name);
        QCOMPARE(requestName(expectedCm, expectedPm), name);
    }

    void knownSubCommands_data()
    {
        QTest::addColumn<quint8>("code");
        QTest::addColumn<QByteArray>("request");  // CM, PM, data
        QTest::addColumn<QString>("name");
        QTest::newRow("Mifare read block") << MifareReadBlocks << QByteArray::fromHex("6033" "00B0" "010001")
                                           << "Mifare read block";
        QTest::newRow("Mifare load key") << MifareLoadKey << QByteArray::fromHex("6033" "0021" "0001")
                                         << "Mifare load key from the EEPROM";
        QTest::newRow("Mifare decrement") << MifareDecrement << QByteArray::fromHex("6033" "00D4" "01010401000000")
                                          << "Mifare decrement";
        QTest::newRow("Mifare change key") << MifareChangeKey << QByteArray::fromHex("6033" "00D5") << "Mifare change key";
        QTest::newRow("SLE4442 verify PSC") << MemoryVerify << QByteArray::fromHex("5333" "0020030103FFFFFF")
                                            << "SLE4442 verify PSC";
        QTest::newRow("SLE4428 change PSC") << MemoryChangeCode << QByteArray::fromHex("5334" "0024010002FFFF")
                                            << "SLE4428 change PSC";
        QTest::newRow("24Cxx write") << MemoryWrite << QByteArray::fromHex("5433" "00D0000001AA") << "24Cxx write";
    }
    void knownSubCommands()
    {
        QFETCH(quint8, code);
        QFETCH(QByteArray, request);
        QFETCH(QString, name);
        const quint8 cm = quint8(request[0]), pm = quint8(request[1]);
        const QByteArray data = request.mid(2);
        QCOMPARE(code, quint8(data[1]));
        const SubCommandInfo *s = findSubCommand(cm, pm, code);
        QVERIFY(s);
        QCOMPARE(QString::fromLatin1(s->name), name);
        QCOMPARE(requestName(cm, pm, data), name);
    }

    void requestName_fallsBackToTheRequestThenItsFamily()
    {
        // A Mifare request without its leading 00h is named by CM/PM only.
        QCOMPARE(requestName(0x60, 0x33, QByteArray::fromHex("B0")), QStringLiteral("Mifare command"));
        QCOMPARE(requestName(0x60, 0x33, QByteArray::fromHex("01B0")), QStringLiteral("Mifare command"));
        // Data on a request without sub-commands changes nothing.
        QCOMPARE(requestName(0x31, 0x30, QByteArray::fromHex("0020")), QStringLiteral("Card status"));
        // A sub-command code the request does not carry.
        QCOMPARE(requestName(0x53, 0x33, QByteArray::fromHex("0024")), QStringLiteral("SLE4442 command"));
        QCOMPARE(requestName(0x32, 0x34), QStringLiteral("Move card, PM 34h"));
        QCOMPARE(requestName(0x52, 0x0A), QStringLiteral("SAM card, PM 0Ah"));
        QCOMPARE(requestName(0x99, 0x30), QStringLiteral("Unknown command, CM 99h PM 30h"));
        QVERIFY(!findCommand(0x32, 0x34));
        QVERIFY(!findFamily(0x99));
        QVERIFY(!findSubCommand(0x60, 0x34, 0xB0));
    }
};

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
