// Every command button against the scripted reader, one row each: the state
// the operator set up, the frame the click sends (written out byte by byte),
// the messages its reply gives and what the windows show afterwards. The rows
// of the CPU card and SAM windows run inside the window their page opens.
// What an operator can paste into a box that feeds a command is here too: a
// refused input shows its one message, sends nothing, leaves the log cleared
// (with the command's blank line or without), and the next command goes out.
// Before "Setup Comm" every command button refuses the same way: the one
// caution "Comm. Port Setup First", nothing on the line, the log untouched and
// no window opened. The walk takes every push button of the main window's
// pages and of the CPU card and SAM windows, so a new command button that
// forgets the check fails here. The buttons of the pages without commands
// (AT88SC102/1604/1608, AT45D041, the life counter) do nothing even when open.
// "Save To": the traffic log written to the file the operator chooses, never
// losing an existing file when the write fails.

#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "shell/log_file.h"
#include "ui/remembered.h"
#include "support/control_setup.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace mdqtest;
using mdq::Icon;

namespace {
const QString Ok9000 = QStringLiteral("Execute OK\r\n9000");
const QString Tc = QStringLiteral("Transmit Command|");
const QString NoResponse = QStringLiteral("Negative response:63|IC card communication error (IC card does not respond).");
const QByteArray Sw9000 = hexBytes("9000");

const QString Confirm =
    QStringLiteral("Are you sure to modify\r\nthe password of present sector and control key memory area?");
const QString InputFirst = QStringLiteral("Please input the data first");

// "Title|Text": an information box; "!Text": a caution; "?Text": a question.
Shown parseMessage(const QString &m)
{
    if (m.startsWith(QLatin1Char('!')) || m.startsWith(QLatin1Char('?')))
        return {m[0] == QLatin1Char('!') ? mdq::Icon::Exclamation : mdq::Icon::Question, QStringLiteral("Caution"), m.mid(1)};
    const int bar = int(m.indexOf(QLatin1Char('|')));
    return {mdq::Icon::Information, m.left(bar), m.mid(bar + 1)};
}

void row(const char *name, const QStringList &setup, const char *button, const QByteArray &reply, const char *frame,
         const QStringList &messages, const QStringList &after = {}, const char *window = "")
{
    QTest::newRow(name) << QString::fromLatin1(window) << setup << QString::fromLatin1(button) << reply
                        << hexBytes(frame) << messages << after;
}
void cpu(const char *name, const QStringList &setup, const char *button, const QByteArray &reply, const char *frame,
         const QStringList &messages, const QStringList &after = {})
{
    row(name, setup, button, reply, frame, messages, after, "CPURUN");
}
void sam(const char *name, const QStringList &setup, const char *button, const QByteArray &reply, const char *frame,
         const QStringList &messages, const QStringList &after = {})
{
    row(name, setup, button, reply, frame, messages, after, "SIMRUN");
}

// Buttons that send nothing: the port and log controls, the windows' Back, the Station window,
// and the pages whose cards the reader has no commands for.
bool sendsNothing(const QString &name)
{
    static const QStringList own{"EXITGRM",     "IROpencom",    "IRCLOSECOM", "ClearSDTDText", "SaveSDTDText",
                                 "BackCmd",     "StopWaitBtn",  "ExportTraceBtn", "OpenTraceBtn", "AddRemarkBtn",
                                 "OpenTraceFolderBtn", "StationBtn"};
    return own.contains(name) || name.startsWith(QLatin1String("ATC")) || name.startsWith(QLatin1String("AT45"));
}

// Clicks every command button under root; returns their names.
QStringList clickAll(MainFixture &f, QWidget *root)
{
    QStringList clicked;
    for (QPushButton *b : root->findChildren<QPushButton *>()) {
        if (sendsNothing(b->objectName()))
            continue;
        f.prompter.clear();
        b->click();
        const QString name = b->objectName() + QLatin1Char(' ') + b->text();
        if (f.prompter.shown() != QList<Shown>{{mdq::Icon::Exclamation, "Caution", "Comm. Port Setup First"}})
            QTest::qFail(qPrintable(name + QStringLiteral(" did not refuse")), __FILE__, __LINE__);
        clicked << b->objectName();
    }
    return clicked;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

const QString kExchange = QStringLiteral(
    "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n");
}  // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void command_data()
    {
        QTest::addColumn<QString>("window");        // "": the main window; else the button that opens it
        QTest::addColumn<QStringList>("setup");     // see control_setup.h; answer=OK|Cancel: the next question
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply");      // the reader's reply frame (after its ACK)
        QTest::addColumn<QByteArray>("frame");      // what the click sends; empty: nothing
        QTest::addColumn<QStringList>("messages");  // "Title|Text" information, "!Text" caution, "?Text" question
        QTest::addColumn<QStringList>("after");     // NAME=VALUE shown afterwards (see controlValue); log=TEXT
        const QString rfTabs[] = {"SSTab1=#3", "SSTab3=#2", "SSTab4=#1"};
        const QStringList scattered(std::begin(rfTabs), std::end(rfTabs));

        // ---- The reader's own buttons ----
        row("card status, unknown values", {}, "CardStatusBtn", positive('1', '0', {}, "9A2"), "F2 00 00 03 43 31 30 03 B0",
            {"Card Status|Card Status Success\r\n\r\n\r\n"});
        row("status at address A", {"cmbAddress820=A"}, "CardStatusBtn", replyFrame('P', '1', '0', "000", {}, 10),
            "F2 0A 00 03 43 31 30 03 BA", {"Card Status|Card Status Success\r\nNo card in card channel\r\n"
                                           "No card in stacker\r\nThe error card bin is not full"});
        row("front", {}, "MoveCardToFront1Btn", positive('2', '9', "ignored", "210"), "F2 00 00 03 43 32 39 03 BA",
            {"Move card to the front|Move card to the front success"});
        row("front, hold", {}, "MoveCardToFront2Btn", positive('2', '0'), "F2 00 00 03 43 32 30 03 B3",
            {"Move card to the front with hold card|Move card to the front with hold card success"});
        row("RF position", {}, "MoveCardToRFBtn", positive('2', '2'), "F2 00 00 03 43 32 32 03 B1",
            {"Move card to RF card operation position|Move card to RF card operation position success"});
        row("move refused", {}, "MoveCardToRFBtn", negative('2', '2', "10"), "F2 00 00 03 43 32 32 03 B1",
            {"Negative response:10|Card jam"});
        row("Clear Data", {}, "ClearSDTDText", {}, "", {}, {"log="});
        // INITIALIZE: the PM is the option chosen in its window (the others: scenarios/reader_initialize.scn).
        const QString reset = QStringLiteral("Reset|Reset success\r\n");
        row("initialize, Option4, the version text", {"Option4=on"}, "Command1",
            replyFrame('P', '0', '3', "000", "MDQ-820 V2.1"), "F2 00 00 03 43 30 33 03 B2", {reset + "MDQ-820 V2.1"}, {},
            "ReaderResetBtn");
        row("initialize, Option5", {"Option5=on"}, "Command1", positive('0', '4'), "F2 00 00 03 43 30 34 03 B5", {reset},
            {}, "ReaderResetBtn");
        row("initialize, Option6 at A", {"cmbAddress820=A", "Option6=on"}, "Command1", replyFrame('P', '0', '5', "000", {}, 10),
            "F2 0A 00 03 43 30 35 03 BE", {reset}, {}, "ReaderResetBtn");
        row("read counter, no text", {}, "IRTenKaReadCMD", positive(0xA5, '0'), "F2 00 00 03 43 A5 30 03 24",
            {"Read Counter|Read Counter Success"}, {"IRTenKaEdit="});
        row("counter refused", {}, "IRTenKaFormatCMD", negative(0xA5, '1', "04"),
            "F2 00 00 06 43 A5 31 30 30 30 03 10", {"Negative response:04|Command data error"});

        // ---- RF CARD ----
        // Test RF Type brings the page of the card found to the front.
        const struct { const char *code, *name, *tabs; } rfTypes[] = {
            {"10", "S50 card", "000"}, {"11", "S70 card", "000"}, {"12", "Ultralight card", "001"},
            {"20", "Type A CPU", "011"}, {"30", "Type B CPU", "021"}, {"00", "Unknow Type", "321"},
            {"40", "Unknow Error", "321"}};
        for (const auto &r : rfTypes)
            row(qPrintable(QStringLiteral("RF type %1").arg(QLatin1String(r.code))), scattered, "RFTestTypeCmd",
                positive(0x50, '1', r.code), "F2 00 00 03 43 50 31 03 D0",
                {QStringLiteral("Test RF Type|Test RF Type Complete\r\n") + QLatin1String(r.name)},
                {QStringLiteral("SSTab1=#") + r.tabs[0], QStringLiteral("SSTab3=#") + r.tabs[1],
                 QStringLiteral("SSTab4=#") + r.tabs[2]});
        row("activate, B only", {"RFCardUPCombbox=#3"}, "RFCardUPBtn",
            positive(0x60, '0', hexBytes("4D 00 02 04 0A 1B 00 FF")), "F2 00 00 05 43 60 30 42 30 03 95",
            {"Activate|The RF Card is activated\r\nMifare one S70 card"});
        row("activate, nothing chosen", {"RFCardUPCombbox=#-1"}, "RFCardUPBtn",
            positive(0x60, '0', hexBytes("4D 00 44 07 01 02 03 04 05 06 07")), "F2 00 00 05 43 60 30 00 00 03 E7",
            {"Activate|The RF Card is activated\r\nMifare one UL card"});
        row("activate at address A", {"cmbAddress820=A"}, "RFCardUPBtn", positive(0x60, '0', hexBytes("42 01 02 03")),
            "F2 0A 00 05 43 60 30 41 42 03 EE",
            {"Activate|The RF Card is activated \r\nthe card in line with ISO / IEC 14443 Type B protocol"});
        row("status, no card", {}, "RFCardStatusBtn", positive(0x60, '2', "00"), "F2 00 00 03 43 60 32 03 E3",
            {"Inquire Status|The RF Card is activated\r\nNon_card"});
        row("status, code outside the table", {}, "RFCardStatusBtn", positive(0x60, '2', "40"),
            "F2 00 00 03 43 60 32 03 E3", {"Inquire Status|The RF Card is activated\r\n"});
        row("download key", {}, "StoreKeyToEEBtn", positive(0x60, '3', Sw9000),
            "F2 00 00 0E 43 60 33 00 D0 00 01 06 FF FF FF FF FF FF 03 38",
            {"Download password to EEPROM|Download password to EEPROM \r\nExxcute OK\r\n9000"});
        row("check key B, sector 05", {"RfKeyAB2=on", "SecNumberCombo=05", "SRFPASSWORDLIST=010203040506"},
            "RFCheckPasswordBtn", positive(0x60, '3', hexBytes("6300")),
            "F2 00 00 0E 43 60 33 00 20 01 05 06 01 02 03 04 05 06 03 CA", {"Check Password|Check Password\r\n\r\n6300"});
        row("change key sends 00h even with KEY B", {"RfKeyAB2=on", "SecNumberCombo=27", "SRFPASSWORDLIST=010203040506"},
            "RFChangePasswordBtn", positive(0x60, '3', hexBytes("6F00")),
            "F2 00 00 0E 43 60 33 00 D5 00 27 06 01 02 03 04 05 06 03 1C",
            {"Change Password|Change Password\r\nExecute Error\r\n6F00"});
        row("read block", {"BlockNumberCombo=02"}, "RFreadBtn", positive(0x60, '3', hexBytes("6F00")),
            "F2 00 00 08 43 60 33 00 B0 01 02 01 03 5B", {"Read block data|Read block data\r\nExecute Error\r\n6F00"});
        row("write block", {"SecNumberCombo=00", "BlockNumberCombo=01", "SRFTextLIST=00112233445566778899AABBCCDDEEFF"},
            "RFwriteBtn", positive(0x60, '3', Sw9000),
            "F2 00 00 18 43 60 33 00 D1 00 01 01 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 03 28",
            {"Write Block Data|Write Block Data\r\n" + Ok9000});
        row("initialise 100", {"PurseBlockCombbox=01", "PurseValueText=100"}, "INITRFCmd",
            positive(0x60, '3', hexBytes("1234")), "F2 00 00 0C 43 60 33 00 D2 01 01 04 64 00 00 00 03 5F",
            {"Initialize|Initialize success\r\n\r\n1234"});
        row("increment 2147483647", {"PurseBlockCombbox=01", "PurseValueText=2147483647"}, "INCRFCmd",
            positive(0x60, '3', Sw9000), "F2 00 00 0C 43 60 33 00 D3 01 01 04 FF FF FF 7F 03 BA",
            {"Increment|Increment\r\n" + Ok9000});
        row("decrement 0, sector 20 block 03", {"SecNumberCombo=20", "PurseBlockCombbox=03", "PurseValueText=0"},
            "DECRFCmd", positive(0x60, '3', Sw9000), "F2 00 00 0C 43 60 33 00 D4 20 03 04 00 00 00 00 03 1E",
            {"Decrement|Decrement\r\n" + Ok9000});
        row("read value, unsigned", {"PurseBlockCombbox=01"}, "ReadValueRfCmd",
            positive(0x60, '3', hexBytes("00000080 9000")), "F2 00 00 07 43 60 33 00 B1 01 01 03 57",
            {"Read|Read success\r\n" + Ok9000}, {"PurseValueText=2147483648"});
        row("read value, 6F00 keeps the box", {"PurseBlockCombbox=01", "PurseValueText=55"}, "ReadValueRfCmd",
            positive(0x60, '3', hexBytes("10270000 6F00")), "F2 00 00 07 43 60 33 00 B1 01 01 03 57",
            {"Read|Read success\r\nExecute Error\r\n6F00"}, {"PurseValueText=55"});
        // The response box shows bytes 6 to L-3 of a positive reply, status bytes included.
        row("Type A APDU", {"TypeARAPDUText=OLD", "TypeBRAPDUText=KEPT"}, "SendTypeACmd",
            positive(0x60, '4', hexBytes("6A82")), "F2 00 00 0A 43 60 34 00 A4 00 00 02 3F 00 03 75",
            {"C-APDU|Success"}, {"TypeARAPDUText=6A82", "TypeBRAPDUText=KEPT"});
        row("Type B APDU", {"TypeBRAPDUText=OLD", "TypeARAPDUText=KEPT"}, "SendTypeBCmd",
            positive(0x60, '5', hexBytes("0A 00 FF 6A 82")), "F2 00 00 0A 43 60 35 00 A4 00 00 02 3F 00 03 74",
            {"C-APDU|Success"}, {"TypeBRAPDUText=0A00FF6A82", "TypeARAPDUText=KEPT"});
        row("19-byte APDU item", {"TypeACAPDUText=00A404000E315041592E5359532E4444463031"}, "SendTypeACmd",
            positive(0x60, '4', hexBytes("6A82")),
            "F2 00 00 16 43 60 34 00 A4 04 00 0E 31 50 41 59 2E 53 59 53 2E 44 44 46 30 31 03 39", {"C-APDU|Success"});
        // A negative reply is decoded and nothing on the page is touched.
        const QStringList page{"SRFTextLIST=0102", "ULTextLIST=0A0B", "PurseValueText=7", "TypeARAPDUText=OLD"};
        const QStringList untouched{"SRFTextLIST(1)=02", "ULTextLIST(0)=0A", "PurseValueText=7"};
        row("block read refused", page, "RFreadBtn", negative(0x60, '3', "63"), "F2 00 00 08 43 60 33 00 B0 01 00 01 03 59",
            {NoResponse}, untouched);
        row("value read refused", page, "ReadValueRfCmd", negative(0x60, '3', "63"),
            "F2 00 00 07 43 60 33 00 B1 01 00 03 56", {NoResponse}, untouched);
        row("page read refused", page, "ULCmdRread", negative(0x60, '3', "63"), "F2 00 00 08 43 60 33 00 B0 04 00 01 03 5C",
            {NoResponse}, untouched);
        row("odd APDU refused, its box cleared first", {"TypeACAPDUText=00A400000", "TypeARAPDUText=OLD"},
            "SendTypeACmd", {}, "", {"!" + kDataError}, {"TypeARAPDUText=", "log="});
        row("APDU refused", page, "SendTypeACmd", negative(0x60, '4', "63"),
            "F2 00 00 0A 43 60 34 00 A4 00 00 02 3F 00 03 75", {NoResponse}, untouched + QStringList{"TypeARAPDUText="});

        // ---- IC CARD: card type test and the memory card panels ----
        const QStringList icTabs{"SSTab1=#3", "SSTab2=#6"};
        // Test IC Type brings the panel of the card found to the front (a status
        // outside the table, a blank or none: the page stays).
        const struct { const char *code, *name, *tabs; } icTypes[] = {
            {"11", "T=1 CPU Card", "10"}, {"21", "SLE4428 Card", "12"}, {"30", "24C01 Card", "14"},
            {"38", "24C256 Card", "14"}, {"00", "Unknow Type", "36"}, {"39", "Unknow Error", "36"},
            {" 2", "Unknow Error", "36"}, {"", "Unknow Error", "36"}};
        for (const auto &r : icTypes)
            row(qPrintable(QStringLiteral("IC type '%1'").arg(QLatin1String(r.code))), icTabs, "ICTestTypeCmd",
                positive('P', '0', r.code), "F2 00 00 03 43 50 30 03 D1",
                {QStringLiteral("Test IC Type|Test IC Type Complete\r\n") + QLatin1String(r.name)},
                {QStringLiteral("SSTab1=#") + r.tabs[0], QStringLiteral("SSTab2=#") + r.tabs[1]});
        const QStringList grid{"ICText(0)=A0", "ICText(1)=A1", "ICText(2)=A2", "ICText(3)=A3"};
        auto sw = [](const char *hex) { return QByteArray::fromHex(hex); };
        row("4428 panel activates a 4428", {}, "SiemensICUp2", positive('S', '0', sw("92231091")),
            "F2 00 00 03 43 53 30 03 D2", {"Activate|SLE4428 Activate success"});
        row("activate other ATR", {}, "SiemensICUp2", positive('S', '0', sw("3B021491")), "F2 00 00 03 43 53 30 03 D2", {});
        row("status deactivated", {}, "SiemensICStatus1", positive('S', '2', "0"), "F2 00 00 03 43 53 32 03 D0",
            {"Inquire Status|SLE4442/4428 Deactivated"});
        row("status 4428", {}, "SiemensICStatus1", positive('S', '2', "2"), "F2 00 00 03 43 53 32 03 D0",
            {"Inquire Status|SLE4428 Activated"});
        row("status other", {}, "SiemensICStatus1", positive('S', '2', "3"), "F2 00 00 03 43 53 32 03 D0", {});
        row("sle deactivate", {}, "SiemensICDown2", positive('S', '1'), "F2 00 00 03 43 53 31 03 D3",
            {"Deactivate|Deactivate success"});
        row("4442 verify", {"SL4442Pass1=12", "SL4442Pass2=a", "SL4442Pass3=FF"}, "SL4442Pass", positive('S', '3', Sw9000),
            "F2 00 00 0B 43 53 33 00 20 03 01 03 12 0A FF 03 1F", {Tc + Ok9000});
        row("4442 change locked", {"SL4442Pass1=01"}, "SL4442Change", positive('S', '3', sw("6F02")),
            "F2 00 00 0B 43 53 33 00 D0 02 01 03 01 FF FF 03 08",
            {Tc + "Card has been scrapped (password validation error over the number of cards permit error)\r\n6F02"});
        row("4442 read security", {"ICText(0)=55"}, "SL4442ReadAnquan", positive('S', '3', sw("07123456 9000")),
            "F2 00 00 08 43 53 33 00 B0 02 00 04 03 6C", {Tc + "Execute OK\r\n07123456\r\n9000"}, {"ICText(0)="});
        row("4442 read security refused", {}, "SL4442ReadAnquan", positive('S', '3', sw("6B00")),
            "F2 00 00 08 43 53 33 00 B0 02 00 04 03 6C",
            {Tc + "Parameter(P1/P2) is error and  Command Cannot be Executed\r\n6B00"});
        row("4442 read protection", {"SL4442Long=20"}, "SL4442ReadBaoHu", positive('S', '3', sw("6700")),
            "F2 00 00 08 43 53 33 00 B0 01 00 20 03 4B",
            {Tc + "The lenth of Lc is overflow and Command Cannot be Executed\r\n6700"});
        row("4442 write protection", grid + QStringList{"SL4442Long=01"}, "SL4442WriteBaoHu", positive('S', '3', sw("6F00")),
            "F2 00 00 09 43 53 33 00 D0 01 00 01 A0 03 AB", {Tc + "Execute Error\r\n6F00"});
        row("4442 write length 0", {"SL4442Long=00"}, "SL4442WriteCenChu", positive('S', '3', sw("6D00")),
            "F2 00 00 08 43 53 33 00 D0 00 00 00 03 0A", {Tc + "INS error  Command Cannot be Executed\r\n6D00"});
        row("unknown status word", {}, "SL4442ReadCenChu", positive('S', '3', sw("6A82")),
            "F2 00 00 08 43 53 33 00 B0 00 00 80 03 EA", {Tc + "Unknow Error\r\n6A82"});
        row("CLA error", {}, "SL4442ReadCenChu", positive('S', '3', sw("6E00")), "F2 00 00 08 43 53 33 00 B0 00 00 80 03 EA",
            {Tc + "CLA error  Command Cannot be Executed\r\n6E00"});
        row("reply too short for a status word", {}, "SL4442Pass", positive('S', '3', sw("90")),
            "F2 00 00 0B 43 53 33 00 20 03 01 03 FF FF FF 03 07", {"!" + kDataError});
        row("memory read refused", {}, "SL4442ReadCenChu", negative('S', '3', "63"),
            "F2 00 00 08 43 53 33 00 B0 00 00 80 03 EA", {NoResponse});
        row("4428 verify", {"SL4428Pass1=C3", "SL4428Pass2=5"}, "SL4428PASS", positive('S', '4', Sw9000),
            "F2 00 00 0A 43 53 34 00 20 00 00 02 C3 05 03 3B", {Tc + Ok9000});
        row("4428 change", {}, "SL4428CHANGE", positive('S', '4', Sw9000), "F2 00 00 0A 43 53 34 00 24 01 00 02 FF FF 03 F8",
            {Tc + Ok9000});
        row("4428 read", {"SL4428Add1=02", "SL4428Add2=10", "SL4428Long=08"}, "SL4428READAREA", positive('S', '4', Sw9000),
            "F2 00 00 08 43 53 34 00 B0 02 10 08 03 77", {Tc + Ok9000});
        row("4428 read bits ignores high", {"SL4428Add1=03", "SL4428Add2=04"}, "SL4428READBIT", positive('S', '4', Sw9000),
            "F2 00 00 08 43 53 34 00 B0 10 04 80 03 F9", {Tc + Ok9000});
        row("4428 write protected page 2", grid + QStringList{"SL4428Add1=02", "SL4428Add2=10", "SL4428Long=01"},
            "SL4428WRITEAREA2", positive('S', '4', Sw9000), "F2 00 00 09 43 53 34 00 D0 22 10 01 A0 03 9F", {Tc + Ok9000});
        row("4428 high 13 warns, sends 03", grid + QStringList{"SL4428Add1=13", "SL4428Long=01"}, "SL4428WRITEAREA1",
            positive('S', '4', Sw9000), "F2 00 00 09 43 53 34 00 D0 03 00 01 A0 03 AE",
            {"!Address out of range", Tc + Ok9000});
        row("4428 high 13 protected sends 23", grid + QStringList{"SL4428Add1=13", "SL4428Long=01"}, "SL4428WRITEAREA2",
            positive('S', '4', Sw9000), "F2 00 00 09 43 53 34 00 D0 23 00 01 A0 03 8E",
            {"!Address out of range", Tc + Ok9000});
        // One digit "3" is page 03h: the write must not land on page 00h.
        row("4428 high 3 one digit", grid + QStringList{"SL4428Add1=3", "SL4428Long=01"}, "SL4428WRITEAREA2",
            positive('S', '4', Sw9000), "F2 00 00 09 43 53 34 00 D0 23 00 01 A0 03 8E", {Tc + Ok9000});
        row("24 activate 512", {}, "IC24Reset", positive('T', '0', ":"), "F2 00 00 04 43 54 30 30 03 E2",
            {"Activate|24C512 Activate Success"});
        row("24 activate no card", {}, "IC24Reset", positive('T', '0', "0"), "F2 00 00 04 43 54 30 30 03 E2", {});
        row("24 status 256", {}, "IC24ICStatus", positive('T', '2', "9"), "F2 00 00 03 43 54 32 03 D7",
            {"Inquire Status)|24C256 actived"});
        row("24 status 512 silent", {}, "IC24ICStatus", positive('T', '2', ":"), "F2 00 00 03 43 54 32 03 D7", {});
        row("24 read", {"IC24XXADD1=01", "IC24XXADD2=00", "IC24XXLONG=10"}, "IC24XXREAD", positive('T', '3', Sw9000),
            "F2 00 00 08 43 54 33 00 B0 01 00 10 03 7C", {Tc + Ok9000});
        row("single-digit cells count as their value", {"ICText(0)=5", "ICText(1)=C1", "IC24XXLONG=02"}, "IC24XXWRITE",
            positive('T', '3', Sw9000), "F2 00 00 0A 43 54 33 00 D0 00 00 02 05 C1 03 C9", {Tc + Ok9000});

        // ---- The CPU card (51h) and SAM (52h) windows ----
        const QByteArray atr = hexBytes("3B6900005349");
        const QStringList old{"ResetTextBack=old", "BackText=old"};
        cpu("cold ISO T=1", old + QStringList{"CPUVCCOPTION(1)=on"}, "CPUColdResetBtn", positive('Q', '0', "1" + atr),
            "F2 00 00 04 43 51 30 33 03 E4", {"Cold Reset|Cold Reset Success(T=1)"}, {"ResetTextBack=3B6900005349"});
        cpu("cold other protocol", old, "CPUColdResetBtn", positive('Q', '0', "2" + atr), "F2 00 00 04 43 51 30 30 03 E7",
            {}, {"ResetTextBack=3B6900005349"});
        // Error 69: protocol at byte 5, the answer to reset from byte 6.
        cpu("cold error 69", old, "CPUColdResetBtn", replyFrame('N', 'Q', '0', "690", hexBytes("3B02")),
            "F2 00 00 04 43 51 30 30 03 E7",
            {"Negative response:69|Tried to communicate with IC card not supported in Protocol EMV2000.\r\nT=0"},
            {"ResetTextBack=3B02"});
        sam("cold error 69 T=1", old + QStringList{"SAMVCCOPTION(1)=on"}, "SimColdReset",
            replyFrame('N', 'R', '0', "691", hexBytes("3B")), "F2 00 00 04 43 52 30 33 03 E7",
            {"Negative response:69|Tried to communicate with IC card not supported in Protocol EMV2000.\r\nT=1"},
            {"ResetTextBack=3B"});
        cpu("cold other negative", old, "CPUColdResetBtn", negative('Q', '0', "61"), "F2 00 00 04 43 51 30 30 03 E7",
            {"Negative response:61|Receiving error of ATR"}, {"ResetTextBack="});
        cpu("warm 69 not special", old, "CPUWarmResetBtn", negative('Q', '8', "69"), "F2 00 00 03 43 51 38 03 D8",
            {"Negative response:69|Tried to communicate with IC card not supported in Protocol EMV2000."},
            {"ResetTextBack="});
        sam("warm T=1", old, "SimWarmReset", positive('R', '8', "1" + atr), "F2 00 00 03 43 52 38 03 DB",
            {"Warm Reset|Warm Reset Success(T=1)"}, {"ResetTextBack=3B6900005349"});
        // 8 data bytes and SW1 SW2: 20 digits without separators.
        sam("sam send APDU", old, "SendCmd", negative('R', '9', "63"), "F2 00 00 0A 43 52 39 00 A4 00 00 02 3F 00 03 4A",
            {NoResponse}, {"BackText="});
        cpu("status other", {}, "CheckStatusBtn", positive('Q', '2', "7"), "F2 00 00 03 43 51 32 03 D2", {});
        sam("sam status 5", {}, "CheckStatusBtn", positive('R', '2', "14"), "F2 00 00 03 43 52 32 03 D1",
            {"Card Status|The card has been activated, working frequency of 3.57 MHZ\r\nCurrent SAM card is  No.5"});
        sam("sam status first", {}, "CheckStatusBtn", positive('R', '2', "20"), "F2 00 00 03 43 52 32 03 D1",
            {"Card Status|The card has been activated, working frequency of 7.16 MHZ\r\nCurrent SAM card is  No.1 "});
        sam("sam status outside", {}, "CheckStatusBtn", positive('R', '2', "9"), "F2 00 00 03 43 52 32 03 D1",
            {"Card Status|\r\n"});
        // The reader names sockets 1 to 5 only; past them the SAM part is empty.
        sam("sam status socket 6", {}, "CheckStatusBtn", positive('R', '2', "05"), "F2 00 00 03 43 52 32 03 D1",
            {"Card Status|Card is not activated\r\n"});
        sam("sam deactivate", {}, "Down", positive('R', '1'), "F2 00 00 03 43 52 31 03 D2", {"Deactivate|Deactivate Success"});
        sam("choose SAM 8", {"SimNo1=SAM 8"}, "SelectSamCmd", positive('R', 0x40), "F2 00 00 04 43 52 40 37 03 93",
            {"Choose SAM|Choose SAM Success"});
        sam("choose typed SAM 14", {"SimNo1=SAM 14"}, "SelectSamCmd", positive('R', 0x40),
            "F2 00 00 04 43 52 40 3D 03 99", {"Choose SAM|Choose SAM Success"});
        for (const char *text : {"SAM 15", "sam 3", ""})
            sam(qPrintable(QStringLiteral("refused SAM '%1'").arg(QLatin1String(text))),
                {QStringLiteral("SimNo1=") + QLatin1String(text)}, "SelectSamCmd", {}, "",
                {"!Please Choose SAM Number First"}, {"log="});

        // ---- RF CARD: activation empties the five displays and fills the one
        // of its card; deactivation and status leave displays and pages alone ----
        const QStringList displays{"RFmessageLabel", "ULRFmessage", "CPURFTypeAmessage", "ATRTypeAText", "ATRTypeBText"};
        QStringList away = scattered;  // displays filled, pages away from the card pages
        for (const QString &d : displays)
            away << d + "=OLD";
        auto rf = [&](const char *name, const char *button, const QByteArray &reply, const char *frame,
                      const QStringList &messages, const char *shown, const char *tabs) {
            const QStringList texts = QString::fromLatin1(shown).split(QLatin1Char('|'));
            QStringList after;
            for (int i = 0; i < displays.size(); ++i)
                after << displays[i] + "=" + texts[i];
            after << QStringLiteral("SSTab1=#") + tabs[0] << QStringLiteral("SSTab3=#") + tabs[1]
                  << QStringLiteral("SSTab4=#") + tabs[2];
            row(name, away, button, reply, frame, messages, after);
        };
        auto activation = [](const char *data) { return positive(0x60, '0', hexBytes(data)); };
        const char *activate = "F2 00 00 05 43 60 30 41 42 03 E4";
        const QString activated = QStringLiteral("Activate|The RF Card is activated");
        const QString typeA = activated + " \r\nthe card in line with ISO / IEC 14443 Type A protocol";
        rf("S50", "RFCardUPBtn", activation("4D 00 04 04 0A 1B 00 FF"), activate,
           {activated + "\r\nMifare one S50 card"}, "0A1B00FF||||", "000");
        rf("Ultralight", "RFCardUPBtn", activation("4D 00 44 07 04 51 6A 72 1C 2D 80"), activate,
           {activated + "\r\nMifare one UL card"}, "|04516A721C2D80|||", "001");
        rf("other Mifare", "RFCardUPBtn", activation("4D 00 08 04 0A 1B 00 FF"), activate, {activated + "\r\n"},
           "||||", "321");
        // L = 19 with n = 4: serial 10..13, byte 14 hidden, answer 15..16.
        rf("Type A", "RFCardUPBtn", activation("41 00 08 04 01 02 03 04 20 05 78"), activate, {typeA},
           "||01020304|0578|", "011");
        rf("Type A without answer", "RFCardUPBtn", activation("41 00 08 04 01 02 03 04"), activate, {typeA},
           "||01020304||", "011");
        // A length byte beyond the reply reads on through ETX and BCC (81h for
        // this reply) into zeros, never outside the buffer.
        rf("Type A, length byte too large", "RFCardUPBtn", activation("41 00 08 06 01 02"), activate, {typeA},
           "||010203810000||", "011");
        rf("Type B", "RFCardUPBtn", activation("42 50 1A 2B"), activate,
           {activated + " \r\nthe card in line with ISO / IEC 14443 Type B protocol"}, "||||501A2B", "021");
        rf("activate, negative", "RFCardUPBtn", negative(0x60, '0', "63"), activate, {NoResponse}, "||||", "321");
        rf("activate, unknown kind letter", "RFCardUPBtn", activation("58 00 04 04 0A 1B 00 FF"), activate, {}, "||||",
           "321");
        rf("deactivate", "RFCardDownBtn", positive(0x60, '1'), "F2 00 00 03 43 60 31 03 E0",
           {"Deactivate|Deactivate Success"}, "OLD|OLD|OLD|OLD|OLD", "321");
        rf("status, S50", "RFCardStatusBtn", positive(0x60, '2', "10"), "F2 00 00 03 43 60 32 03 E3",
           {"Inquire Status|The RF Card is activated\r\nMifare one S50 card"}, "OLD|OLD|OLD|OLD|OLD", "321");
        rf("status, Type B", "RFCardStatusBtn", positive(0x60, '2', "30"), "F2 00 00 03 43 60 32 03 E3",
           {"Inquire Status|The RF Card is activated\r\nType B CPU card"}, "OLD|OLD|OLD|OLD|OLD", "321");

        // ---- RF CARD: the write and purse guards, in their order ----
        const QString cells = QStringLiteral("SRFTextLIST=00112233445566778899AABBCCDDEEFF");
        const QString written = QStringLiteral("Write Block Data|Write Block Data\r\n") + Ok9000;
        const QString noPurse = QStringLiteral("!The block does not support the purse operation");
        row("one cell incomplete", {"SRFTextLIST=00112233445566778899AABBCCDDEEF"}, "RFwriteBtn", {}, "",
            {"!" + InputFirst}, {"log="});
        row("empty cells before block 0", {"SecNumberCombo=00", "BlockNumberCombo=00"}, "RFwriteBtn", {}, "",
            {"!" + InputFirst}, {"log="});
        row("trailer 1F/03, OK", {cells, "SecNumberCombo=1F", "BlockNumberCombo=03", "answer=OK"}, "RFwriteBtn",
            positive(0x60, '3', Sw9000),
            "F2 00 00 18 43 60 33 00 D1 1F 03 01 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 03 35",
            {"?" + Confirm, written});
        row("20/03 is data", {cells, "SecNumberCombo=20", "BlockNumberCombo=03"}, "RFwriteBtn", positive(0x60, '3', Sw9000),
            "F2 00 00 18 43 60 33 00 D1 20 03 01 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 03 0A", {written});
        row("trailer 20/0F, cancel", {cells, "SecNumberCombo=20", "BlockNumberCombo=0F", "answer=Cancel"}, "RFwriteBtn",
            {}, "", {"?" + Confirm}, {"log="});
        row("page cells before page", {"ULTextLIST=01__0304", "ULSecNumberCombo=01"}, "ULCmdRwrite", {}, "",
            {"!" + InputFirst}, {"log="});
        row("page 02, cancel", {"ULTextLIST=01020304", "ULSecNumberCombo=02", "answer=Cancel"}, "ULCmdRwrite", {}, "",
            {"?" + Confirm}, {"log="});
        row("page 02, OK", {"ULTextLIST=01020304", "ULSecNumberCombo=02", "answer=OK"}, "ULCmdRwrite",
            positive(0x60, '3', Sw9000), "F2 00 00 0C 43 60 33 00 D1 02 00 01 01 02 03 04 03 3B", {"?" + Confirm, written});
        row("purse 00/00", {"SecNumberCombo=00", "PurseBlockCombbox=00"}, "INITRFCmd", {}, "", {noPurse}, {"log="});
        row("purse 20/0F, before the value", {"SecNumberCombo=20", "PurseBlockCombbox=0F", "PurseValueText="}, "DECRFCmd",
            {}, "", {noPurse}, {"log="});

        // ---- Boxes that feed a command, given what an operator can paste ----
        // log: "" cleared; "\r\n" cleared, then the command's blank line.
        auto refused = [](const char *name, const char *window, QStringList setup, const QString &box, const QString &text,
                          const char *button, const QString &message, const char *log) {
            row(name, setup << box + "=" + text, button, {}, "", {"!" + message}, {QStringLiteral("log=") + log}, window);
        };
        const char *main = "";
        const QString e = kDataError;
        // SLE4442: code boxes, address, length and the data grid.
        refused("4442 code 1 empty", main, {}, "SL4442Pass1", "", "SL4442Pass", e, "\r\n");
        refused("4442 code 2 non-hex", main, {}, "SL4442Pass2", "ZZ", "SL4442Change", e, "\r\n");
        refused("4442 code 3 sign", main, {}, "SL4442Pass3", "-1", "SL4442Pass", e, "\r\n");
        refused("4442 address empty", main, {}, "SL4442Add1", "", "SL4442ReadCenChu", e, "\r\n");
        refused("4442 address 0x", main, {}, "SL4442Add1", "0x", "SL4442ReadBaoHu", e, "\r\n");
        refused("4442 length non-hex", main, {}, "SL4442Long", "G0", "SL4442ReadCenChu", e, "\r\n");
        refused("4442 length past grid", main, {"ICText(0)=AB", "ICText(1)=CD"}, "SL4442Long", "81", "SL4442WriteCenChu", e,
                "\r\n");
        refused("4442 length empty", main, {"ICText(0)=AB"}, "SL4442Long", "", "SL4442WriteCenChu", e, "\r\n");
        refused("4442 grid cell empty", main, {"SL4442Long=02", "ICText(0)=AB"}, "ICText(1)", "", "SL4442WriteBaoHu", e,
                "\r\n");
        refused("4442 grid cell non-hex", main, {"SL4442Long=01"}, "ICText(0)", "Q7", "SL4442WriteCenChu", e, "\r\n");
        // SLE4428.
        refused("4428 code 1 empty", main, {"SL4428Pass2=FF"}, "SL4428Pass1", "", "SL4428PASS", e, "\r\n");
        refused("4428 code 2 non-hex", main, {"SL4428Pass1=AB"}, "SL4428Pass2", "GG", "SL4428CHANGE", e, "\r\n");
        refused("4428 high address empty", main, {}, "SL4428Add1", "", "SL4428READAREA", e, "\r\n");
        refused("4428 low address non-hex", main, {}, "SL4428Add2", "Z", "SL4428READBIT", e, "\r\n");
        refused("4428 high address before write", main, {"SL4428Long=01", "ICText(0)=99"}, "SL4428Add1", "x3",
                "SL4428WRITEAREA2", e, "\r\n");
        refused("4428 length past grid", main, {"ICText(0)=99"}, "SL4428Long", "81", "SL4428WRITEAREA1", e, "\r\n");
        // AT24Cxx.
        refused("24C high address empty", main, {}, "IC24XXADD1", "", "IC24XXREAD", e, "\r\n");
        refused("24C low address non-hex", main, {}, "IC24XXADD2", "H1", "IC24XXREAD", e, "\r\n");
        refused("24C length past grid", main, {"ICText(0)=EE"}, "IC24XXLONG", "81", "IC24XXWRITE", e, "\r\n");
        // Mifare key cells (sector 01, key A by default).
        refused("key cell empty", main, {}, "SRFPASSWORDLIST(0)", "", "RFCheckPasswordBtn", e, "\r\n");
        refused("key cell non-hex", main, {}, "SRFPASSWORDLIST(5)", "X1", "StoreKeyToEEBtn", e, "\r\n");
        refused("key cell punctuation", main, {}, "SRFPASSWORDLIST(2)", "?", "RFChangePasswordBtn", e, "\r\n");
        // Mifare block and Ultralight page cells: incomplete cells have their own message.
        const QStringList block{"SRFTextLIST=" + QStringLiteral("00").repeated(16)};
        refused("block cell empty", main, block, "SRFTextLIST(3)", "", "RFwriteBtn", InputFirst, "");
        refused("block cell non-hex", main, block, "SRFTextLIST(15)", "G0", "RFwriteBtn", e, "\r\n");
        refused("page cell empty", main, {"ULTextLIST=01020304"}, "ULTextLIST(2)", "", "ULCmdRwrite", InputFirst, "");
        refused("page cell non-hex", main, {"ULTextLIST=01020304"}, "ULTextLIST(0)", "K9", "ULCmdRwrite", e, "\r\n");
        // Purse value (sector 01, block 00): decimal, signed 32 bits on the wire.
        refused("purse empty", main, {}, "PurseValueText", "", "INITRFCmd", e, "\r\n");
        refused("purse non-digit", main, {}, "PurseValueText", "12a", "INCRFCmd", e, "\r\n");
        refused("purse above int32", main, {}, "PurseValueText", "2147483648", "DECRFCmd", e, "\r\n");
        refused("purse above 32 bits", main, {}, "PurseValueText", "4294967296", "INCRFCmd", e, "\r\n");
        refused("purse overlong", main, {}, "PurseValueText", "99999999999", "INITRFCmd", e, "\r\n");
        // APDU boxes: any refusal stops before the log's blank line, but a bad
        // pair in the CPU card and SAM windows.
        refused("type B non-hex", main, {}, "TypeBCAPDUText", "00A4G0", "SendTypeBCmd", e, "");
        refused("type A beyond the box", main, {}, "TypeACAPDUText", QStringLiteral("A").repeated(40000), "SendTypeACmd", e, "");
        refused("CPU odd", "CPURUN", {}, "CmdText", "00A4000", "SendCmdBtn", e, "");
        refused("CPU non-hex", "CPURUN", {}, "CmdText", "00G4", "SendCmdBtn", e, "\r\n");
        refused("CPU beyond the box", "CPURUN", {}, "CmdText", QStringLiteral("B").repeated(40000), "SendCmdBtn", e, "");
        refused("SAM odd", "SIMRUN", {}, "CmdText", "ABC", "SendCmd", e, "");
        refused("SAM pasted prefix", "SIMRUN", {}, "CmdText", "0x84", "SendCmd", e, "\r\n");
        // Inputs that stand for a frame: an empty APDU, the counter's text as
        // its characters, padded to three.
        row("empty type A APDU", {"TypeACAPDUText="}, "SendTypeACmd", positive(0x60, '4', Sw9000),
            "F2 00 00 03 43 60 34 03 E5", {"C-APDU|Success"});
        cpu("empty CPU APDU", {"CmdText="}, "SendCmdBtn", positive('Q', '9', Sw9000), "F2 00 00 03 43 51 39 03 D9",
            {"C-APDU|Success"});
        const QString counterSet = QStringLiteral("InitializeI Counter|InitializeI Counter Success");
        row("counter empty", {"IRTenKaEdit="}, "IRTenKaFormatCMD", positive(0xA5, '1'), "F2 00 00 06 43 A5 31 30 30 30 03 10",
            {counterSet});
        row("counter pasted letter", {"IRTenKaEdit=4x"}, "IRTenKaFormatCMD", positive(0xA5, '1'),
            "F2 00 00 06 43 A5 31 30 34 78 03 5C", {counterSet});
        row("counter overlong", {"IRTenKaEdit=12345"}, "IRTenKaFormatCMD", positive(0xA5, '1'),
            "F2 00 00 06 43 A5 31 31 32 33 03 10", {counterSet});
    }

