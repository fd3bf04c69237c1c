// Every operator box that feeds a command, given what an operator can paste
// into it: empty text, non-hex characters, too much, an odd number of APDU
// digits, values beyond 32 bits. A refused input shows its one message, puts
// nothing on the line, and the same button works again once the box is fixed.
// Inputs the tool defines as valid (an empty counter, an empty APDU) must go
// out as the frame they stand for.

#include "link/execute_command.h"
#include "support/control_setup.h"

#include <QCheckBox>

using namespace mdq;
using namespace mdqtest;

namespace {

bool click(QWidget *root, const QString &name)
{
    auto *b = childOf<QAbstractButton>(root, name);
    if (b)
        b->click();
    return b != nullptr;
}

const QString kInputFirst = QStringLiteral("Please input the data first");
const QString kMarker = QStringLiteral("earlier traffic\r\n");
const QByteArray kOk = positive('P', '0', QByteArray::fromHex("9000"));

QString sixteenCells(const char *last)
{
    return QStringLiteral("00").repeated(15) + QLatin1String(last);
}

}  // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void box_data()
    {
        QTest::addColumn<QString>("window");      // "" for the main window, else the modal one
        QTest::addColumn<QStringList>("setup");   // NAME=VALUE, pasted before the box under test
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");     // exclamation/"Caution"; empty: none
        QTest::addColumn<bool>("blankLine");      // refusal still ends the log with CR LF
        QTest::addColumn<QByteArray>("sent");     // what the click sends; empty: nothing
        QTest::addColumn<QString>("valid");       // then a valid text for the same box...
        QTest::addColumn<QByteArray>("retry");    // ...sends exactly this

        const QString main;
        const QStringList none;
        const QByteArray nothing;
        auto refused = [&](const char *row, const QString &window, const QStringList &setup, const char *box,
                           const QString &text, const char *button, const QString &message, bool blankLine,
                           const char *valid, const char *retry) {
            QTest::newRow(row) << window << setup << QString::fromLatin1(box) << text << QString::fromLatin1(button)
                               << message << blankLine << nothing << QString::fromLatin1(valid) << hexBytes(retry);
        };
        auto accepted = [&](const char *row, const QString &window, const char *box, const QString &text,
                            const char *button, const char *sent) {
            QTest::newRow(row) << window << QStringList{} << QString::fromLatin1(box) << text
                               << QString::fromLatin1(button) << QString() << false << hexBytes(sent) << QString()
                               << QByteArray();
        };

        // SLE4442: code boxes, address, length and the data grid.
        refused("4442 code 1 empty", main, none, "SL4442Pass1", "", "SL4442Pass", kDataError, true, "12",
                "F2 00 00 0B 43 53 33 00 20 03 01 03 12 FF FF 03 EA");
        refused("4442 code 2 non-hex", main, none, "SL4442Pass2", "ZZ", "SL4442Change", kDataError, true, "34",
                "F2 00 00 0B 43 53 33 00 D0 02 01 03 FF 34 FF 03 3D");
        refused("4442 code 3 sign", main, none, "SL4442Pass3", "-1", "SL4442Pass", kDataError, true, "56",
                "F2 00 00 0B 43 53 33 00 20 03 01 03 FF FF 56 03 AE");
        refused("4442 address empty", main, none, "SL4442Add1", "", "SL4442ReadCenChu", kDataError, true, "40",
                "F2 00 00 08 43 53 33 00 B0 00 40 80 03 AA");
        refused("4442 address 0x", main, none, "SL4442Add1", "0x", "SL4442ReadBaoHu", kDataError, true, "1F",
                "F2 00 00 08 43 53 33 00 B0 01 1F 80 03 F4");
        refused("4442 length non-hex", main, none, "SL4442Long", "G0", "SL4442ReadCenChu", kDataError, true, "10",
                "F2 00 00 08 43 53 33 00 B0 00 00 10 03 7A");
        refused("4442 length past grid", main, {"ICText(0)=AB", "ICText(1)=CD"}, "SL4442Long", "81",
                "SL4442WriteCenChu", kDataError, true, "02", "F2 00 00 0A 43 53 33 00 D0 00 00 02 AB CD 03 6C");
        refused("4442 length empty", main, {"ICText(0)=AB"}, "SL4442Long", "", "SL4442WriteCenChu", kDataError, true,
                "01", "F2 00 00 09 43 53 33 00 D0 00 00 01 AB 03 A1");
        refused("4442 grid cell empty", main, {"SL4442Long=02", "ICText(0)=AB"}, "ICText(1)", "", "SL4442WriteBaoHu",
                kDataError, true, "5A", "F2 00 00 0A 43 53 33 00 D0 01 00 02 AB 5A 03 FA");
        refused("4442 grid cell non-hex", main, {"SL4442Long=01"}, "ICText(0)", "Q7", "SL4442WriteCenChu", kDataError,
                true, "07", "F2 00 00 09 43 53 33 00 D0 00 00 01 07 03 0D");

        // SLE4428.
        refused("4428 code 1 empty", main, {"SL4428Pass2=FF"}, "SL4428Pass1", "", "SL4428PASS", kDataError, true,
                "12", "F2 00 00 0A 43 53 34 00 20 00 00 02 12 FF 03 10");
        refused("4428 code 2 non-hex", main, {"SL4428Pass1=AB"}, "SL4428Pass2", "GG", "SL4428CHANGE", kDataError,
                true, "34", "F2 00 00 0A 43 53 34 00 24 01 00 02 AB 34 03 67");
        refused("4428 high address empty", main, none, "SL4428Add1", "", "SL4428READAREA", kDataError, true, "02",
                "F2 00 00 08 43 53 34 00 B0 02 00 80 03 EF");
        refused("4428 low address non-hex", main, none, "SL4428Add2", "Z", "SL4428READBIT", kDataError, true, "10",
                "F2 00 00 08 43 53 34 00 B0 10 10 80 03 ED");
        refused("4428 high address before write", main, {"SL4428Long=01", "ICText(0)=99"}, "SL4428Add1", "x3",
                "SL4428WRITEAREA2", kDataError, true, "03", "F2 00 00 09 43 53 34 00 D0 23 00 01 99 03 B7");
        refused("4428 length past grid", main, {"ICText(0)=99"}, "SL4428Long", "81", "SL4428WRITEAREA1", kDataError,
                true, "01", "F2 00 00 09 43 53 34 00 D0 00 00 01 99 03 94");

        // AT24Cxx.
        refused("24C high address empty", main, none, "IC24XXADD1", "", "IC24XXREAD", kDataError, true, "01",
                "F2 00 00 08 43 54 33 00 B0 01 00 80 03 EC");
        refused("24C low address non-hex", main, none, "IC24XXADD2", "H1", "IC24XXREAD", kDataError, true, "20",
                "F2 00 00 08 43 54 33 00 B0 00 20 80 03 CD");
        refused("24C length past grid", main, {"ICText(0)=EE"}, "IC24XXLONG", "81", "IC24XXWRITE", kDataError, true,
                "01", "F2 00 00 09 43 54 33 00 D0 00 00 01 EE 03 E3");

        // Capture card counter: text travels as its characters, padded to three.
        accepted("counter empty", main, "IRTenKaEdit", "", "IRTenKaFormatCMD", "F2 00 00 06 43 A5 31 30 30 30 03 10");
        accepted("counter pasted letter", main, "IRTenKaEdit", "4x", "IRTenKaFormatCMD",
                 "F2 00 00 06 43 A5 31 30 34 78 03 5C");
        accepted("counter overlong", main, "IRTenKaEdit", "12345", "IRTenKaFormatCMD",
                 "F2 00 00 06 43 A5 31 31 32 33 03 10");

        // Mifare key cells (sector 01, key A by default).
        refused("key cell empty", main, none, "SRFPASSWORDLIST(0)", "", "RFCheckPasswordBtn", kDataError, true, "A0",
                "F2 00 00 0E 43 60 33 00 20 00 01 06 A0 FF FF FF FF FF 03 97");
        refused("key cell non-hex", main, none, "SRFPASSWORDLIST(5)", "X1", "StoreKeyToEEBtn", kDataError, true, "B5",
                "F2 00 00 0E 43 60 33 00 D0 00 01 06 FF FF FF FF FF B5 03 72");
        refused("key cell punctuation", main, none, "SRFPASSWORDLIST(2)", "?", "RFChangePasswordBtn", kDataError,
                true, "C2", "F2 00 00 0E 43 60 33 00 D5 00 01 06 FF FF C2 FF FF FF 03 00");

        // Mifare block and Ultralight page cells: incomplete cells have their own message.
        const QStringList block{"SRFTextLIST=" + sixteenCells("00")};
        refused("block cell empty", main, block, "SRFTextLIST(3)", "", "RFwriteBtn", kInputFirst, false, "00",
                "F2 00 00 18 43 60 33 00 D1 01 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 28");
        refused("block cell non-hex", main, block, "SRFTextLIST(15)", "G0", "RFwriteBtn", kDataError, true, "F0",
                "F2 00 00 18 43 60 33 00 D1 01 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F0 03 D8");
        const QStringList page{"ULTextLIST=01020304"};
        refused("page cell empty", main, page, "ULTextLIST(2)", "", "ULCmdRwrite", kInputFirst, false, "33",
                "F2 00 00 0C 43 60 33 00 D1 04 00 01 01 02 33 04 03 0D");
        refused("page cell non-hex", main, page, "ULTextLIST(0)", "K9", "ULCmdRwrite", kDataError, true, "AA",
                "F2 00 00 0C 43 60 33 00 D1 04 00 01 AA 02 03 04 03 96");

        // Purse value (sector 01, block 00): decimal, signed 32 bits on the wire.
        refused("purse empty", main, none, "PurseValueText", "", "INITRFCmd", kDataError, true, "100",
                "F2 00 00 0C 43 60 33 00 D2 01 00 04 64 00 00 00 03 5E");
        refused("purse non-digit", main, none, "PurseValueText", "12a", "INCRFCmd", kDataError, true, "100",
                "F2 00 00 0C 43 60 33 00 D3 01 00 04 64 00 00 00 03 5F");
        refused("purse above int32", main, none, "PurseValueText", "2147483648", "DECRFCmd", kDataError, true,
                "2147483647", "F2 00 00 0C 43 60 33 00 D4 01 00 04 FF FF FF 7F 03 BC");
        refused("purse above 32 bits", main, none, "PurseValueText", "4294967296", "INCRFCmd", kDataError, true,
                "1", "F2 00 00 0C 43 60 33 00 D3 01 00 04 01 00 00 00 03 3A");
        refused("purse overlong", main, none, "PurseValueText", "99999999999", "INITRFCmd", kDataError, true, "0",
                "F2 00 00 0C 43 60 33 00 D2 01 00 04 00 00 00 00 03 3A");

        // Type A / Type B APDU on the RF page: any refusal stops before the log's blank line.
        refused("type A odd", main, none, "TypeACAPDUText", "00A400000", "SendTypeACmd", kDataError, false,
                "0084000008", "F2 00 00 08 43 60 34 00 84 00 00 08 03 62");
        refused("type B non-hex", main, none, "TypeBCAPDUText", "00A4G0", "SendTypeBCmd", kDataError, false,
                "0084000008", "F2 00 00 08 43 60 35 00 84 00 00 08 03 63");
        refused("type A beyond the box", main, none, "TypeACAPDUText", QStringLiteral("A").repeated(40000),
                "SendTypeACmd", kDataError, false, "00", "F2 00 00 04 43 60 34 00 03 E2");
        accepted("type A empty", main, "TypeACAPDUText", "", "SendTypeACmd", "F2 00 00 03 43 60 34 03 E5");

        // CPU card and SAM windows: odd length ends without the blank line, a bad pair with it.
        const QString cpu = QStringLiteral("CPUCARD"), sam = QStringLiteral("SimCard");
        refused("CPU odd", cpu, none, "CmdText", "00A4000", "SendCmdBtn", kDataError, false, "0084000008",
                "F2 00 00 08 43 51 39 00 84 00 00 08 03 5E");
        refused("CPU non-hex", cpu, none, "CmdText", "00G4", "SendCmdBtn", kDataError, true, "0084000008",
                "F2 00 00 08 43 51 39 00 84 00 00 08 03 5E");
        refused("CPU beyond the box", cpu, none, "CmdText", QStringLiteral("B").repeated(40000), "SendCmdBtn",
                kDataError, false, "00", "F2 00 00 04 43 51 39 00 03 DE");
        accepted("CPU empty", cpu, "CmdText", "", "SendCmdBtn", "F2 00 00 03 43 51 39 03 D9");
        refused("SAM odd", sam, none, "CmdText", "ABC", "SendCmd", kDataError, false, "00A40000023F00",
                "F2 00 00 0A 43 52 39 00 A4 00 00 02 3F 00 03 4A");
        refused("SAM pasted prefix", sam, none, "CmdText", "0x84", "SendCmd", kDataError, true, "0084",
                "F2 00 00 05 43 52 39 00 84 03 58");
    }

    void box()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, setup);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, message);
        QFETCH(bool, blankLine);
        QFETCH(QByteArray, sent);
        QFETCH(QString, valid);
        QFETCH(QByteArray, retry);

        MainFixture f;
        f.connectPort();
        // Record Data ticked: the log must keep what came before, plus at most the blank line.
        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.main.log().append(kMarker);

        auto exercise = [&](QWidget *root) {
            applySetup(root, setup);
            QVERIFY2(setControl(root, box + "=" + text), qPrintable(QStringLiteral("no box %1").arg(box)));
            if (!sent.isEmpty())
                f.port.answerWith(kOk);
            QVERIFY2(click(root, button), qPrintable(QStringLiteral("no button %1").arg(button)));

            const QList<Shown> shown = f.prompter.shown();
            if (message.isEmpty()) {
                for (const Shown &s : shown)
                    QVERIFY2(s.icon != Icon::Exclamation, qPrintable(s.text));
                QCOMPARE(f.port.lastFrame(), sent);
                return;
            }
            QCOMPARE(shown, (QList<Shown>{{Icon::Exclamation, QStringLiteral("Caution"), message}}));
            QVERIFY2(f.port.writes().isEmpty(), "a refused input reached the line");
            QCOMPARE(f.log(), kMarker + (blankLine ? QStringLiteral("\r\n") : QString()));

            // The program goes on: fixed, the same button sends the intended frame.
            f.prompter.clear();
            QVERIFY(setControl(root, box + "=" + valid));
            f.port.answerWith(kOk);
            QVERIFY(click(root, button));
            for (const Shown &s : f.prompter.shown())
                QVERIFY2(s.icon != Icon::Exclamation, qPrintable(s.text));
            QCOMPARE(f.port.writes().value(0), retry);
        };

        if (window.isEmpty()) {
            exercise(&f.main);
            return;
        }
        bool ran = false;
        onModal([&](QWidget *w) {
            if (w->objectName() == window) {
                exercise(w);
                ran = true;
            }
            click(w, QStringLiteral("BackCmd"));
        });
        f.click(window == QLatin1String("SimCard") ? QStringLiteral("SIMRUN") : QStringLiteral("CPURUN"));
        QVERIFY2(ran, qPrintable(QStringLiteral("window %1 did not open").arg(window)));
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
