// Every operator box that feeds a command, given what an operator can paste
// into it: empty text, non-hex characters, too much, an odd number of APDU
// digits, values beyond 32 bits. A refused input shows its one message, puts
// nothing on the line, and the next command goes out as usual.
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
const QByteArray kOkData = QByteArray::fromHex("9000");

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
        QTest::addColumn<QString>("window");      // "" for the main window, else the button opening the modal one
        QTest::addColumn<QStringList>("setup");   // NAME=VALUE, pasted before the box under test
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");     // exclamation/"Caution"; empty: none
        QTest::addColumn<bool>("blankLine");      // refusal still ends the log with CR LF
        QTest::addColumn<QByteArray>("sent");     // what the click sends; empty: nothing

        const QString main;
        const QStringList none;
        const QByteArray nothing;
        auto refused = [&](const char *row, const QString &window, const QStringList &setup, const char *box,
                           const QString &text, const char *button, const QString &message, bool blankLine) {
            QTest::newRow(row) << window << setup << QString::fromLatin1(box) << text << QString::fromLatin1(button)
                               << message << blankLine << nothing;
        };
        auto accepted = [&](const char *row, const QString &window, const char *box, const QString &text,
                            const char *button, const char *sent) {
            QTest::newRow(row) << window << QStringList{} << QString::fromLatin1(box) << text
                               << QString::fromLatin1(button) << QString() << false << hexBytes(sent);
        };

        // SLE4442: code boxes, address, length and the data grid.
        refused("4442 code 1 empty", main, none, "SL4442Pass1", "", "SL4442Pass", kDataError, true);
        refused("4442 code 2 non-hex", main, none, "SL4442Pass2", "ZZ", "SL4442Change", kDataError, true);
        refused("4442 code 3 sign", main, none, "SL4442Pass3", "-1", "SL4442Pass", kDataError, true);
        refused("4442 address empty", main, none, "SL4442Add1", "", "SL4442ReadCenChu", kDataError, true);
        refused("4442 address 0x", main, none, "SL4442Add1", "0x", "SL4442ReadBaoHu", kDataError, true);
        refused("4442 length non-hex", main, none, "SL4442Long", "G0", "SL4442ReadCenChu", kDataError, true);
        refused("4442 length past grid", main, {"ICText(0)=AB", "ICText(1)=CD"}, "SL4442Long", "81", "SL4442WriteCenChu", kDataError, true);
        refused("4442 length empty", main, {"ICText(0)=AB"}, "SL4442Long", "", "SL4442WriteCenChu", kDataError, true);
        refused("4442 grid cell empty", main, {"SL4442Long=02", "ICText(0)=AB"}, "ICText(1)", "", "SL4442WriteBaoHu", kDataError, true);
        refused("4442 grid cell non-hex", main, {"SL4442Long=01"}, "ICText(0)", "Q7", "SL4442WriteCenChu", kDataError, true);

        // SLE4428.
        refused("4428 code 1 empty", main, {"SL4428Pass2=FF"}, "SL4428Pass1", "", "SL4428PASS", kDataError, true);
        refused("4428 code 2 non-hex", main, {"SL4428Pass1=AB"}, "SL4428Pass2", "GG", "SL4428CHANGE", kDataError, true);
        refused("4428 high address empty", main, none, "SL4428Add1", "", "SL4428READAREA", kDataError, true);
        refused("4428 low address non-hex", main, none, "SL4428Add2", "Z", "SL4428READBIT", kDataError, true);
        refused("4428 high address before write", main, {"SL4428Long=01", "ICText(0)=99"}, "SL4428Add1", "x3", "SL4428WRITEAREA2", kDataError, true);
        refused("4428 length past grid", main, {"ICText(0)=99"}, "SL4428Long", "81", "SL4428WRITEAREA1", kDataError, true);

        // AT24Cxx.
        refused("24C high address empty", main, none, "IC24XXADD1", "", "IC24XXREAD", kDataError, true);
        refused("24C low address non-hex", main, none, "IC24XXADD2", "H1", "IC24XXREAD", kDataError, true);
        refused("24C length past grid", main, {"ICText(0)=EE"}, "IC24XXLONG", "81", "IC24XXWRITE", kDataError, true);

        // Capture card counter: text travels as its characters, padded to three.
        accepted("counter empty", main, "IRTenKaEdit", "", "IRTenKaFormatCMD", "F2 00 00 06 43 A5 31 30 30 30 03 10");
        accepted("counter pasted letter", main, "IRTenKaEdit", "4x", "IRTenKaFormatCMD",
                 "F2 00 00 06 43 A5 31 30 34 78 03 5C");
        accepted("counter overlong", main, "IRTenKaEdit", "12345", "IRTenKaFormatCMD",
                 "F2 00 00 06 43 A5 31 31 32 33 03 10");

        // Mifare key cells (sector 01, key A by default).
        refused("key cell empty", main, none, "SRFPASSWORDLIST(0)", "", "RFCheckPasswordBtn", kDataError, true);
        refused("key cell non-hex", main, none, "SRFPASSWORDLIST(5)", "X1", "StoreKeyToEEBtn", kDataError, true);
        refused("key cell punctuation", main, none, "SRFPASSWORDLIST(2)", "?", "RFChangePasswordBtn", kDataError, true);

        // Mifare block and Ultralight page cells: incomplete cells have their own message.
        const QStringList block{"SRFTextLIST=" + sixteenCells("00")};
        refused("block cell empty", main, block, "SRFTextLIST(3)", "", "RFwriteBtn", kInputFirst, false);
        refused("block cell non-hex", main, block, "SRFTextLIST(15)", "G0", "RFwriteBtn", kDataError, true);
        const QStringList page{"ULTextLIST=01020304"};
        refused("page cell empty", main, page, "ULTextLIST(2)", "", "ULCmdRwrite", kInputFirst, false);
        refused("page cell non-hex", main, page, "ULTextLIST(0)", "K9", "ULCmdRwrite", kDataError, true);

        // Purse value (sector 01, block 00): decimal, signed 32 bits on the wire.
        refused("purse empty", main, none, "PurseValueText", "", "INITRFCmd", kDataError, true);
        refused("purse non-digit", main, none, "PurseValueText", "12a", "INCRFCmd", kDataError, true);
        refused("purse above int32", main, none, "PurseValueText", "2147483648", "DECRFCmd", kDataError, true);
        refused("purse above 32 bits", main, none, "PurseValueText", "4294967296", "INCRFCmd", kDataError, true);
        refused("purse overlong", main, none, "PurseValueText", "99999999999", "INITRFCmd", kDataError, true);

        // Type A / Type B APDU on the RF page: any refusal stops before the log's blank line.
        refused("type A odd", main, none, "TypeACAPDUText", "00A400000", "SendTypeACmd", kDataError, false);
        refused("type B non-hex", main, none, "TypeBCAPDUText", "00A4G0", "SendTypeBCmd", kDataError, false);
        refused("type A beyond the box", main, none, "TypeACAPDUText", QStringLiteral("A").repeated(40000), "SendTypeACmd", kDataError, false);
        accepted("type A empty", main, "TypeACAPDUText", "", "SendTypeACmd", "F2 00 00 03 43 60 34 03 E5");

        // CPU card and SAM windows: odd length ends without the blank line, a bad pair with it.
        const QString cpu = QStringLiteral("CPURUN"), sam = QStringLiteral("SIMRUN");
        refused("CPU odd", cpu, none, "CmdText", "00A4000", "SendCmdBtn", kDataError, false);
        refused("CPU non-hex", cpu, none, "CmdText", "00G4", "SendCmdBtn", kDataError, true);
        refused("CPU beyond the box", cpu, none, "CmdText", QStringLiteral("B").repeated(40000), "SendCmdBtn", kDataError, false);
        accepted("CPU empty", cpu, "CmdText", "", "SendCmdBtn", "F2 00 00 03 43 51 39 03 D9");
        refused("SAM odd", sam, none, "CmdText", "ABC", "SendCmd", kDataError, false);
        refused("SAM pasted prefix", sam, none, "CmdText", "0x84", "SendCmd", kDataError, true);
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

        MainFixture f;
        f.connectPort();
        // Record Data ticked: the log must keep what came before, plus at most the blank line.
        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.main.log().append(kMarker);
        // Every request is answered positively, echoing its own CM and PM.
        f.port.setResponder([](int, qint32, const QByteArray &frame) {
            return QList<Chunk>{{0, QByteArray(1, '\x06') + positive(quint8(frame[5]), quint8(frame[6]), kOkData)}};
        });

        auto exercise = [&](QWidget *root) {
            applySetup(root, setup);
            QVERIFY2(setControl(root, box + "=" + text), qPrintable(QStringLiteral("no box %1").arg(box)));
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

            // The program goes on: the next command is sent. (What each box
            // sends once valid is in tst_commands.)
            QVERIFY(click(root, window.isEmpty() ? QStringLiteral("CardStatusBtn") : QStringLiteral("CheckStatusBtn")));
            QCOMPARE(f.port.writes().size(), 2);  // the frame and the ACK of its reply
        };

        bool ran = false;
        actIn(f, window, [&](QWidget *w) {
            exercise(w);
            ran = true;
        });
        QVERIFY2(ran, qPrintable(QStringLiteral("window of %1 did not open").arg(window)));
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