    // An APDU of up to 252 bytes fits the one-byte LEN (FFh); a longer one
    // uses the high length byte too rather than being refused.
    void longApdu_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("tail");  // ETX, BCC (the A5h bytes, an even number, XOR to 0)
        QTest::newRow("CPU 252") << "CPURUN" << "CmdText" << "SendCmdBtn" << 252 << hexBytes("F2 00 00 FF 43 51 39")
                                 << hexBytes("03 25");
        QTest::newRow("CPU 300") << "CPURUN" << "CmdText" << "SendCmdBtn" << 300 << hexBytes("F2 00 01 2F 43 51 39")
                                 << hexBytes("03 F4");
        QTest::newRow("Type B 300") << "" << "TypeBCAPDUText" << "SendTypeBCmd" << 300
                                    << hexBytes("F2 00 01 2F 43 60 35") << hexBytes("03 C9");
    }
    void longApdu()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QString, button);
        QFETCH(int, bytes);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, tail);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(quint8(head.at(5)), quint8(head.at(6)), Sw9000));
        actIn(f, window, [&](QWidget *root) {
            applySetup(root, {box + "=" + QStringLiteral("A5").repeated(bytes)});
            childOf<QAbstractButton>(root, button)->click();
        });
        QCOMPARE(f.port.writes().value(0).toHex(), (head + QByteArray(bytes, char(0xA5)) + tail).toHex());
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{mdq::Icon::Information, "C-APDU", "Success"}}));
    }

    void command()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, setup);
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, after);
        MainFixture f;
        f.connectPort();
        f.main.log().append(QStringLiteral("earlier\r\n"));  // Record Data is off
        if (!reply.isEmpty())
            f.port.answerWith(reply);
        for (const QString &answer : setup.filter(QRegularExpression(QStringLiteral("^answer="))))
            f.prompter.queueAnswer(answer == QLatin1String("answer=OK"));
        QStringList steps = setup.filter(QRegularExpression(QStringLiteral("^(?!answer=)")));
        if (!window.isEmpty())  // the main window's own controls are set before its window opens
            steps.erase(std::remove_if(steps.begin(), steps.end(), [&](const QString &s) { return setControl(&f.main, s); }),
                        steps.end());
        QStringList shown;
        actIn(f, window, [&](QWidget *root) {
            applySetup(root, steps);
            auto *b = childOf<QAbstractButton>(root, button);
            QVERIFY2(b, qPrintable(button));
            b->click();
            for (const QString &check : after) {
                const QString name = check.section(QLatin1Char('='), 0, 0);
                shown << name + QLatin1Char('=') + (name == QLatin1String("log") ? f.log() : controlValue(root, name));
            }
            if (frame.isEmpty()) {  // refused: the next command still goes out
                QVERIFY2(after.filter(QRegularExpression(QStringLiteral("^log="))).size() == 1, "a refusal names its log");
                QVERIFY(f.port.writes().isEmpty());
                childOf<QAbstractButton>(root, window.isEmpty() ? QStringLiteral("CardStatusBtn")
                                                                 : QStringLiteral("CheckStatusBtn"))->click();
                QCOMPARE(f.port.writes().size(), 2);  // the frame and EOT: no one answers it
            }
        });
        if (!frame.isEmpty())
            QCOMPARE(f.port.writes().value(0).toHex(' ').toUpper(), frame.toHex(' ').toUpper());
        QList<Shown> expected;
        for (const QString &m : messages)
            expected << parseMessage(m);
        QCOMPARE(f.prompter.shown(), expected);
        QCOMPARE(f.prompter.questions(), messages.filter(QRegularExpression(QStringLiteral("^\\?"))).size());
        QCOMPARE(shown, after);
        if (!frame.isEmpty())  // the log cleared first, the exchange and its blank line
            QVERIFY2(f.log().startsWith(QLatin1String("SD: ")) && f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")),
                     qPrintable(f.log()));
    }

    // RF CARD reads fill the cell rows, the focus moving through them as
    // typing does; a read that fails leaves them.
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


    // ---- The reader's own windows: INITIALIZE's options closed by the frame;
    // Sensor Status (bytes the virtual reader never sends) ----

    // Closing the options window by its frame is a Cancel: nothing sent, and
    // with Record Data on the log keeps what it had.
    void initialize_closedByItsFrameSendsNothing()
    {
        MainFixture f;
        f.connectPort();
        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.main.log().append(QStringLiteral("kept\r\n"));
        onModal([](QWidget *w) { w->close(); });
        f.click(QStringLiteral("ReaderResetBtn"));
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("kept\r\n"));
        QCOMPARE(f.main.state().ResetOption, quint8(0));
    }

    // ---- Sensor Status: On in red, Off, nothing for other bytes ----

    void sensorStatus_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("shown");  // the twelve values, comma-separated
        QTest::newRow("twelve bytes") << QByteArray("10x0000000\x00" "1", 12) << "On,Off,,Off,Off,Off,Off,Off,Off,Off,,On";
        // Ten bytes: ETX and BCC sit where sensors 11 and 12 would; they are not taken.
        QTest::newRow("ten bytes") << QByteArray("1111111111") << "On,On,On,On,On,On,On,On,On,On,,";
        QTest::newRow("none") << QByteArray() << ",,,,,,,,,,,";
    }
    void sensorStatus()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, shown);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '1', data));
        f.main.state().SensorBytes = QByteArray(12, '1');
        QStringList values;
        onModal([&](QWidget *w) {
            QCOMPARE(w->objectName(), QStringLiteral("SensorStateForm"));
            for (int i = 10; i <= 21; ++i) {
                auto *l = childOf<QLabel>(w, QStringLiteral("Label%1").arg(i));
                values << l->text();
                QCOMPARE(l->palette().color(QPalette::WindowText) == QColor(255, 0, 0), l->text() == "On");
            }
            childOf<QAbstractButton>(w, QStringLiteral("Command1"))->click();
        });
        f.click(QStringLiteral("SensorStatusBtn"));
        QCOMPARE(f.port.lastFrame(), QByteArray::fromHex("F200000343313103B1"));
        QCOMPARE(values.join(QLatin1Char(',')), shown);
        QCOMPARE(f.main.state().SensorBytes, data.leftJustified(12, '\0'));
        QVERIFY(f.prompter.shown().isEmpty());  // the window is the result
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    // ---- Before Setup Comm ----

    void everyCommandButtonRefuses()
    {
        MainFixture f;
        f.main.log().append(QStringLiteral("earlier\r\n"));
        const QStringList main = clickAll(f, &f.main);
        QCOMPARE(main.size(), 60);
        QVERIFY(main.contains(QStringLiteral("CPURUN")) && main.contains(QStringLiteral("SIMRUN")));
        QVERIFY(main.contains(QStringLiteral("CardToolsBtn")));

        // The CPU card and SAM windows open on a connected port; the port is
        // then marked closed, as after "Close Comm" elsewhere.
        for (const char *window : {"CPURUN", "SIMRUN"}) {
            f.main.state().PortOpened = true;
            f.port.open(1, 9600);
            QStringList inWindow;
            actIn(f, QLatin1String(window), [&](QWidget *w) {
                f.main.state().PortOpened = false;
                inWindow = clickAll(f, w);
            });
            QCOMPARE(inWindow.size(), QLatin1String(window) == QLatin1String("CPURUN") ? 5 : 6);
        }
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("earlier\r\n"));
    }

    void buttonsWithoutAnOperationDoNothingOnAnOpenPort()
    {
        MainFixture f;
        f.connectPort();
        int clicked = 0;
        for (QAbstractButton *b : f.main.findChildren<QAbstractButton *>()) {
            const QString name = b->objectName();
            if (name.startsWith(QLatin1String("ATC")) || name.startsWith(QLatin1String("AT45"))
                || name == QLatin1String("ReadReaderLifeOption")) {
                b->click();
                ++clicked;
            }
        }
        QVERIFY(clicked > 20);
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(controlValue(&f.main, "IRLifeEdit"), QStringLiteral("00000000"));
    }

    // ---- Save To ----

    void save_data()
    {
        QTest::addColumn<QString>("folder");    // under a fresh temporary folder; "cancel": the dialog cancelled
        QTest::addColumn<QByteArray>("before");  // the file's bytes before; "-": no file
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QByteArray>("after");  // "-": no file
        QTest::addColumn<bool>("error");
        const QByteArray precious("precious\r\nbytes\x00\xff", 17);
        QTest::newRow("cancelled") << "cancel" << QByteArray("-") << false << kExchange << QByteArray("-") << false;
        QTest::newRow("new file") << "" << QByteArray("-") << false << kExchange << kExchange.toLatin1() << false;
        QTest::newRow("blank log, empty file") << "" << QByteArray("-") << false << "    " << QByteArray() << false;
        QTest::newRow("blanks trimmed, CR LF line ends") << "" << QByteArray("-") << false << "   a\nb\rc \r\n\r\n  "
                                                         << QByteArray("a\r\nb\r\nc \r\n\r\n") << false;
        QTest::newRow("existing file replaced") << "" << QByteArray(5000, 'x') << false << "SD: 06\r\n"
                                                << QByteArray("SD: 06\r\n") << false;
        QTest::newRow("read-only file kept byte for byte") << "" << precious << true << kExchange << precious << true;
        QTest::newRow("missing folder") << "no/such/folder" << QByteArray("-") << false << kExchange
                                        << QByteArray("-") << true;
    }
    void save()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, before);
        QFETCH(bool, readOnly);
        QFETCH(QString, log);
        QFETCH(QByteArray, after);
        QFETCH(bool, error);
        QTemporaryDir dir;
        auto remembered = mdq::Remembered::inFile(dir.filePath(QStringLiteral("settings.conf")));
        MainFixture f;
        f.main.setRemembered(remembered.get());
        const mdq::SaveDialogResult target{QDir(dir.path()).filePath(folder.isEmpty() ? QStringLiteral("trace.TXT") : folder + "/trace.TXT"), "trace.TXT"};
        if (before != "-") {
            QFile file(target.fullPath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
            file.close();
            if (readOnly)
                QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        f.main.log().append(log);
        const bool cancel = folder == QLatin1String("cancel");
        f.prompter.queueSave(cancel ? std::nullopt : std::optional<mdq::SaveDialogResult>(target));
        f.click(QStringLiteral("SaveSDTDText"));
        // The dialog asks for a text file from the home folder.
        QCOMPARE(f.prompter.saveRequests().size(), 1);
        const mdq::SaveDialogRequest r = f.prompter.saveRequests().first();
        QCOMPARE(QStringList({r.title, r.filterName, r.filterPattern, r.defaultExtension}),
                 QStringList({"Save As...", "Text Files", "*.TXT", "TXT"}));
#ifdef Q_OS_WIN
        QCOMPARE(r.initialDirectory, qEnvironmentVariable("winDir"));
#else
        QCOMPARE(r.initialDirectory, QDir::homePath());
#endif
        QVERIFY2(QRegularExpression(QStringLiteral("^qtest820-log-\\d{8}-\\d{6}\\.txt$")).match(r.proposedName).hasMatch(),
                 qPrintable(r.proposedName));
        // The next save starts where the last good one went.
        f.prompter.queueSave(std::nullopt);
        f.click(QStringLiteral("SaveSDTDText"));
        QCOMPARE(f.prompter.saveRequests().last().initialDirectory,
                 cancel || error ? r.initialDirectory : QFileInfo(target.fullPath).absolutePath());

        QCOMPARE(QFile::exists(target.fullPath) ? readFile(target.fullPath) : QByteArray("-"), after);
        const QList<Shown> shown = f.prompter.shown();
        QCOMPARE(shown.size(), cancel ? 0 : error ? 2 : 1);
        if (cancel) {
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(f.log(), log);
            return;
        }
        QCOMPARE(shown[0], (Shown{Icon::None, "Save As...",
                                  "File Name is trace.TXT\r\nFull path and file is " + target.fullPath}));
        if (error) {
            QCOMPARE(shown[1].icon, Icon::None);
            QCOMPARE(shown[1].title, QStringLiteral("mnuFileSaveAsDialog_Click"));
            QVERIFY2(QRegularExpression(QStringLiteral("^Error: \\d+ \\S.*$")).match(shown[1].text).hasMatch(),
                     qPrintable(shown[1].text));
        }
        // Nothing left beside it: a temporary file is renamed over the target or removed.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 after == "-" ? QStringList() : QStringList{"trace.TXT"});
        QCOMPARE(f.log(), log);  // the log itself is untouched
        QFile::setPermissions(target.fullPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
