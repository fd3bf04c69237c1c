// The one inventory of the windows as an operator first sees them: every
// control a test or script names, with its caption, items or starting text.
//   button     caption, "[x] " / "[ ] " before it when it can be checked
//   label      its text; group box: its title; tab widget: "tab|tab|..."
//   text box   "text", then " max N" and the typed-character filter if any
//   combo box  "item|item|..." (more than four: "first..last (count)"), " =" the current text,
//              then the filter of its text box if any
//   "#"        the window's title; "Parent/Name" looks inside Parent only

#include "contact/cpu_card_window.h"
#include "control/config_form.h"
#include "control/read_sn.h"
#include "control/reset_option_form.h"
#include "control/sensor_state_form.h"
#include "link/shared_state.h"
#include "setup/comportset.h"
#include "support/control_setup.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using namespace mdqtest;

namespace {
QString filterName(mdq::FilteredLineEdit *f)
{
    const char *names[] = {" hex", " digits", " apdu", ""};
    return QLatin1String(names[int(f->filter())]);
}

QString describe(QWidget *w)
{
    if (w->isWindow())
        return w->windowTitle();
    if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts.join(QLatin1Char('|'));
    }
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        const QString list = items.size() <= 4 ? items.join(QLatin1Char('|'))
                                               : QStringLiteral("%1..%2 (%3)").arg(items.first(), items.last()).arg(items.size());
        QString d = list + QStringLiteral(" =") + c->currentText();
        if (auto *f = qobject_cast<mdq::FilteredLineEdit *>(c->lineEdit()))
            d += filterName(f);
        return d;
    }
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        const bool box = b->isCheckable() && !qobject_cast<QPushButton *>(b);
        return (box ? QLatin1String(b->isChecked() ? "[x] " : "[ ] ") : QLatin1String()) + b->text();
    }
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        QString d = QLatin1Char('"') + e->text() + QLatin1Char('"');
        if (e->maxLength() != 32767)
            d += QStringLiteral(" max %1").arg(e->maxLength());
        if (auto *f = qobject_cast<mdq::FilteredLineEdit *>(w))
            d += filterName(f);
        return d;
    }
    return QStringLiteral("<%1>").arg(QLatin1String(w->metaObject()->className()));
}

QWidget *find(QWidget *window, const QString &path, int index)
{
    if (path == QLatin1String("#"))
        return window;
    const int slash = int(path.indexOf(QLatin1Char('/')));
    QWidget *in = slash < 0 ? window : window->findChild<QWidget *>(path.left(slash));
    return in ? childOf<QWidget>(in, path.mid(slash + 1), index) : nullptr;
}

struct Item
{
    const char *window, *control;
    int index;
    const char *description;
};

