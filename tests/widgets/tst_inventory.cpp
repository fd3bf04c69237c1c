// What an operator can enter in the windows as they first open: every box's
// starting text, length limit and typed-character filter, every combo's items
// and choice, the options checked. (Captions are the windows' own business.)
//   text box   "text", then " max N" and the filter if any
//   combo box  "item|item|..." (more than four: "first..last (count)"), " =" the current text, the filter
//   option     "[x]" or "[ ]"

#include "contact/cpu_card_window.h"
#include "control/reset_option_form.h"
#include "control/sensor_state_form.h"
#include "link/shared_state.h"
#include "setup/comportset.h"
#include "support/control_setup.h"

#include <QLayout>
#include <QRadioButton>

using namespace mdqtest;

namespace {
QString describe(QWidget *w)
{
    auto filter = [](QWidget *e) {
        auto *f = qobject_cast<mdq::FilteredLineEdit *>(e);
        const char *names[] = {" hex", " digits", " apdu", ""};
        return QLatin1String(f ? names[int(f->filter())] : "");
    };
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        const QString list = items.size() <= 4 ? items.join(QLatin1Char('|'))
                                               : QStringLiteral("%1..%2 (%3)").arg(items.first(), items.last()).arg(items.size());
        return list + QStringLiteral(" =") + c->currentText() + filter(c->lineEdit());
    }
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return QLatin1String(b->isChecked() ? "[x]" : "[ ]");
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return QLatin1Char('"') + e->text() + QLatin1Char('"')
               + (e->maxLength() != 32767 ? QStringLiteral(" max %1").arg(e->maxLength()) : QString()) + filter(e);
    return QStringLiteral("<%1>").arg(QLatin1String(w->metaObject()->className()));
}

struct Item
{
    const char *window, *control;
    int index;
    const char *description;
};

const char *const kApdus = "0084000008|00A40000023F00|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu";

// clang-format off
const Item kInventory[] = {
    {"main", "cmbAddress820", -1, "0..F (16) =0"},
    {"main", "SecNumberCombo", -1, "00..27 (40) =01"}, {"main", "BlockNumberCombo", -1, "00..0F (16) =00"},
    {"main", "BlockLongCombo", -1, "01 =01"}, {"main", "PurseBlockCombbox", -1, "00..0F (16) =00"},
    {"main", "ULSecNumberCombo", -1, "00..0F (16) =04"},
    {"main", "RFCardUPCombbox", -1, "Type A,Type B|Type B,Type A|Type A(Only)|Type B(Only) =Type A,Type B"},
    {"main", "RfKeyAB1", -1, "[x]"}, {"main", "CheckRecord", -1, "[ ]"}, {"main", "PurseValueText", -1, "\"0\" digits"},
    {"main", "TypeACAPDUText", -1, kApdus}, {"main", "TypeBCAPDUText", -1, kApdus},
    {"main", "SRFTextLIST", 15, "\"\""}, {"main", "ICText", 127, "\"\" max 2"},
    {"main", "SL4442Add1", -1, "\"00\" max 2 hex"}, {"main", "SL4428Long", -1, "\"80\" max 2 hex"},
    {"main", "IC24XXADD1", -1, "\"00\" max 2 hex"}, {"main", "SL4442Pass3", -1, "\"FF\" max 2 hex"},
    {"main", "ATC1608Vri08", -1, "\"\" max 2 hex"}, {"main", "ATC1604A6format", -1, "\"\" max 2 hex"},
    {"main", "ATC102Add", -1, "\"\" max 2"}, {"main", "IRLifeEdit", -1, "\"00000000\""},
    {"main", "ReadReaderLifeOption", 0, "[x]"}, {"main", "ReadReaderLifeOption", 1, "[ ]"},
    {"main", "IRTenKaEdit", -1, "\"000\" max 3 digits"},
    {"ResetOptionForm", "Option1", -1, "[x]"}, {"ResetOptionForm", "Option7", -1, "[ ]"},
    {"comportset", "PortCombo", -1, "COM1..COM15 (15) =COM1"},
    {"comportset", "BaudCombo", -1, "9600 bits/s|19200 bits/s|38400 bits/s|57600 bits/s =9600 bits/s"},
    {"CPUCARD", "CmdText", -1, "0084000008|00A40000023F00|00C0000018|00A404000E315041592E5359532E4444463031 =00A40000023F00 apdu"},
    {"SimCard", "CmdText", -1, kApdus}, {"SimCard", "SimNo1", -1, "SAM 1..SAM 8 (8) =SAM 1"},
};
// clang-format on

void check(QWidget *window, const char *name)
{
    for (const Item &item : kInventory) {
        if (qstrcmp(item.window, name) != 0)
            continue;
        QWidget *w = childOf<QWidget>(window, QString::fromLatin1(item.control), item.index);
        const QString actual = w ? describe(w) : QStringLiteral("<missing>");
        if (actual != QString::fromUtf8(item.description))
            QTest::qFail(qPrintable(QStringLiteral("%1: %2(%3)\n   actual: %4\n expected: %5")
                                        .arg(QLatin1String(name), QLatin1String(item.control)).arg(item.index)
                                        .arg(actual, QString::fromUtf8(item.description))),
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
        mdq::comportset settings(f.main.context(), &f.main);
        check(&settings, "comportset");
        // The sensor rows run top to bottom in the order of the reply bytes.
        mdq::SensorStateForm sensors(QByteArray(12, '\0'), nullptr);
        sensors.adjustSize();
        sensors.layout()->activate();
        int lastY = -1;
        for (int i = 0; i < 12; ++i) {
            const int y = sensors.findChild<QLabel *>(QStringLiteral("Label%1").arg(10 + i))->geometry().top();
            QVERIFY(y > lastY);
            lastY = y;
        }
        f.connectPort();
        for (const char *button : {"CPURUN", "SIMRUN"})
            actIn(f, QLatin1String(button), [](QWidget *w) { check(w, qPrintable(w->objectName())); });
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
            actIn(f, QLatin1String(button), [&](QWidget *w) {
                applySetup(w, {"CmdText=0084000008", option + "(1)=on", "BackText=99", "ResetTextBack=3B"});
                if (sam)
                    applySetup(w, {"SimNo1=SAM 7"});
            });
            actIn(f, QLatin1String(button), [&](QWidget *w) {
                QCOMPARE(controlValue(w, "CmdText") + controlValue(w, "BackText") + controlValue(w, "ResetTextBack"),
                         QStringLiteral("00A40000023F00"));
                QVERIFY(childOf<QRadioButton>(w, option, 0)->isChecked());
                if (sam)
                    QCOMPARE(controlValue(w, "SimNo1"), QStringLiteral("SAM 1"));
            });
        }
    }
};

QTEST_MAIN(TestInventory)
#include "tst_inventory.moc"
