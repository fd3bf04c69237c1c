// The RF CARD page's own behaviour beyond its frames and messages
// (tst_commands): what activation fills and brings forward, what the other
// card commands leave alone, reads filling the cell rows, and the write and
// purse guards in their order.

#include "support/control_setup.h"

#include <QtTest>

using namespace mdqtest;

namespace {
const QString Confirm =
    QStringLiteral("Are you sure to modify\r\nthe password of present sector and control key memory area?");
const QStringList Displays{"RFmessageLabel", "ULRFmessage", "CPURFTypeAmessage", "ATRTypeAText", "ATRTypeBText"};
}  // namespace

class TestRfPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Activation clears the five displays before sending and fills the one its
    // card kind uses; deactivation and status inquiry leave displays and pages alone.
    void displaysAndPages_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("displays");  // the five, '|'-separated
        QTest::addColumn<QString>("tabs");      // SSTab1 SSTab3 SSTab4 afterwards
        QTest::addColumn<QString>("lastLine");  // of the one message; "-": no message
        auto activation = [](const char *data) { return positive(0x60, '0', hexBytes(data)); };
        const QString typeA = QStringLiteral("the card in line with ISO / IEC 14443 Type A protocol");
        QTest::newRow("S50") << "RFCardUPBtn" << activation("4D 00 04 04 0A 1B 00 FF") << "0A1B00FF||||" << "000"
                             << "Mifare one S50 card";
        QTest::newRow("Ultralight") << "RFCardUPBtn" << activation("4D 00 44 07 04 51 6A 72 1C 2D 80")
                                    << "|04516A721C2D80|||" << "001" << "Mifare one UL card";
        QTest::newRow("other Mifare") << "RFCardUPBtn" << activation("4D 00 08 04 0A 1B 00 FF") << "||||" << "321" << "";
        // L = 19 with n = 4: serial 10..13, byte 14 hidden, answer 15..16.
        QTest::newRow("Type A") << "RFCardUPBtn" << activation("41 00 08 04 01 02 03 04 20 05 78") << "||01020304|0578|"
                                << "011" << typeA;
        QTest::newRow("Type A without answer") << "RFCardUPBtn" << activation("41 00 08 04 01 02 03 04")
                                               << "||01020304||" << "011" << typeA;
        // A length byte beyond the reply reads on through ETX and BCC (81h for
        // this reply) into zeros, never outside the buffer.
        QTest::newRow("Type A, length byte too large") << "RFCardUPBtn" << activation("41 00 08 06 01 02")
                                                       << "||010203810000||" << "011" << typeA;
        QTest::newRow("Type B") << "RFCardUPBtn" << activation("42 50 1A 2B") << "||||501A2B" << "021"
                                << "the card in line with ISO / IEC 14443 Type B protocol";
        QTest::newRow("activate, negative") << "RFCardUPBtn" << negative(0x60, '0', "63") << "||||" << "321"
                                            << "IC card communication error (IC card does not respond).";
        QTest::newRow("activate, unknown kind letter") << "RFCardUPBtn" << activation("58 00 04 04 0A 1B 00 FF")
                                                       << "||||" << "321" << "-";
        QTest::newRow("deactivate") << "RFCardDownBtn" << positive(0x60, '1') << "OLD|OLD|OLD|OLD|OLD" << "321"
                                    << "Deactivate Success";
        QTest::newRow("status, S50") << "RFCardStatusBtn" << positive(0x60, '2', "10") << "OLD|OLD|OLD|OLD|OLD"
                                     << "321" << "S50 card";
        QTest::newRow("status, Type B") << "RFCardStatusBtn" << positive(0x60, '2', "30") << "OLD|OLD|OLD|OLD|OLD"
                                        << "321" << "Type B CPU card";
    }
    void displaysAndPages()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QString, displays);
        QFETCH(QString, tabs);
        QFETCH(QString, lastLine);
        MainFixture f;
        f.connectPort();
        for (const QString &d : Displays)
            applySetup(&f.main, {d + "=OLD"});
        applySetup(&f.main, {"SSTab1=#3", "SSTab3=#2", "SSTab4=#1"});  // away from the card pages
        f.port.answerWith(reply);
        f.click(button);
        QStringList shown;
        for (const QString &d : Displays)
            shown << controlValue(&f.main, d);
        QCOMPARE(shown.join(QLatin1Char('|')), displays);
        QCOMPARE(controlValue(&f.main, "SSTab1") + controlValue(&f.main, "SSTab3") + controlValue(&f.main, "SSTab4"),
                 "#" + tabs.left(1) + "#" + tabs.mid(1, 1) + "#" + tabs.right(1));
        QCOMPARE(f.prompter.shown().size(), lastLine == QLatin1String("-") ? 0 : 1);
        if (lastLine != QLatin1String("-"))
            QVERIFY2(f.prompter.shown()[0].text.endsWith(lastLine), qPrintable(f.prompter.shown()[0].text));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
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
        applySetup(&f.main, {"SRFTextLIST=0102030405060708090A0B0C0D0E0F10", "ULTextLIST=01020304"});
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
        QTest::newRow("trailer 1F/03, OK") << QStringList{full, "SecNumberCombo=1F", "BlockNumberCombo=03"}
                                           << "RFwriteBtn" << QList<bool>{true} << Confirm << true;
        QTest::newRow("20/03 is data") << QStringList{full, "SecNumberCombo=20", "BlockNumberCombo=03"}
                                       << "RFwriteBtn" << QList<bool>{} << "Write Block Data" << true;
        QTest::newRow("trailer 20/0F, cancel") << QStringList{full, "SecNumberCombo=20", "BlockNumberCombo=0F"}
                                               << "RFwriteBtn" << QList<bool>{false} << Confirm << false;
        QTest::newRow("page cells before page") << QStringList{"ULTextLIST=01__0304", "ULSecNumberCombo=01"}
                                                << "ULCmdRwrite" << QList<bool>{} << input << false;
        QTest::newRow("page 02, cancel") << QStringList{"ULTextLIST=01020304", "ULSecNumberCombo=02"}
                                         << "ULCmdRwrite" << QList<bool>{false} << Confirm << false;
        QTest::newRow("page 02, OK") << QStringList{"ULTextLIST=01020304", "ULSecNumberCombo=02"} << "ULCmdRwrite"
                                     << QList<bool>{true} << Confirm << true;
        const QString purse = QStringLiteral("The block does not support the purse operation");
        QTest::newRow("purse 00/00") << QStringList{"SecNumberCombo=00", "PurseBlockCombbox=00"} << "INITRFCmd"
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
        applySetup(&f.main, setup);
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

};

QTEST_MAIN(TestRfPage)
#include "tst_rf_page.moc"