// clang-format off
const Item kInventory[] = {
    {"main", "#", -1, "QTEST820_V1.0_EN(2010/06/04)"},
    {"main", "SSTab1", -1, "RF CARD|IC CARD|EXTEND FUNCTION|MONITOR"},
    {"main", "EXITGRM", -1, "Exit"}, {"main", "IROpencom", -1, "Setup Comm"}, {"main", "IRCLOSECOM", -1, "Close Comm"},
    {"main", "ReaderResetBtn", -1, "INITIALIZE"}, {"main", "CardStatusBtn", -1, "Card Status"},
    {"main", "SensorStatusBtn", -1, "Sensor Status"}, {"main", "cmbAddress820", -1, "0..F (16) =0"},
    {"main", "Frame2", -1, "Card Move to"}, {"main", "Frame3", -1, "Enter Control"},
    {"main", "Frame2/MoveCardToFront1Btn", -1, "the front"},
    {"main", "Frame2/MoveCardToFront2Btn", -1, "the front,hold the card"},
    {"main", "Frame2/MoveCardToICCBtn", -1, "the IC card operation position"},
    {"main", "Frame2/MoveCardToRFBtn", -1, "the RF card operation position"},
    {"main", "Frame2/MoveCardToRecycleBinBtn", -1, "Error Card Bin"},
    {"main", "Frame3/AllCardInBtn", -1, "Allowed"}, {"main", "Frame3/NoCardInBtn", -1, "Prohibition"},
    {"main", "ICTestTypeCmd", -1, "IC Card Type"}, {"main", "RFTestTypeCmd", -1, "RF Card Type"},
    {"main", "ClearSDTDText", -1, "Clear Data"}, {"main", "CheckRecord", -1, "[ ] Record Data"},
    {"main", "SaveSDTDText", -1, "Save To"},
    // RF CARD
    {"main", "SecNumberCombo", -1, "00..27 (40) =01"}, {"main", "BlockNumberCombo", -1, "00..0F (16) =00"},
    {"main", "BlockLongCombo", -1, "01 =01"}, {"main", "PurseBlockCombbox", -1, "00..0F (16) =00"},
    {"main", "ULSecNumberCombo", -1, "00..0F (16) =04"},
    {"main", "RFCardUPCombbox", -1, "Type A,Type B|Type B,Type A|Type A(Only)|Type B(Only) =Type A,Type B"},
    {"main", "RfKeyAB1", -1, "[x] KEY A"}, {"main", "PurseValueText", -1, "\"0\" digits"},
    {"main", "TypeACAPDUText", -1, "0084000008|00A40000023F00|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu"},
    {"main", "TypeBCAPDUText", -1, "0084000008|00A40000023F00|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu"},
    {"main", "SRFTextLIST", 15, "\"\""},
    // IC CARD
    {"main", "SSTab2", -1, "CPU/SAM|SLE4442|SLE4428|AT88SC102|24CXX|AT88SC1604|AT88SC1608|AT45D041"},
    {"main", "ICTextHeader", -1, "             00    01    02    03    04    05    06    07    08    09   0A    0B   0C    "
                                 "0D    0E    0F"},
    {"main", "ICTextRow", 7, "07"}, {"main", "ICText", 127, "\"\" max 2"},
    {"main", "SL4442Add1", -1, "\"00\" max 2 hex"}, {"main", "SL4428Long", -1, "\"80\" max 2 hex"},
    {"main", "IC24XXADD1", -1, "\"00\" max 2 hex"}, {"main", "SL4442Pass3", -1, "\"FF\" max 2 hex"},
    {"main", "ATC1608Vri08", -1, "\"\" max 2 hex"}, {"main", "ATC1604A6format", -1, "\"\" max 2 hex"},
    {"main", "ATC102Add", -1, "\"\" max 2"},
    // EXTEND FUNCTION
    {"main", "FrameLife", -1, "Life Counter Read"}, {"main", "FrameCounter", -1, "Capture Card Counter"},
    {"main", "FrameConfig", -1, "Unit configuration"}, {"main", "FrameSn", -1, "Unit SN OPERATION"},
    {"main", "IRLifeEdit", -1, "\"00000000\""},
    {"main", "ReadReaderLifeOption", 0, "[x] Number of Dispensing card from stack"},
    {"main", "ReadReaderLifeOption", 1, "[ ] Number of IC contact press"},
    {"main", "ReadReaderLifeOption", 2, "[ ] Number of Moving card to RF card operation position"},
    {"main", "IRTenKaEdit", -1, "\"000\" max 3 digits"}, {"main", "IRTenKaReadCMD", -1, "Read Counter"},
    {"main", "IRTenKaFormatCMD", -1, "InitializeI Counter"}, {"main", "IRCONFIGCMD", -1, "Unit configuration"},
    {"main", "TypeReadsn", -1, "Read SN"},
    // INITIALIZE options
    {"ResetOptionForm", "#", -1, "INITIALIZE Option"},
    {"ResetOptionForm", "Option1", -1, "[x] If card is in, move card to the front"},
    {"ResetOptionForm", "Option2", -1, "[ ] If card is in, move card to the error card bin"},
    {"ResetOptionForm", "Option4", -1, "[ ] Only initialinze, retain the card inside"},
    {"ResetOptionForm", "Option5", -1, "[ ] If card is in, move card to the front and counter will work."},
    {"ResetOptionForm", "Option6", -1, "[ ] If card is in, move card to the error card bin and counter will work."},
    {"ResetOptionForm", "Option7", -1, "[ ] If card is in, retain the card inside  and counter will work."},
    {"ResetOptionForm", "Command1", -1, "OK"}, {"ResetOptionForm", "Command2", -1, "Cancel"},
    // Sensor status: the captions; the values are empty for 00h
    {"SensorStateForm", "#", -1, "Auto test the status of the sensor"},
    {"SensorStateForm", "Label0", -1, "Sensor 1 (PSS1)"}, {"SensorStateForm", "Label1", -1, "Sensor 2 (PSS2)"},
    {"SensorStateForm", "Labe2", -1, "Sensor 3 (PSS3)"}, {"SensorStateForm", "Label3", -1, "Sensor 4 (PSS4)"},
    {"SensorStateForm", "Label4", -1, "Sensor 5 (PSS5)"}, {"SensorStateForm", "Label5", -1, "Sensor 6 (PSS6)"},
    {"SensorStateForm", "Label6", -1, "Sensor 7 (PSS7)"}, {"SensorStateForm", "Label7", -1, "Sensor 8 (PSS8)"},
    {"SensorStateForm", "Label8", -1, "Sensor 9 (PSS9)"}, {"SensorStateForm", "Label9", -1, "Sensor 10 (PSS10)"},
    {"SensorStateForm", "Label111", -1, "Sensor KS1 (KS1)"}, {"SensorStateForm", "Label1112", -1, "Sensor KS2 (KS2)"},
    {"SensorStateForm", "Label10", -1, ""}, {"SensorStateForm", "Label21", -1, ""},
    // Unit configuration and serial number
    {"ConfigForm", "#", -1, "Card machine configuration information"},
    {"ConfigForm", "Label0", -1, "Card machiner identifies words"}, {"ConfigForm", "Label1", -1, "Software code"},
    {"ConfigForm", "Label2", -1, "Support the type of card operation"},
    {"ConfigForm", "Label3", -1, "Communication Interface"}, {"ConfigForm", "Label4", -1, "IC Card Module Type"},
    {"ConfigForm", "Label5", -1, "RF Card Module Type"}, {"ConfigForm", "Label6", -1, "SAM Card Module Type"},
    {"ConfigForm", "Label7", -1, "Dispense card component type"}, {"ConfigForm", "Label17", -1, ""},
    {"ReadSn", "#", -1, "Read SN of Card Reader"},
    // Communication settings
    {"comportset", "#", -1, "Communication Setting"}, {"comportset", "PortCombo", -1, "COM1..COM15 (15) =COM1"},
    {"comportset", "BaudCombo", -1, "9600 bits/s|19200 bits/s|38400 bits/s|57600 bits/s =9600 bits/s"},
    {"comportset", "AutoLabel", -1, "'AUTO SCAN'   Unfold -->>"},
    {"comportset", "ScanStopBtn", -1, "Stop"}, {"comportset", "ScanAllAddresses", -1, "[ ] All addresses"},
    // CPU card and SAM windows
    {"CPUCARD", "#", -1, "CPU Card"},
    {"CPUCARD", "CmdText", -1, "0084000008|00A40000023F00|00C0000018|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu"},
    {"SimCard", "#", -1, "SAM Card"},
    {"SimCard", "CmdText", -1, "0084000008|00A40000023F00|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu"},
    {"SimCard", "SimNo1", -1, "SAM 1..SAM 8 (8) =SAM 1"},
};
// clang-format on

