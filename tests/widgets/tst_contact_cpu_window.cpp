// The CPU card window (CM 51h) and the SAM window (CM 52h) on a fake port:
// opened modally from the CPU/SAM page, their frames, displays and messages.

#include "contact/cpu_card_window.h"
#include "support/main_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace mdq;
using namespace mdqtest;

namespace {

Shown info(const QString &title, const QString &text)
{
    return {Icon::Information, title, text};
}
using Messages = QList<Shown>;

}  // namespace

class TestContactCpuWindow : public QObject
{
    Q_OBJECT

    // Opens the window from its page button and runs `act` inside it.
    void inWindow(MainFixture &f, bool sam, std::function<void(QWidget *)> act)
    {
        bool ran = false;
        onModal([&](QWidget *w) {
            act(w);
            ran = true;
            childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
        });
        f.click(sam ? QStringLiteral("SIMRUN") : QStringLiteral("CPURUN"));
        QVERIFY(ran);
    }
    static void click(QWidget *w, const char *name)
    {
        childOf<QAbstractButton>(w, QString::fromLatin1(name))->click();
    }
    static QString text(QWidget *w, const char *name)
    {
        return childOf<QLineEdit>(w, QString::fromLatin1(name))->text();
    }

private Q_SLOTS:
    void framesAndMessages_data()
    {
        QTest::addColumn<bool>("sam");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("option");  // cold reset option to select
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<QString>("resetText");
        QTest::addColumn<QString>("backText");

        const QByteArray atr = QByteArray::fromHex("3B6900005349");
        QTest::newRow("cold EMV T=0") << false << "CPUColdResetBtn" << 0 << positive('Q', '0', "0" + atr)
                                      << request("F2000004 43 51 30 30 03")
                                      << Messages{info("Cold Reset", "Cold Reset Success(T=0)")} << "3B6900005349"
                                      << "";
        QTest::newRow("cold ISO T=1") << false << "CPUColdResetBtn" << 1 << positive('Q', '0', "1" + atr)
                                      << request("F2000004 43 51 30 33 03")
                                      << Messages{info("Cold Reset", "Cold Reset Success(T=1)")} << "3B6900005349"
                                      << "";
        QTest::newRow("cold other protocol") << false << "CPUColdResetBtn" << 0 << positive('Q', '0', "2" + atr)
                                             << request("F2000004 43 51 30 30 03") << Messages{} << "3B6900005349"
                                             << "";
        // Error 69: protocol at byte 5, the answer to reset from byte 6.
        QTest::newRow("cold error 69") << false << "CPUColdResetBtn" << 0
                                       << replyFrame('N', 'Q', '0', "690", QByteArray::fromHex("3B02"))
                                       << request("F2000004 43 51 30 30 03")
                                       << Messages{info("Negative response:69",
                                                        "Tried to communicate with IC card not supported in Protocol "
                                                        "EMV2000.\r\nT=0")}
                                       << "3B02" << "";
        QTest::newRow("cold error 69 T=1") << true << "SimColdReset" << 1
                                           << replyFrame('N', 'R', '0', "691", QByteArray::fromHex("3B"))
                                           << request("F2000004 43 52 30 33 03")
                                           << Messages{info("Negative response:69",
                                                            "Tried to communicate with IC card not supported in "
                                                            "Protocol EMV2000.\r\nT=1")}
                                           << "3B" << "";
        QTest::newRow("cold other negative") << false << "CPUColdResetBtn" << 0 << negative('Q', '0', "61")
                                             << request("F2000004 43 51 30 30 03")
                                             << Messages{info("Negative response:61", "Receiving error of ATR")}
                                             << "" << "";
        QTest::newRow("warm 69 not special") << false << "CPUWarmResetBtn" << 0 << negative('Q', '8', "69")
                                             << request("F2000003 43 51 38 03")
                                             << Messages{info("Negative response:69",
                                                              "Tried to communicate with IC card not supported in "
                                                              "Protocol EMV2000.")}
                                             << "" << "";
        QTest::newRow("warm T=1") << true << "SimWarmReset" << 0 << positive('R', '8', "1" + atr)
                                  << request("F2000003 43 52 38 03")
                                  << Messages{info("Warm Reset", "Warm Reset Success(T=1)")} << "3B6900005349" << "";
        // 8 data bytes and SW1 SW2: 20 digits without separators.
        QTest::newRow("send APDU") << false << "SendCmdBtn" << 0
                                   << positive('Q', '9', QByteArray::fromHex("0102030405060708 9000"))
                                   << request("F200000A 43 51 39 00 A4 00 00 02 3F 00 03")
                                   << Messages{info("C-APDU", "Success")} << "" << "01020304050607089000";
        QTest::newRow("sam send APDU") << true << "SendCmd" << 0 << negative('R', '9', "63")
                                       << request("F200000A 43 52 39 00 A4 00 00 02 3F 00 03")
                                       << Messages{info("Negative response:63",
                                                        "IC card communication error (IC card does not respond).")}
                                       << "" << "";
        QTest::newRow("status 3.57") << false << "CheckStatusBtn" << 0 << positive('Q', '2', "1")
                                     << request("F2000003 43 51 32 03")
                                     << Messages{info("Card Status",
                                                      "The card has been activated, working frequency of 3.57 MHZ")}
                                     << "" << "";
        QTest::newRow("status other") << false << "CheckStatusBtn" << 0 << positive('Q', '2', "7")
                                      << request("F2000003 43 51 32 03") << Messages{} << "" << "";
        QTest::newRow("sam status") << true << "CheckStatusBtn" << 0 << positive('R', '2', "12")
                                    << request("F2000003 43 52 32 03")
                                    << Messages{info("Card Status",
                                                     "The card has been activated, working frequency of 3.57 "
                                                     "MHZ\r\nCurrent SAM card is  No.3")}
                                    << "" << "";
        QTest::newRow("sam status first") << true << "CheckStatusBtn" << 0 << positive('R', '2', "20")
                                          << request("F2000003 43 52 32 03")
                                          << Messages{info("Card Status",
                                                           "The card has been activated, working frequency of 7.16 "
                                                           "MHZ\r\nCurrent SAM card is  No.1 ")}
                                          << "" << "";
        QTest::newRow("sam status outside") << true << "CheckStatusBtn" << 0 << positive('R', '2', "9")
                                            << request("F2000003 43 52 32 03")
                                            << Messages{info("Card Status", "\r\n")} << "" << "";
        // The reader names sockets 1 to 5 only; past them the SAM part is empty.
        QTest::newRow("sam status socket 6") << true << "CheckStatusBtn" << 0 << positive('R', '2', "05")
                                             << request("F2000003 43 52 32 03")
                                             << Messages{info("Card Status", "Card is not activated\r\n")} << ""
                                             << "";
        QTest::newRow("deactivate") << false << "DownBtn" << 0 << positive('Q', '1')
                                    << request("F2000003 43 51 31 03")
                                    << Messages{info("Deactivate", "Deactivate Success")} << "" << "";
        QTest::newRow("sam deactivate") << true << "Down" << 0 << positive('R', '1')
                                        << request("F2000003 43 52 31 03")
                                        << Messages{info("Deactivate", "Deactivate Success")} << "" << "";
        QTest::newRow("choose SAM 1") << true << "SelectSamCmd" << 0 << positive('R', 0x40)
                                      << request("F2000004 43 52 40 30 03")
                                      << Messages{info("Choose SAM", "Choose SAM Success")} << "" << "";
    }
    void framesAndMessages()
    {
        QFETCH(bool, sam);
        QFETCH(QString, button);
        QFETCH(int, option);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, frame);
        QFETCH(Messages, messages);
        QFETCH(QString, resetText);
        QFETCH(QString, backText);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(reply);
        inWindow(f, sam, [&](QWidget *w) {
            QCOMPARE(w->objectName(), sam ? QStringLiteral("SimCard") : QStringLiteral("CPUCARD"));
            childOf<QLineEdit>(w, QStringLiteral("ResetTextBack"))->setText(QStringLiteral("old"));
            childOf<QLineEdit>(w, QStringLiteral("BackText"))->setText(QStringLiteral("old"));
            childOf<QRadioButton>(w, sam ? QStringLiteral("SAMVCCOPTION") : QStringLiteral("CPUVCCOPTION"), option)
                ->setChecked(true);
            childOf<QAbstractButton>(w, button)->click();
            QCOMPARE(f.port.writes().value(0).toHex(' '), frame.toHex(' '));
            QCOMPARE(f.prompter.shown(), messages);
            if (button.contains(QLatin1String("Reset")) || button == QLatin1String("SelectSamCmd"))
                QCOMPARE(text(w, "ResetTextBack"), resetText);
            if (button.startsWith(QLatin1String("Send")))
                QCOMPARE(text(w, "BackText"), backText);
            QVERIFY(f.log().endsWith(QLatin1String("\r\n\r\n")));
        });
    }

    void apduTextChecks()
    {
        MainFixture f;
        f.connectPort();
        inWindow(f, false, [&](QWidget *w) {
            auto *cmd = childOf<QComboBox>(w, QStringLiteral("CmdText"));
            // Odd length: the message, nothing sent, and no blank line in the log.
            cmd->setEditText(QStringLiteral("00A40"));
            click(w, "SendCmdBtn");
            QVERIFY(f.port.writes().isEmpty());
            QCOMPARE(f.prompter.shown(), (Messages{{Icon::Exclamation, "Caution",
                                                    "Error:Please Check The Data Effective"}}));
            QCOMPARE(f.log(), QString());

            // A pasted non-hex pair: the data-check path, with the blank line.
            f.prompter.clear();
            cmd->setEditText(QStringLiteral("00G4"));
            click(w, "SendCmdBtn");
            QVERIFY(f.port.writes().isEmpty());
            QCOMPARE(f.prompter.shown().size(), 1);
            QCOMPARE(f.log(), QStringLiteral("\r\n"));

            // Empty: a frame without data.
            cmd->setEditText(QString());
            f.port.answerWith(positive('Q', '9', QByteArray::fromHex("6700")));
            click(w, "SendCmdBtn");
            QCOMPARE(f.port.lastFrame(), request("F2000003 43 51 39 03"));

            // 252 bytes fill the one-byte LEN (FFh) and go out.
            QString longApdu;
            for (int i = 0; i < 252; ++i)
                longApdu += QStringLiteral("A5");
            cmd->setEditText(longApdu);
            f.port.answerWith(positive('Q', '9', QByteArray::fromHex("9000")));
            click(w, "SendCmdBtn");
            const QByteArray sent = f.port.lastFrame();
            QCOMPARE(sent.size(), 261);
            QCOMPARE(sent.left(7).toHex(' '), QByteArray("f2 00 00 ff 43 51 39"));
            QCOMPARE(sent.mid(7, 252), QByteArray(252, char(0xA5)));
            QCOMPARE(text(w, "BackText"), QStringLiteral("9000"));

            // 300 bytes: LEN 303 = 01 2F, the high length byte used rather than refused.
            cmd->setEditText(longApdu + QString(48 * 2, QLatin1Char('A')));
            f.port.answerWith(positive('Q', '9', QByteArray::fromHex("9000")));
            click(w, "SendCmdBtn");
            const QByteArray longer = f.port.lastFrame();
            QCOMPARE(longer.size(), 309);
            QCOMPARE(longer.left(7).toHex(' '), QByteArray("f2 00 01 2f 43 51 39"));
            QCOMPARE(longer.mid(7 + 252, 48), QByteArray(48, char(0xAA)));
        });
    }

    void cmdTextKeyFilterKeepsBackspace()
    {
        MainFixture f;
        f.connectPort();
        inWindow(f, false, [&](QWidget *w) {
            auto *cmd = childOf<QComboBox>(w, QStringLiteral("CmdText"));
            cmd->setEditText(QString());
            QTest::keyClicks(cmd->lineEdit(), QStringLiteral("0a g-4"));
            QCOMPARE(cmd->currentText(), QStringLiteral("0A4"));
            QTest::keyClick(cmd->lineEdit(), Qt::Key_Backspace);
            QCOMPARE(cmd->currentText(), QStringLiteral("0A"));
        });
    }

    void samSelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");  // -1: refused
        QTest::newRow("SAM 3") << "SAM 3" << 0x32;
        QTest::newRow("SAM 8") << "SAM 8" << 0x37;
        QTest::newRow("typed SAM 14") << "SAM 14" << 0x3D;
        QTest::newRow("SAM 15") << "SAM 15" << -1;
        QTest::newRow("trailing blank") << "SAM 3 " << -1;
        QTest::newRow("lower case") << "sam 3" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void samSelection()
    {
        QFETCH(QString, text);
        QFETCH(int, code);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('R', 0x40));
        inWindow(f, true, [&](QWidget *w) {
            childOf<QComboBox>(w, QStringLiteral("SimNo1"))->setEditText(text);
            click(w, "SelectSamCmd");
        });
        if (code < 0) {
            QVERIFY(f.port.writes().isEmpty());
            QCOMPARE(f.prompter.shown(),
                     (Messages{{Icon::Exclamation, "Caution", "Please Choose SAM Number First"}}));
            QCOMPARE(f.log(), QString());
        } else {
            QByteArray expected = QByteArray::fromHex("F2000004435240");
            expected.append(char(code)).append('\x03');
            QCOMPARE(f.port.writes().value(0).left(9), expected);
        }
    }

    void reopeningRestoresTheDesign()
    {
        MainFixture f;
        f.connectPort();
        for (bool sam : {false, true}) {
            const QString option = sam ? QStringLiteral("SAMVCCOPTION") : QStringLiteral("CPUVCCOPTION");
            inWindow(f, sam, [&](QWidget *w) {
                QCOMPARE(w->windowTitle(), sam ? QStringLiteral("SAM Card") : QStringLiteral("CPU Card"));
                auto *cmd = childOf<QComboBox>(w, QStringLiteral("CmdText"));
                QStringList items;
                for (int i = 0; i < cmd->count(); ++i)
                    items << cmd->itemText(i);
                QCOMPARE(items.size(), sam ? 3 : 4);
                QCOMPARE(items.last(), QStringLiteral("00A404000E315041592E5359532E4444463031"));
                cmd->setEditText(QStringLiteral("0084000008"));
                childOf<QRadioButton>(w, option, 1)->setChecked(true);
                childOf<QLineEdit>(w, QStringLiteral("BackText"))->setText(QStringLiteral("99"));
                if (sam)
                    childOf<QComboBox>(w, QStringLiteral("SimNo1"))->setEditText(QStringLiteral("SAM 7"));
            });
            inWindow(f, sam, [&](QWidget *w) {
                QCOMPARE(childOf<QComboBox>(w, QStringLiteral("CmdText"))->currentText(),
                         QStringLiteral("00A40000023F00"));
                QVERIFY(childOf<QRadioButton>(w, option, 0)->isChecked());
                QCOMPARE(text(w, "BackText"), QString());
                if (sam)
                    QCOMPARE(childOf<QComboBox>(w, QStringLiteral("SimNo1"))->currentText(), QStringLiteral("SAM 1"));
            });
        }
    }

    void samStatusTexts()
    {
        QCOMPARE(currentSamText('0'), QStringLiteral("Current SAM card is  No.1 "));
        QCOMPARE(currentSamText('4'), QStringLiteral("Current SAM card is  No.5"));
        QCOMPARE(currentSamText('5'), QString());
        QCOMPARE(currentSamText('7'), QString());
        QCOMPARE(currentSamText('/'), QString());
        QCOMPARE(activationText('0'), QStringLiteral("Card is not activated"));
        QCOMPARE(activationText('3'), QString());
    }
};

QTEST_MAIN(TestContactCpuWindow)
#include "tst_contact_cpu_window.moc"
