// Every RF CARD button against the scripted reader: the frame it sends and
// the message its positive reply gives; the status-word texts; negative replies.

#include "rf_setup.h"

#include <QtTest>

using namespace mdqtest;

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

class TestRfCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonSendsItsFrameAndReports_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("pm");         // echoed PM of the reply
        QTest::addColumn<QByteArray>("replyData");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

        const QByteArray ok = hexBytes("9000");
        QTest::newRow("type test") << QStringList{} << "RFTestTypeCmd" << hexBytes("F2 00 00 03 43 50 31 03 D0")
                                   << QByteArray("1") << QByteArray("10") << "Test RF Type"
                                   << "Test RF Type Complete" + CrLf + "S50 card";
        QTest::newRow("activate, A then B")
            << QStringList{} << "RFCardUPBtn" << hexBytes("F2 00 00 05 43 60 30 41 42 03 E4") << QByteArray("0")
            << hexBytes("4D 00 04 04 0A 1B 00 FF") << "Activate" << "The RF Card is activated" + CrLf + "Mifare one S50 card";
        QTest::newRow("activate, B only")
            << QStringList{"RFCardUPCombbox=#3"} << "RFCardUPBtn" << hexBytes("F2 00 00 05 43 60 30 42 30 03 95")
            << QByteArray("0") << hexBytes("4D 00 02 04 0A 1B 00 FF") << "Activate"
            << "The RF Card is activated" + CrLf + "Mifare one S70 card";
        QTest::newRow("activate, nothing chosen")
            << QStringList{"RFCardUPCombbox=#-1"} << "RFCardUPBtn" << hexBytes("F2 00 00 05 43 60 30 00 00 03 E7")
            << QByteArray("0") << hexBytes("4D 00 44 07 01 02 03 04 05 06 07") << "Activate"
            << "The RF Card is activated" + CrLf + "Mifare one UL card";
        QTest::newRow("activate at address A")
            << QStringList{"cmbAddress820=A"} << "RFCardUPBtn" << hexBytes("F2 0A 00 05 43 60 30 41 42 03 EE")
            << QByteArray("0") << hexBytes("42 01 02 03") << "Activate"
            << "The RF Card is activated " + CrLf + "the card in line with ISO / IEC 14443 Type B protocol";
        QTest::newRow("deactivate") << QStringList{} << "RFCardDownBtn" << hexBytes("F2 00 00 03 43 60 31 03 E0")
                                    << QByteArray("1") << QByteArray() << "Deactivate" << "Deactivate Success";
        QTest::newRow("status, no card") << QStringList{} << "RFCardStatusBtn" << hexBytes("F2 00 00 03 43 60 32 03 E3")
                                         << QByteArray("2") << QByteArray("00") << "Inquire Status"
                                         << "The RF Card is activated" + CrLf + "Non_card";
        QTest::newRow("status, code outside the table")
            << QStringList{} << "RFCardStatusBtn" << hexBytes("F2 00 00 03 43 60 32 03 E3") << QByteArray("2")
            << QByteArray("40") << "Inquire Status" << "The RF Card is activated" + CrLf;
        QTest::newRow("download key")
            << QStringList{} << "StoreKeyToEEBtn"
            << hexBytes("F2 00 00 0E 43 60 33 00 D0 00 01 06 FF FF FF FF FF FF 03 38") << QByteArray("3") << ok
            << "Download password to EEPROM" << "Download password to EEPROM " + CrLf + "Exxcute OK" + CrLf + "9000";
        QTest::newRow("load key") << QStringList{} << "ReadKeyFromEEBtn"
                                  << hexBytes("F2 00 00 07 43 60 33 00 21 00 01 03 C6") << QByteArray("3") << ok
                                  << "Load password from the EEPROM"
                                  << "Load password from the EEPROM " + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("check key B, sector 05")
            << QStringList{"RfKeyAB2=on", "SecNumberCombo=05", "SRFPASSWORDLIST=010203040506"} << "RFCheckPasswordBtn"
            << hexBytes("F2 00 00 0E 43 60 33 00 20 01 05 06 01 02 03 04 05 06 03 CA") << QByteArray("3")
            << hexBytes("6300") << "Check Password" << "Check Password" + CrLf + CrLf + "6300";
        QTest::newRow("change key sends 00h even with KEY B")
            << QStringList{"RfKeyAB2=on", "SecNumberCombo=27", "SRFPASSWORDLIST=010203040506"}
            << "RFChangePasswordBtn" << hexBytes("F2 00 00 0E 43 60 33 00 D5 00 27 06 01 02 03 04 05 06 03 1C")
            << QByteArray("3") << hexBytes("6F00") << "Change Password"
            << "Change Password" + CrLf + "Execute Error" + CrLf + "6F00";
        QTest::newRow("read block") << QStringList{"BlockNumberCombo=02"} << "RFreadBtn"
                                    << hexBytes("F2 00 00 08 43 60 33 00 B0 01 02 01 03 5B") << QByteArray("3")
                                    << hexBytes("6F00") << "Read block data"
                                    << "Read block data" + CrLf + "Execute Error" + CrLf + "6F00";
        QTest::newRow("write block, no confirmation")
            << QStringList{"SecNumberCombo=00", "BlockNumberCombo=01", "SRFTextLIST=00112233445566778899AABBCCDDEEFF"}
            << "RFwriteBtn"
            << hexBytes("F2 00 00 18 43 60 33 00 D1 00 01 01 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 03 28")
            << QByteArray("3") << ok << "Write Block Data" << "Write Block Data" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("initialise 100") << QStringList{"PurseBlockCombbox=01", "PurseValueText=100"} << "INITRFCmd"
                                        << hexBytes("F2 00 00 0C 43 60 33 00 D2 01 01 04 64 00 00 00 03 5F")
                                        << QByteArray("3") << hexBytes("1234") << "Initialize"
                                        << "Initialize success" + CrLf + CrLf + "1234";
        QTest::newRow("increment 2147483647")
            << QStringList{"PurseBlockCombbox=01", "PurseValueText=2147483647"} << "INCRFCmd"
            << hexBytes("F2 00 00 0C 43 60 33 00 D3 01 01 04 FF FF FF 7F 03 BA") << QByteArray("3") << ok
            << "Increment" << "Increment" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("decrement 0, sector 20 block 03")
            << QStringList{"SecNumberCombo=20", "PurseBlockCombbox=03", "PurseValueText=0"} << "DECRFCmd"
            << hexBytes("F2 00 00 0C 43 60 33 00 D4 20 03 04 00 00 00 00 03 1E") << QByteArray("3") << ok
            << "Decrement" << "Decrement" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("read value") << QStringList{"PurseBlockCombbox=01"} << "ReadValueRfCmd"
                                    << hexBytes("F2 00 00 07 43 60 33 00 B1 01 01 03 57") << QByteArray("3")
                                    << hexBytes("10270000 9000") << "Read"
                                    << "Read success" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("read page 04") << QStringList{} << "ULCmdRread"
                                      << hexBytes("F2 00 00 08 43 60 33 00 B0 04 00 01 03 5C") << QByteArray("3")
                                      << hexBytes("01020304 9000") << "Read block data"
                                      << "Read block data" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("write page 03")
            << QStringList{"ULSecNumberCombo=03", "ULTextLIST=01020304"} << "ULCmdRwrite"
            << hexBytes("F2 00 00 0C 43 60 33 00 D1 03 00 01 01 02 03 04 03 3A") << QByteArray("3") << ok
            << "Write Block Data" << "Write Block Data" + CrLf + "Execute OK" + CrLf + "9000";
        QTest::newRow("Type A APDU") << QStringList{} << "SendTypeACmd"
                                     << hexBytes("F2 00 00 0A 43 60 34 00 A4 00 00 02 3F 00 03 75") << QByteArray("4")
                                     << hexBytes("6A82") << "C-APDU" << "Success";
        QTest::newRow("Type B APDU") << QStringList{} << "SendTypeBCmd"
                                     << hexBytes("F2 00 00 0A 43 60 35 00 A4 00 00 02 3F 00 03 74") << QByteArray("5")
                                     << hexBytes("9000") << "C-APDU" << "Success";
        QTest::newRow("19-byte APDU item")
            << QStringList{"TypeACAPDUText=00A404000E315041592E5359532E4444463031"} << "SendTypeACmd"
            << hexBytes("F2 00 00 16 43 60 34 00 A4 04 00 0E 31 50 41 59 2E 53 59 53 2E 44 44 46 30 31 03 39")
            << QByteArray("4") << hexBytes("6A82") << "C-APDU" << "Success";
        QTest::newRow("empty APDU") << QStringList{"TypeACAPDUText="} << "SendTypeACmd"
                                    << hexBytes("F2 00 00 03 43 60 34 03 E5") << QByteArray("4") << hexBytes("9000")
                                    << "C-APDU" << "Success";
    }
    void buttonSendsItsFrameAndReports()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, button);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, pm);
        QFETCH(QByteArray, replyData);
        QFETCH(QString, title);
        QFETCH(QString, text);

        MainFixture f;
        f.connectPort();
        applyRfSetup(f, setup);
        f.port.answerWith(positive(quint8(frame.at(5)), quint8(pm.at(0)), replyData));
        f.click(button);
        QCOMPARE(f.port.writes().value(0), frame);
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{mdq::Icon::Information, title, text}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    // The response box shows bytes 6 to L-3 of a positive reply, status bytes included.
    void apduResponseFillsItsOwnBox_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("pm");
        QTest::addColumn<QByteArray>("replyData");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<QString>("other");
        QTest::newRow("A, 9000") << "SendTypeACmd" << int('4') << hexBytes("9000") << "TypeARAPDUText"
                                 << "TypeBRAPDUText";
        QTest::newRow("B, data and 6A82") << "SendTypeBCmd" << int('5') << hexBytes("0A 00 FF 6A 82")
                                          << "TypeBRAPDUText" << "TypeARAPDUText";
    }
    void apduResponseFillsItsOwnBox()
    {
        QFETCH(QString, button);
        QFETCH(int, pm);
        QFETCH(QByteArray, replyData);
        QFETCH(QString, filled);
        QFETCH(QString, other);
        MainFixture f;
        f.connectPort();
        f.control<QLineEdit>(filled)->setText("OLD");
        f.control<QLineEdit>(other)->setText("KEPT");
        f.port.answerWith(positive(0x60, quint8(pm), replyData));
        f.click(button);
        QCOMPARE(f.control<QLineEdit>(filled)->text(), QString::fromLatin1(replyData.toHex().toUpper()));
        QCOMPARE(f.control<QLineEdit>(other)->text(), QStringLiteral("KEPT"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{mdq::Icon::Information, "C-APDU", "Success"}}));
    }

    void longApduUsesBothLengthBytes()
    {
        MainFixture f;
        f.connectPort();
        applyRfSetup(f, {QStringLiteral("TypeBCAPDUText=") + QString(600, QLatin1Char('A'))});
        f.port.answerWith(positive(0x60, '5', hexBytes("9000")));
        f.click(QStringLiteral("SendTypeBCmd"));
        const QByteArray sent = f.port.writes().value(0);
        QCOMPARE(sent.size(), 300 + 9);
        QCOMPARE(sent.mid(2, 2), hexBytes("01 2F"));  // 3 + 300 = 303
        QCOMPARE(sent.mid(7, 300), QByteArray(300, char(0xAA)));
        QCOMPARE(f.control<QLineEdit>(QStringLiteral("TypeBRAPDUText"))->text(), QStringLiteral("9000"));
    }

    void negativeReplyIsDecodedOnly_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("pm");
        for (const auto &[b, pm] : {std::pair{"RFCardUPBtn", '0'}, {"RFCheckPasswordBtn", '3'}, {"RFreadBtn", '3'},
                                    {"ReadValueRfCmd", '3'}, {"ULCmdRread", '3'}, {"SendTypeACmd", '4'}})
            QTest::newRow(b) << QString::fromLatin1(b) << int(pm);
    }
    void negativeReplyIsDecodedOnly()
    {
        QFETCH(QString, button);
        QFETCH(int, pm);
        MainFixture f;
        f.connectPort();
        applyRfSetup(f, {"SRFTextLIST=0102", "ULTextLIST=0A0B", "PurseValueText=7"});
        f.port.answerWith(negative(0x60, quint8(pm), "63"));
        f.click(button);
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{mdq::Icon::Information, "Negative response:63",
                                "IC card communication error (IC card does not respond)."}}));
        // Nothing on the page was touched.
        QCOMPARE(f.control<QLineEdit>("SRFTextLIST", 1)->text(), QStringLiteral("02"));
        QCOMPARE(f.control<QLineEdit>("ULTextLIST", 0)->text(), QStringLiteral("0A"));
        QCOMPARE(f.control<QLineEdit>("PurseValueText")->text(), QStringLiteral("7"));
        QVERIFY(f.log().endsWith(QLatin1String("\r\n\r\n")));
    }

    void closedPortRefusesEveryButton()
    {
        MainFixture f;
        const QStringList buttons{"RFTestTypeCmd", "RFCardUPBtn", "RFCardDownBtn", "RFCardStatusBtn",
                                  "StoreKeyToEEBtn", "ReadKeyFromEEBtn", "RFCheckPasswordBtn", "RFChangePasswordBtn",
                                  "RFreadBtn", "RFwriteBtn", "INITRFCmd", "INCRFCmd", "DECRFCmd", "ReadValueRfCmd",
                                  "ULCmdRread", "ULCmdRwrite", "SendTypeACmd", "SendTypeBCmd"};
        for (const QString &b : buttons)
            f.click(b);
        QCOMPARE(f.prompter.shown().size(), buttons.size());
        for (const Shown &s : f.prompter.shown())
            QCOMPARE(s, (Shown{mdq::Icon::Exclamation, "Caution", "Comm. Port Setup First"}));
        QVERIFY(f.port.writes().isEmpty());
    }
};

QTEST_MAIN(TestRfCommands)
#include "tst_rf_commands.moc"