void check(QWidget *window, const char *name)
{
    for (const Item &item : kInventory) {
        if (qstrcmp(item.window, name) != 0)
            continue;
        QWidget *w = find(window, QString::fromLatin1(item.control), item.index);
        const QString where = QStringLiteral("%1: %2(%3)").arg(QLatin1String(name), QLatin1String(item.control)).arg(item.index);
        const QString actual = w ? describe(w) : QStringLiteral("<missing>");
        if (actual != QString::fromUtf8(item.description))
            QTest::qFail(qPrintable(where + QStringLiteral("\n   actual: ") + actual + QStringLiteral("\n expected: ")
                                    + QString::fromUtf8(item.description)),
                         __FILE__, __LINE__);
    }
}
}  // namespace

class TestInventory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsAsDesigned()
    {
        MainFixture f;
        check(&f.main, "main");
        mdq::SharedState state;
        state.ResetOption = '5';
        mdq::ResetOptionForm reset(state, nullptr);
        QCOMPARE(state.ResetOption, quint8(0));  // opening the options clears the last choice
        check(&reset, "ResetOptionForm");
        mdq::SensorStateForm sensors(QByteArray(12, '\0'), nullptr);
        check(&sensors, "SensorStateForm");
        // The sensor rows run top to bottom in the order of the reply bytes.
        sensors.adjustSize();
        sensors.layout()->activate();
        int lastY = -1;
        for (int i = 0; i < 12; ++i) {
            const int y = sensors.findChild<QLabel *>(QStringLiteral("Label%1").arg(10 + i))->geometry().top();
            QVERIFY(y > lastY);
            lastY = y;
        }
        mdq::ConfigForm config(QByteArray(), nullptr);
        check(&config, "ConfigForm");
        mdq::ReadSn sn(QString(), nullptr);
        check(&sn, "ReadSn");
        mdq::comportset settings(f.main.context(), &f.main);
        check(&settings, "comportset");

        f.connectPort();
        for (const char *button : {"CPURUN", "SIMRUN"}) {
            onModal([](QWidget *w) {
                check(w, qPrintable(w->objectName()));
                childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
            });
            f.click(QString::fromLatin1(button));
        }
    }

    // The CPU card and SAM windows open as designed every time, whatever the
    // operator left in them.
    void windowsReopenAsDesigned()
    {
        MainFixture f;
        f.connectPort();
        for (const char *button : {"CPURUN", "SIMRUN"}) {
            const bool sam = QLatin1String(button) == QLatin1String("SIMRUN");
            const QString option = sam ? QStringLiteral("SAMVCCOPTION") : QStringLiteral("CPUVCCOPTION");
            onModal([&](QWidget *w) {
                applySetup(w, {"CmdText=0084000008", option + "(1)=on", "BackText=99", "ResetTextBack=3B"});
                if (sam)
                    applySetup(w, {"SimNo1=SAM 7"});
                childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
            });
            f.click(QString::fromLatin1(button));
            onModal([&](QWidget *w) {
                QCOMPARE(controlValue(w, "CmdText") + controlValue(w, "BackText") + controlValue(w, "ResetTextBack"),
                         QStringLiteral("00A40000023F00"));
                QVERIFY(childOf<QRadioButton>(w, option, 0)->isChecked());
                if (sam)
                    QCOMPARE(controlValue(w, "SimNo1"), QStringLiteral("SAM 1"));
                childOf<QAbstractButton>(w, QStringLiteral("BackCmd"))->click();
            });
            f.click(QString::fromLatin1(button));
        }
    }
};

QTEST_MAIN(TestInventory)
#include "tst_inventory.moc"
