// The RF CARD page's own behaviour: combo boxes at start, what activation and
// the type test fill and bring forward, reads filling the cell rows, the write
// and purse guards in their order, and input that cannot be sent.

#include "rf_setup.h"

#include <QLabel>
#include <QTabWidget>
#include <QtTest>

using namespace mdqtest;

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString Confirm =
    QStringLiteral("Are you sure to modify\r\nthe password of present sector and control key memory area?");

QString tabs(MainFixture &f)
{
    return QStringLiteral("%1%2%3")
        .arg(f.control<QTabWidget>("SSTab1")->currentIndex())
        .arg(f.control<QTabWidget>("SSTab3")->currentIndex())
        .arg(f.control<QTabWidget>("SSTab4")->currentIndex());
}

// Pages away from the RF card ones, so that every switch is visible.
void scatterTabs(MainFixture &f)
{
    f.control<QTabWidget>("SSTab1")->setCurrentIndex(3);
    f.control<QTabWidget>("SSTab3")->setCurrentIndex(2);
    f.control<QTabWidget>("SSTab4")->setCurrentIndex(1);
}
}  // namespace

class TestRfPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void combosStartAsDesigned()
    {
        MainFixture f;
        const struct
        {
            const char *name;
            int count;
            const char *first, *last, *selected;
        } combos[] = {
            {"SecNumberCombo", 40, "00", "27", "01"},   {"BlockNumberCombo", 16, "00", "0F", "00"},
            {"BlockLongCombo", 1, "01", "01", "01"},    {"PurseBlockCombbox", 16, "00", "0F", "00"},
            {"ULSecNumberCombo", 16, "00", "0F", "04"}, {"RFCardUPCombbox", 4, "Type A,Type B", "Type B(Only)", "Type A,Type B"},
        };
        for (const auto &c : combos) {
            auto *box = f.control<QComboBox>(QString::fromLatin1(c.name));
            QCOMPARE(box->count(), c.count);
            QCOMPARE(box->itemText(0), QString::fromLatin1(c.first));
            QCOMPARE(box->itemText(c.count - 1), QString::fromLatin1(c.last));
            QCOMPARE(box->currentText(), QString::fromLatin1(c.selected));
        }
        QCOMPARE(f.control<QComboBox>("RFCardUPCombbox")->itemText(2), QStringLiteral("Type A(Only)"));
        QCOMPARE(f.control<QComboBox>("SecNumberCombo")->itemText(10), QStringLiteral("0A"));
        QVERIFY(f.control<QRadioButton>("RfKeyAB1")->isChecked());
        QCOMPARE(f.control<QLineEdit>("PurseValueText")->text(), QStringLiteral("0"));
        QCOMPARE(f.control<QComboBox>("TypeACAPDUText")->currentText(), QStringLiteral("00A40000023F00"));
        QCOMPARE(f.control<QComboBox>("TypeBCAPDUText")->itemText(2),
                 QStringLiteral("00A404000E315041592E5359532E4444463031"));
        QCOMPARE(f.control<QLineEdit>("SRFTextLIST", 15)->text(), QString());
    }

    void typeTestBringsPagesForward_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tabs");  // SSTab1 SSTab3 SSTab4 afterwards
        QTest::newRow("00") << QByteArray("00") << "Unknow Type" << "321";
        QTest::newRow("10") << QByteArray("10") << "S50 card" << "000";
        QTest::newRow("11") << QByteArray("11") << "S70 card" << "000";
        QTest::newRow("12") << QByteArray("12") << "Ultralight card" << "001";
        QTest::newRow("20") << QByteArray("20") << "Type A CPU" << "011";
        QTest::newRow("30") << QByteArray("30") << "Type B CPU" << "021";
        QTest::newRow("40") << QByteArray("40") << "Unknow Error" << "321";
    }
    void typeTestBringsPagesForward()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, text);
        QFETCH(QString, tabs);
        MainFixture f;
        f.connectPort();
        scatterTabs(f);
        f.port.answerWith(positive(0x50, '1', code));
        f.click("RFTestTypeCmd");
        QCOMPARE(::tabs(f), tabs);
        QCOMPARE(f.prompter.shown().value(0).text, "Test RF Type Complete" + CrLf + text);
    }

    void activationFillsDisplays_data()
    {
        QTest::addColumn<QByteArray>("data");  // reply bytes 6 to L-3
        QTest::addColumn<QStringList>("displays");  // RFmessageLabel ULRFmessage CPURFTypeAmessage ATRTypeAText ATRTypeBText
        QTest::addColumn<QString>("tabs");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("S50") << hexBytes("4D 00 04 04 0A 1B 00 FF")
                             << QStringList{"0A1B00FF", "", "", "", ""} << "000" << "Mifare one S50 card";
        QTest::newRow("Ultralight") << hexBytes("4D 00 44 07 04 51 6A 72 1C 2D 80")
                                    << QStringList{"", "04516A721C2D80", "", "", ""} << "001" << "Mifare one UL card";
        QTest::newRow("other Mifare") << hexBytes("4D 00 08 04 0A 1B 00 FF") << QStringList{"", "", "", "", ""}
                                      << "321" << "";
        // L = 19 with n = 4: serial 10..13, byte 14 hidden, answer 15..16.
        QTest::newRow("Type A") << hexBytes("41 00 08 04 01 02 03 04 20 05 78")
                                << QStringList{"", "", "01020304", "0578", ""} << "011"
                                << "the card in line with ISO / IEC 14443 Type A protocol";
        QTest::newRow("Type A without answer") << hexBytes("41 00 08 04 01 02 03 04")
                                               << QStringList{"", "", "01020304", "", ""} << "011"
                                               << "the card in line with ISO / IEC 14443 Type A protocol";
        // A length byte beyond the reply reads on through ETX and BCC (81h for
        // this reply) into zeros, never outside the buffer.
        QTest::newRow("Type A, length byte too large") << hexBytes("41 00 08 06 01 02")
                                                       << QStringList{"", "", "010203810000", "", ""} << "011"
                                                       << "the card in line with ISO / IEC 14443 Type A protocol";
        QTest::newRow("Type B") << hexBytes("42 50 1A 2B") << QStringList{"", "", "", "", "501A2B"} << "021"
                                << "the card in line with ISO / IEC 14443 Type B protocol";
    }
    void activationFillsDisplays()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, displays);
        QFETCH(QString, tabs);
        QFETCH(QString, lastLine);
        MainFixture f;
        f.connectPort();
        // Whatever an earlier activation showed is cleared first.
        f.control<QLabel>("RFmessageLabel")->setText("OLD");
        f.control<QLabel>("ULRFmessage")->setText("OLD");
        f.control<QLabel>("CPURFTypeAmessage")->setText("OLD");
        f.control<QLineEdit>("ATRTypeAText")->setText("OLD");
        f.control<QLineEdit>("ATRTypeBText")->setText("OLD");
        scatterTabs(f);
        f.port.answerWith(positive(0x60, '0', data));
        f.click("RFCardUPBtn");
        const QStringList shown{f.control<QLabel>("RFmessageLabel")->text(), f.control<QLabel>("ULRFmessage")->text(),
                                f.control<QLabel>("CPURFTypeAmessage")->text(),
                                f.control<QLineEdit>("ATRTypeAText")->text(),
                                f.control<QLineEdit>("ATRTypeBText")->text()};
        QCOMPARE(shown, displays);
        QCOMPARE(::tabs(f), tabs);
        QCOMPARE(f.prompter.shown().size(), 1);
        QVERIFY(f.prompter.shown()[0].text.endsWith(CrLf + lastLine));
    }

    // Activation clears the five displays before sending, whatever comes back;
    // deactivation and status inquiry leave the displays and the pages alone.
    void displaysAfterOtherReplies_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("pm");
        QTest::addColumn<bool>("positive");
        QTest::addColumn<QByteArray>("data");  // positive: reply bytes 6 to L-3; negative: error code
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<int>("messages");
        QTest::newRow("activate, negative") << "RFCardUPBtn" << int('0') << false << QByteArray("63") << true << 1;
        QTest::newRow("activate, unknown kind letter")
            << "RFCardUPBtn" << int('0') << true << hexBytes("58 00 04 04 0A 1B 00 FF") << true << 0;
        QTest::newRow("deactivate") << "RFCardDownBtn" << int('1') << true << QByteArray() << false << 1;
        QTest::newRow("status, S50") << "RFCardStatusBtn" << int('2') << true << QByteArray("10") << false << 1;
        QTest::newRow("status, Type B") << "RFCardStatusBtn" << int('2') << true << QByteArray("30") << false << 1;
    }
    void displaysAfterOtherReplies()
    {
        QFETCH(QString, button);
        QFETCH(int, pm);
        QFETCH(bool, positive);
        QFETCH(QByteArray, data);
        QFETCH(bool, cleared);
        QFETCH(int, messages);
        MainFixture f;
        f.connectPort();
        const char *labels[] = {"RFmessageLabel", "ULRFmessage", "CPURFTypeAmessage"};
        const char *boxes[] = {"ATRTypeAText", "ATRTypeBText"};
        for (const char *l : labels)
            f.control<QLabel>(l)->setText("OLD");
        for (const char *b : boxes)
            f.control<QLineEdit>(b)->setText("OLD");
        scatterTabs(f);
        f.port.answerWith(positive ? mdqtest::positive(0x60, quint8(pm), data) : negative(0x60, quint8(pm), data));
        f.click(button);
        const QString expected = cleared ? QString() : QStringLiteral("OLD");
        for (const char *l : labels)
            QCOMPARE(f.control<QLabel>(l)->text(), expected);
        for (const char *b : boxes)
            QCOMPARE(f.control<QLineEdit>(b)->text(), expected);
        QCOMPARE(::tabs(f), QStringLiteral("321"));
        QCOMPARE(f.prompter.shown().size(), messages);
        QVERIFY(f.log().endsWith(QLatin1String("\r\n\r\n")));
    }

    void readsFillTheCellRows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("cells");  // joined afterwards
        QTest::newRow("block, 9000") << "RFreadBtn" << "SRFTextLIST"
                                     << hexBytes("00112233445566778899AABBCCDDEE0F 9000")
                                     << "00112233445566778899AABBCCDDEE0F";
        QTest::newRow("block, 6F00") << "RFreadBtn" << "SRFTextLIST" << hexBytes("6F00")
                                     << "0102030405060708090A0B0C0D0E0F10";
        QTest::newRow("block, other word") << "RFreadBtn" << "SRFTextLIST"
                                           << hexBytes("00112233445566778899AABBCCDDEE0F 6300")
                                           << "0102030405060708090A0B0C0D0E0F10";
        QTest::newRow("page, 9000") << "ULCmdRread" << "ULTextLIST" << hexBytes("0A0B0C0D 9000") << "0A0B0C0D";
        QTest::newRow("page, 6F00") << "ULCmdRread" << "ULTextLIST" << hexBytes("6F00") << "01020304";
    }
    void readsFillTheCellRows()
    {
        QFETCH(QString, button);
        QFETCH(QString, row);
        QFETCH(QByteArray, data);
        QFETCH(QString, cells);
        MainFixture f;
        f.main.show();
        QApplication::setActiveWindow(&f.main);
        f.connectPort();
        applyRfSetup(f, {"SRFTextLIST=0102030405060708090A0B0C0D0E0F10", "ULTextLIST=01020304"});
        f.control<QLineEdit>(row, 2)->setFocus();
        f.port.answerWith(positive(0x60, '3', data));
        f.click(button);
        const int count = int(cells.size() / 2);
        QString joined;
        for (int i = 0; i < count; ++i)
            joined += f.control<QLineEdit>(row, i)->text();
        QCOMPARE(joined, cells);
        // Filling moves through the row like typing and wraps to its first cell.
        const bool filled = data.endsWith(hexBytes("9000"));
        QCOMPARE(QApplication::focusWidget(), f.control<QWidget>(row, filled ? 0 : 2));
    }

    void valueReadShowsUnsigned_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("value");
        QTest::newRow("10000") << hexBytes("10270000 9000") << "10000";
        QTest::newRow("largest") << hexBytes("FFFFFFFF 9000") << "4294967295";
        QTest::newRow("above signed range") << hexBytes("00000080 9000") << "2147483648";
        QTest::newRow("6F00 keeps the box") << hexBytes("10270000 6F00") << "55";
    }
    void valueReadShowsUnsigned()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, value);
        MainFixture f;
        f.connectPort();
        applyRfSetup(f, {"PurseBlockCombbox=01", "PurseValueText=55"});
        f.port.answerWith(positive(0x60, '3', data));
        f.click("ReadValueRfCmd");
        QCOMPARE(f.control<QLineEdit>("PurseValueText")->text(), value);
    }

    // Checks before sending, in their order; a refusal sends nothing and adds
    // no blank line to the (cleared) log.
    void writeGuards_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("message");  // first message shown
        QTest::addColumn<bool>("sent");
        const QString full = QStringLiteral("SRFTextLIST=00112233445566778899AABBCCDDEEFF");
        const QString input = QStringLiteral("Please input the data first");
        QTest::newRow("one cell incomplete") << QStringList{"SRFTextLIST=00112233445566778899AABBCCDDEEF"}
                                             << "RFwriteBtn" << QList<bool>{} << input << false;
        QTest::newRow("empty cells before block 0")
            << QStringList{"SecNumberCombo=00", "BlockNumberCombo=00"} << "RFwriteBtn" << QList<bool>{} << input << false;
        QTest::newRow("manufacturer block") << QStringList{full, "SecNumberCombo=00", "BlockNumberCombo=00"}
                                            << "RFwriteBtn" << QList<bool>{} << "Write Prohibit In The Block" << false;
        QTest::newRow("trailer 1F/03, cancel") << QStringList{full, "SecNumberCombo=1F", "BlockNumberCombo=03"}
                                               << "RFwriteBtn" << QList<bool>{false} << Confirm << false;
        QTest::newRow("trailer 1F/03, OK") << QStringList{full, "SecNumberCombo=1F", "BlockNumberCombo=03"}
                                           << "RFwriteBtn" << QList<bool>{true} << Confirm << true;
        QTest::newRow("20/03 is data") << QStringList{full, "SecNumberCombo=20", "BlockNumberCombo=03"}
                                       << "RFwriteBtn" << QList<bool>{} << "Write Block Data" << true;
        QTest::newRow("trailer 20/0F, cancel") << QStringList{full, "SecNumberCombo=20", "BlockNumberCombo=0F"}
                                               << "RFwriteBtn" << QList<bool>{false} << Confirm << false;
        QTest::newRow("page cells before page") << QStringList{"ULTextLIST=01__0304", "ULSecNumberCombo=01"}
                                                << "ULCmdRwrite" << QList<bool>{} << input << false;
        QTest::newRow("page 01") << QStringList{"ULTextLIST=01020304", "ULSecNumberCombo=01"} << "ULCmdRwrite"
                                 << QList<bool>{} << "The block is the vendor code area, the block is not written"
                                 << false;
        QTest::newRow("page 02, cancel") << QStringList{"ULTextLIST=01020304", "ULSecNumberCombo=02"}
                                         << "ULCmdRwrite" << QList<bool>{false} << Confirm << false;
        QTest::newRow("page 02, OK") << QStringList{"ULTextLIST=01020304", "ULSecNumberCombo=02"} << "ULCmdRwrite"
                                     << QList<bool>{true} << Confirm << true;
        const QString purse = QStringLiteral("The block does not support the purse operation");
        QTest::newRow("purse 00/00") << QStringList{"SecNumberCombo=00", "PurseBlockCombbox=00"} << "INITRFCmd"
                                     << QList<bool>{} << purse << false;
        QTest::newRow("purse 05/03") << QStringList{"SecNumberCombo=05", "PurseBlockCombbox=03"} << "ReadValueRfCmd"
                                     << QList<bool>{} << purse << false;
        QTest::newRow("purse 20/0F, before the value")
            << QStringList{"SecNumberCombo=20", "PurseBlockCombbox=0F", "PurseValueText="} << "DECRFCmd"
            << QList<bool>{} << purse << false;
    }
    void writeGuards()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, button);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, message);
        QFETCH(bool, sent);
        MainFixture f;
        f.connectPort();
        applyRfSetup(f, setup);
        for (bool a : answers)
            f.prompter.queueAnswer(a);
        f.port.answerWith(positive(0x60, '3', hexBytes("9000")));
        f.main.log().append(QStringLiteral("earlier exchange\r\n"));
        f.click(button);
        QVERIFY(!f.prompter.shown().isEmpty());
        const Shown first = f.prompter.shown()[0];
        QVERIFY2(first.text.startsWith(message), qPrintable(first.text));
        QCOMPARE(first.icon, message == Confirm ? mdq::Icon::Question : first.text.startsWith("Write Block Data") ? mdq::Icon::Information : mdq::Icon::Exclamation);
        QCOMPARE(f.prompter.questions(), answers.size());
        QCOMPARE(f.port.writes().isEmpty(), !sent);
        if (!sent)
            QCOMPARE(f.log(), QString());  // cleared, and no blank line
    }

    void unsendableInputIsRefused_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("button");
        QTest::newRow("key cell not hex") << QStringList{"SRFPASSWORDLIST=FFFFZZFFFFFF"} << "RFCheckPasswordBtn";
        QTest::newRow("key cell empty") << QStringList{"SRFPASSWORDLIST=FFFF__FFFFFF"} << "StoreKeyToEEBtn";
        QTest::newRow("block cell not hex") << QStringList{"SRFTextLIST=00112233445566778899AABBCCDDEEG1"}
                                            << "RFwriteBtn";
        QTest::newRow("page cell not hex") << QStringList{"ULTextLIST=0102 304"} << "ULCmdRwrite";
        QTest::newRow("value empty") << QStringList{"PurseBlockCombbox=01", "PurseValueText="} << "INITRFCmd";
        QTest::newRow("value 2147483648") << QStringList{"PurseBlockCombbox=01", "PurseValueText=2147483648"}
                                          << "INCRFCmd";
        QTest::newRow("value pasted letters") << QStringList{"PurseBlockCombbox=01", "PurseValueText=12a"}
                                              << "DECRFCmd";
        QTest::newRow("value negative") << QStringList{"PurseBlockCombbox=01", "PurseValueText=-5"} << "INITRFCmd";
        QTest::newRow("APDU odd length") << QStringList{"TypeACAPDUText=00A400000"} << "SendTypeACmd";
        QTest::newRow("APDU not hex") << QStringList{"TypeBCAPDUText=00A4000G"} << "SendTypeBCmd";
    }
    void unsendableInputIsRefused()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, button);
        MainFixture f;
        f.connectPort();
        applyRfSetup(f, setup);
        f.control<QLineEdit>("TypeARAPDUText")->setText("OLD");
        f.control<QLineEdit>("TypeBRAPDUText")->setText("OLD");
        f.click(button);
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{mdq::Icon::Exclamation, "Caution", "Error:Please Check The Data Effective"}}));
        QVERIFY(f.port.writes().isEmpty());
        if (button.startsWith("Send")) {
            // The response box is cleared first; no blank line follows the refusal.
            QCOMPARE(f.control<QLineEdit>(button == "SendTypeACmd" ? "TypeARAPDUText" : "TypeBRAPDUText")->text(),
                     QString());
            QCOMPARE(f.log(), QString());
        }
        // The program goes on: the next command is sent.
        f.port.answerWith(positive(0x60, '2', "10"));
        f.click("RFCardStatusBtn");
        QCOMPARE(f.port.writes().size(), 2);  // the frame and the ACK
    }

    void purseValueTakesDigitsOnly()
    {
        MainFixture f;
        f.main.show();
        auto *box = f.control<QLineEdit>("PurseValueText");
        box->setFocus();
        box->setCursorPosition(1);
        QTest::keyClicks(box, QStringLiteral("-a 7"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("07"));
    }

    void apduComboTakesHexOnly()
    {
        MainFixture f;
        f.main.show();
        auto *combo = f.control<QComboBox>("TypeACAPDUText");
        combo->setEditText(QString());
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("a0G f"));
        QCOMPARE(combo->currentText(), QStringLiteral("A0F"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(combo->currentText(), QStringLiteral("A0"));
    }
};

QTEST_MAIN(TestRfPage)
#include "tst_rf_page.moc"
