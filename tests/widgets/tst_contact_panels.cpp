// The SLE4442, SLE4428 and AT24Cxx panels and the card type test on a fake
// port: the frame each button sends and the message its reply gives, the
// data grid filled by reads and taken by writes, and the data-check path.

#include "contact/ic_data_grid.h"
#include "support/main_fixture.h"

#include <QLineEdit>
#include <QTabWidget>

using namespace mdq;
using namespace mdqtest;

namespace {

using Boxes = QList<QPair<QString, QString>>;  // box name, text
using Messages = QList<Shown>;

Shown info(const QString &title, const QString &text)
{
    return {Icon::Information, title, text};
}
Shown caution(const QString &text)
{
    return {Icon::Exclamation, QStringLiteral("Caution"), text};
}
const QString DataErr = QStringLiteral("Error:Please Check The Data Effective");

}  // namespace

class TestContactPanels : public QObject
{
    Q_OBJECT

    void fillGrid(MainFixture &f, int n, quint8 first)
    {
        for (int i = 0; i < n; ++i)
            f.control<QLineEdit>(QStringLiteral("ICText"), i)->setText(QString::asprintf("%02X", quint8(first + i)));
    }

private Q_SLOTS:
    void handCheckedFrames()
    {
        // Worked out by hand: F2^00^00^03^43^53^30^03 = D2; F2^00^00^04^43^54^30^30^03 = E2.
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('S', '0'));
        f.click(QStringLiteral("SiemensICUp1"));
        QCOMPARE(f.port.lastFrame().toHex(' ').toUpper(), QByteArray("F2 00 00 03 43 53 30 03 D2"));
        f.port.answerWith(positive('T', '0'));
        f.click(QStringLiteral("IC24Reset"));
        QCOMPARE(f.port.lastFrame().toHex(' ').toUpper(), QByteArray("F2 00 00 04 43 54 30 30 03 E2"));
    }

    void buttonFramesAndMessages_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<Messages>("messages");

        const QString tc = QStringLiteral("Transmit Command");
        auto sw = [](const char *hex) { return QByteArray::fromHex(hex); };
        auto row = [](const char *name, const QString &button, Boxes boxes, QByteArray reply, const char *frame,
                      Messages messages) {
            QTest::newRow(name) << button << boxes << reply << request(frame) << messages;
        };

        // Activate, status, deactivate: both SLE panels send the same frames and know both cards.
        row("4442 activate 4442", "SiemensICUp1", {}, positive('S', '0', sw("A2131091")), "F2000003435330 03",
            {info("Activate", "SLE4442 Activate success")});
        row("4442 activate 4428", "SiemensICUp1", {}, positive('S', '0', sw("92231091")), "F2000003435330 03",
            {info("Activate", "SLE4428 Activate success")});
        row("4428 activate 4442", "SiemensICUp2", {}, positive('S', '0', sw("A2131091")), "F2000003435330 03",
            {info("Activate", "SLE4442 Activate success")});
        row("activate other ATR", "SiemensICUp2", {}, positive('S', '0', sw("3B021491")), "F2000003435330 03", {});
        row("status deactivated", "SiemensICStatus1", {}, positive('S', '2', "0"), "F2000003435332 03",
            {info("Inquire Status", "SLE4442/4428 Deactivated")});
        row("status 4442", "SiemensICStatus2", {}, positive('S', '2', "1"), "F2000003435332 03",
            {info("Inquire Status", "SLE4442 Activated")});
        row("status 4428", "SiemensICStatus1", {}, positive('S', '2', "2"), "F2000003435332 03",
            {info("Inquire Status", "SLE4428 Activated")});
        row("status other", "SiemensICStatus1", {}, positive('S', '2', "3"), "F2000003435332 03", {});
        row("sle deactivate", "SiemensICDown2", {}, positive('S', '1'), "F2000003435331 03",
            {info("Deactivate", "Deactivate success")});

        // SLE4442 memory operations.
        row("4442 verify", "SL4442Pass", {{"SL4442Pass1", "12"}, {"SL4442Pass2", "a"}, {"SL4442Pass3", "FF"}},
            positive('S', '3', sw("9000")), "F200000B 43 53 33 00 20 03 01 03 12 0A FF 03",
            {info(tc, "Execute OK\r\n9000")});
        row("4442 verify wrong", "SL4442Pass", {}, positive('S', '3', sw("6F01")),
            "F200000B 43 53 33 00 20 03 01 03 FF FF FF 03", {info(tc, "Verification Password error\r\n6F01")});
        row("4442 change locked", "SL4442Change", {{"SL4442Pass1", "01"}}, positive('S', '3', sw("6F02")),
            "F200000B 43 53 33 00 D0 02 01 03 01 FF FF 03",
            {info(tc, "Card has been scrapped (password validation error over the number of cards permit error)"
                      "\r\n6F02")});
        row("4442 read security", "SL4442ReadAnquan", {}, positive('S', '3', sw("07123456 9000")),
            "F2000008 43 53 33 00 B0 02 00 04 03", {info(tc, "Execute OK\r\n07123456\r\n9000")});
        row("4442 read security refused", "SL4442ReadAnquan", {}, positive('S', '3', sw("6B00")),
            "F2000008 43 53 33 00 B0 02 00 04 03",
            {info(tc, "Parameter(P1/P2) is error and  Command Cannot be Executed\r\n6B00")});
        row("4442 read main", "SL4442ReadCenChu", {{"SL4442Add1", "10"}, {"SL4442Long", "3"}},
            positive('S', '3', sw("AABBCC 9000")), "F2000008 43 53 33 00 B0 00 10 03 03",
            {info(tc, "Execute OK\r\n9000")});
        row("4442 read protection", "SL4442ReadBaoHu", {{"SL4442Long", "20"}}, positive('S', '3', sw("6700")),
            "F2000008 43 53 33 00 B0 01 00 20 03",
            {info(tc, "The lenth of Lc is overflow and Command Cannot be Executed\r\n6700")});
        row("4442 write main", "SL4442WriteCenChu", {{"SL4442Add1", "40"}, {"SL4442Long", "02"}},
            positive('S', '3', sw("9000")), "F200000A 43 53 33 00 D0 00 40 02 A0 A1 03",
            {info(tc, "Execute OK\r\n9000")});
        row("4442 write protection", "SL4442WriteBaoHu", {{"SL4442Long", "01"}}, positive('S', '3', sw("6F00")),
            "F2000009 43 53 33 00 D0 01 00 01 A0 03", {info(tc, "Execute Error\r\n6F00")});
        row("4442 write length 0", "SL4442WriteCenChu", {{"SL4442Long", "00"}}, positive('S', '3', sw("6D00")),
            "F2000008 43 53 33 00 D0 00 00 00 03", {info(tc, "INS error  Command Cannot be Executed\r\n6D00")});
        row("unknown status word", "SL4442ReadCenChu", {}, positive('S', '3', sw("6A82")),
            "F2000008 43 53 33 00 B0 00 00 80 03", {info(tc, "Unknow Error\r\n6A82")});
        row("CLA error", "SL4442ReadCenChu", {}, positive('S', '3', sw("6E00")),
            "F2000008 43 53 33 00 B0 00 00 80 03", {info(tc, "CLA error  Command Cannot be Executed\r\n6E00")});

        // SLE4428.
        row("4428 verify", "SL4428PASS", {{"SL4428Pass1", "C3"}, {"SL4428Pass2", "5"}},
            positive('S', '4', sw("9000")), "F200000A 43 53 34 00 20 00 00 02 C3 05 03",
            {info(tc, "Execute OK\r\n9000")});
        row("4428 change", "SL4428CHANGE", {}, positive('S', '4', sw("9000")),
            "F200000A 43 53 34 00 24 01 00 02 FF FF 03", {info(tc, "Execute OK\r\n9000")});
        row("4428 read", "SL4428READAREA", {{"SL4428Add1", "02"}, {"SL4428Add2", "10"}, {"SL4428Long", "08"}},
            positive('S', '4', sw("9000")), "F2000008 43 53 34 00 B0 02 10 08 03", {info(tc, "Execute OK\r\n9000")});
        row("4428 read bits ignores high", "SL4428READBIT", {{"SL4428Add1", "03"}, {"SL4428Add2", "04"}},
            positive('S', '4', sw("9000")), "F2000008 43 53 34 00 B0 10 04 80 03", {info(tc, "Execute OK\r\n9000")});
        row("4428 write protected page 2", "SL4428WRITEAREA2",
            {{"SL4428Add1", "02"}, {"SL4428Add2", "10"}, {"SL4428Long", "01"}}, positive('S', '4', sw("9000")),
            "F2000009 43 53 34 00 D0 22 10 01 A0 03", {info(tc, "Execute OK\r\n9000")});
        row("4428 high 13 warns, sends 03", "SL4428WRITEAREA1", {{"SL4428Add1", "13"}, {"SL4428Long", "01"}},
            positive('S', '4', sw("9000")), "F2000009 43 53 34 00 D0 03 00 01 A0 03",
            {caution("Address out of range"), info(tc, "Execute OK\r\n9000")});
        row("4428 high 13 protected sends 23", "SL4428WRITEAREA2", {{"SL4428Add1", "13"}, {"SL4428Long", "01"}},
            positive('S', '4', sw("9000")), "F2000009 43 53 34 00 D0 23 00 01 A0 03",
            {caution("Address out of range"), info(tc, "Execute OK\r\n9000")});
        // One digit "3" is page 03h: the write must not land on page 00h.
        row("4428 high 3 one digit", "SL4428WRITEAREA2", {{"SL4428Add1", "3"}, {"SL4428Long", "01"}},
            positive('S', '4', sw("9000")), "F2000009 43 53 34 00 D0 23 00 01 A0 03",
            {info(tc, "Execute OK\r\n9000")});

        // AT24Cxx.
        row("24 activate 512", "IC24Reset", {}, positive('T', '0', ":"), "F2000004 43 54 30 30 03",
            {info("Activate", "24C512 Activate Success")});
        row("24 activate 02", "IC24Reset", {}, positive('T', '0', "2"), "F2000004 43 54 30 30 03",
            {info("Activate", "24C02 Activate Success")});
        row("24 activate no card", "IC24Reset", {}, positive('T', '0', "0"), "F2000004 43 54 30 30 03", {});
        row("24 status no card", "IC24ICStatus", {}, positive('T', '2', "0"), "F2000003 43 54 32 03",
            {info("Inquire Status)", "Non_card(24CXXX) actived")});
        row("24 status 256", "IC24ICStatus", {}, positive('T', '2', "9"), "F2000003 43 54 32 03",
            {info("Inquire Status)", "24C256 actived")});
        row("24 status 512 silent", "IC24ICStatus", {}, positive('T', '2', ":"), "F2000003 43 54 32 03", {});
        row("24 deactivate", "IC24ICDown", {}, positive('S', '1'), "F2000003 43 53 31 03",
            {info("Deactivate", "Deactivate Success")});
        row("24 read", "IC24XXREAD", {{"IC24XXADD1", "01"}, {"IC24XXADD2", "00"}, {"IC24XXLONG", "10"}},
            positive('T', '3', sw("9000")), "F2000008 43 54 33 00 B0 01 00 10 03", {info(tc, "Execute OK\r\n9000")});
        row("24 write", "IC24XXWRITE", {{"IC24XXADD2", "FE"}, {"IC24XXLONG", "03"}}, positive('T', '3', sw("9000")),
            "F200000B 43 54 33 00 D0 00 FE 03 A0 A1 A2 03", {info(tc, "Execute OK\r\n9000")});

        // A negative reply goes to the error table only.
        row("negative", "SL4442ReadCenChu", {}, negative('S', '3', "63"), "F2000008 43 53 33 00 B0 00 00 80 03",
            {info("Negative response:63", "IC card communication error (IC card does not respond).")});
    }
    void buttonFramesAndMessages()
    {
        QFETCH(QString, button);
        QFETCH(Boxes, boxes);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, frame);
        QFETCH(Messages, messages);
        MainFixture f;
        f.connectPort();
        fillGrid(f, 4, 0xA0);
        for (const auto &b : boxes)
            f.control<QLineEdit>(b.first)->setText(b.second);
        f.port.answerWith(reply);
        f.click(button);
        QCOMPARE(f.port.writes().value(0).toHex(' ').toUpper(), frame.toHex(' ').toUpper());
        QCOMPARE(f.prompter.shown(), messages);
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void readsFillTheGridAndMoveTheFocus()
    {
        MainFixture f;
        f.main.show();
        QApplication::setActiveWindow(&f.main);
        f.connectPort();
        fillGrid(f, 8, 0x10);  // stale contents are cleared first
        f.port.answerWith(positive('S', '3', QByteArray::fromHex("01020A9000")));
        f.click(QStringLiteral("SL4442ReadCenChu"));
        auto cell = [&](int i) { return f.control<QLineEdit>(QStringLiteral("ICText"), i)->text(); };
        QCOMPARE(cell(0), QStringLiteral("01"));
        QCOMPARE(cell(1), QStringLiteral("02"));
        QCOMPARE(cell(2), QStringLiteral("0A"));
        QCOMPARE(cell(3), QString());
        QCOMPARE(cell(7), QString());
        QCOMPARE(QApplication::focusWidget(), f.control<QWidget>(QStringLiteral("ICText"), 3));

        // A status word other than 9000 leaves the grid empty.
        fillGrid(f, 2, 0x10);
        f.port.answerWith(positive('T', '3', QByteArray::fromHex("01026B00")));
        f.click(QStringLiteral("IC24XXREAD"));
        QCOMPARE(cell(0), QString());
        QCOMPARE(cell(1), QString());

        // A full read of 128 bytes fills every cell and wraps the focus to cell 0.
        QByteArray all;
        for (int i = 0; i < 128; ++i)
            all.append(char(i));
        f.port.answerWith(positive('S', '4', all + QByteArray::fromHex("9000")));
        f.click(QStringLiteral("SL4428READAREA"));
        QCOMPARE(cell(127), QStringLiteral("7F"));
        QCOMPARE(cell(16), QStringLiteral("10"));
        QCOMPARE(QApplication::focusWidget(), f.control<QWidget>(QStringLiteral("ICText"), 0));

        // The security memory goes into the message, never into the grid.
        f.port.answerWith(positive('S', '3', QByteArray::fromHex("070000009000")));
        f.click(QStringLiteral("SL4442ReadAnquan"));
        QCOMPARE(cell(0), QString());
    }

    void badInputsSendNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<int>("filledCells");
        QTest::newRow("empty address") << "SL4442ReadCenChu" << Boxes{{"SL4442Add1", ""}} << 0;
        QTest::newRow("empty password") << "SL4442Pass" << Boxes{{"SL4442Pass2", ""}} << 0;
        QTest::newRow("pasted non-hex") << "SL4428PASS" << Boxes{{"SL4428Pass1", "G1"}} << 0;
        QTest::newRow("length 81 write") << "SL4442WriteCenChu" << Boxes{{"SL4442Long", "81"}} << 128;
        QTest::newRow("length FF write") << "IC24XXWRITE" << Boxes{{"IC24XXLONG", "FF"}} << 128;
        QTest::newRow("empty grid cell") << "SL4428WRITEAREA1" << Boxes{{"SL4428Long", "04"}} << 3;
        QTest::newRow("empty length") << "IC24XXREAD" << Boxes{{"IC24XXLONG", ""}} << 0;
    }
    void badInputsSendNothing()
    {
        QFETCH(QString, button);
        QFETCH(Boxes, boxes);
        QFETCH(int, filledCells);
        MainFixture f;
        f.connectPort();
        fillGrid(f, filledCells, 0);
        for (const auto &b : boxes)
            f.control<QLineEdit>(b.first)->setText(b.second);
        f.click(button);
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.prompter.shown(), Messages{caution(DataErr)});
        QCOMPARE(f.log(), QStringLiteral("\r\n"));
    }

    void singleDigitCellsCountAsTheirValue()
    {
        MainFixture f;
        f.connectPort();
        f.control<QLineEdit>(QStringLiteral("ICText"), 0)->setText(QStringLiteral("5"));
        f.control<QLineEdit>(QStringLiteral("ICText"), 1)->setText(QStringLiteral("C1"));
        f.control<QLineEdit>(QStringLiteral("IC24XXLONG"))->setText(QStringLiteral("02"));
        f.port.answerWith(positive('T', '3', QByteArray::fromHex("9000")));
        f.click(QStringLiteral("IC24XXWRITE"));
        QCOMPARE(f.port.writes().value(0).mid(7, 7).toHex(' '), QByteArray("00 d0 00 00 02 05 c1"));
    }

    void repliesTooShortForTheStatusWord()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('S', '3', QByteArray::fromHex("90")));
        f.click(QStringLiteral("SL4442Pass"));
        QCOMPARE(f.prompter.shown(), Messages{caution(DataErr)});
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));

        // Exactly the status word and no data: an empty grid and "Execute OK".
        f.prompter.clear();
        f.port.answerWith(positive('S', '3', QByteArray::fromHex("9000")));
        f.click(QStringLiteral("SL4442ReadCenChu"));
        QCOMPARE(f.prompter.shown(), Messages{info("Transmit Command", "Execute OK\r\n9000")});
    }

    void portClosedRefusesEveryButton_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *b : {"SiemensICUp1", "SL4442ReadCenChu", "SL4428WRITEAREA2", "IC24ICDown", "IC24XXREAD",
                              "ICTestTypeCmd", "CPURUN", "SIMRUN"})
            QTest::newRow(b) << QString::fromLatin1(b);
    }
    void portClosedRefusesEveryButton()
    {
        QFETCH(QString, button);
        MainFixture f;
        f.click(button);
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.prompter.shown(), Messages{caution(QStringLiteral("Comm. Port Setup First"))});
        QVERIFY(!QApplication::activeModalWidget());
    }

    void cardTypeSwitchesPages_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");  // -1: unchanged
        QTest::newRow("00") << QByteArray("00") << "Unknow Type" << -1;
        QTest::newRow("10") << QByteArray("10") << "T=0 CPU Card" << 0;
        QTest::newRow("11") << QByteArray("11") << "T=1 CPU Card" << 0;
        QTest::newRow("20") << QByteArray("20") << "SLE4442 Card" << 1;
        QTest::newRow("21") << QByteArray("21") << "SLE4428 Card" << 2;
        QTest::newRow("30") << QByteArray("30") << "24C01 Card" << 4;
        QTest::newRow("34") << QByteArray("34") << "24C16 Card" << 4;
        QTest::newRow("38") << QByteArray("38") << "24C256 Card" << 4;
        QTest::newRow("39") << QByteArray("39") << "Unknow Error" << -1;
        QTest::newRow("' 20' trimmed") << QByteArray(" 2") << "Unknow Error" << -1;
        QTest::newRow("missing") << QByteArray() << "Unknow Error" << -1;
    }
    void cardTypeSwitchesPages()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, text);
        QFETCH(int, page);
        MainFixture f;
        f.connectPort();
        auto *tab1 = f.control<QTabWidget>(QStringLiteral("SSTab1"));
        auto *tab2 = f.control<QTabWidget>(QStringLiteral("SSTab2"));
        tab1->setCurrentIndex(3);
        tab2->setCurrentIndex(6);
        f.port.answerWith(positive('P', '0', code));
        f.click(QStringLiteral("ICTestTypeCmd"));
        QCOMPARE(f.port.lastFrame(), request("F2000003 43 50 30 03"));
        QCOMPARE(f.prompter.shown(), Messages{info("Test IC Type", "Test IC Type Complete\r\n" + text)});
        QCOMPARE(tab1->currentIndex(), page < 0 ? 3 : 1);
        QCOMPARE(tab2->currentIndex(), page < 0 ? 6 : page);
    }

    void pageLayout()
    {
        MainFixture f;
        auto *tab2 = f.control<QTabWidget>(QStringLiteral("SSTab2"));
        QStringList captions;
        for (int i = 0; i < tab2->count(); ++i)
            captions << tab2->tabText(i);
        QCOMPARE(captions, (QStringList{"CPU/SAM", "SLE4442", "SLE4428", "AT88SC102", "24CXX", "AT88SC1604",
                                        "AT88SC1608", "AT45D041"}));
        QCOMPARE(f.control<QLabel>(QStringLiteral("ICTextHeader"))->text(),
                 QStringLiteral("             00    01    02    03    04    05    06    07    08    09   0A    0B  "
                                " 0C    0D    0E    0F"));
        QCOMPARE(f.control<QLabel>(QStringLiteral("ICTextRow"), 7)->text(), QStringLiteral("07"));
        QCOMPARE(f.control<QLineEdit>(QStringLiteral("ICText"), 127)->maxLength(), 2);
        // The hex filter on the 1604/1608 boxes, any character on the 102 page.
        QCOMPARE(f.control<FilteredLineEdit>(QStringLiteral("ATC1608Vri08"))->filter(), FilteredLineEdit::Filter::Hex);
        QCOMPARE(f.control<FilteredLineEdit>(QStringLiteral("ATC1604A6format"))->filter(),
                 FilteredLineEdit::Filter::Hex);
        QCOMPARE(f.control<FilteredLineEdit>(QStringLiteral("ATC102Add"))->filter(), FilteredLineEdit::Filter::Any);
        for (const char *box : {"SL4442Add1", "SL4428Long", "IC24XXADD1", "SL4442Pass3"}) {
            auto *b = f.control<FilteredLineEdit>(QString::fromLatin1(box));
            QCOMPARE(b->filter(), FilteredLineEdit::Filter::Hex);
            QCOMPARE(b->maxLength(), 2);
        }
        // The buttons without an operation send nothing.
        f.connectPort();
        f.click(QStringLiteral("ATC1604Read"));
        f.click(QStringLiteral("AT45Write"));
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
    }
};

QTEST_MAIN(TestContactPanels)
#include "tst_contact_panels.moc"
