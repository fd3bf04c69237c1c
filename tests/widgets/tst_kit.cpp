// The tool's kit of widgets with real key and mouse events: the hex cell row
// (data grid and contactless variants), the typed-character filters of the
// small boxes, the log view following the traffic log, and input refused (not
// queued) while the line is busy.
// What an operator can enter in the windows as they first open: every box's
// starting text, length limit and typed-character filter, every combo's items
// and choice, the options checked. (Captions are the windows' own business.)
//   text box   "text", then " max N" and the filter if any
//   combo box  "item|item|..." (more than four: "first..last (count)"), " =" the current text, the filter
//   option     "[x]" or "[ ]"

#include "contact/cpu_card_window.h"
#include "control/reset_option_form.h"
#include "control/sensor_state_form.h"
#include "link/execute_command.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "setup/comportset.h"
#include "shell/log_view.h"
#include "support/control_setup.h"
#include "ui/hex_cell_row.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>
#include <QWidget>

using namespace mdq;
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

class TestKit : public QObject
{
    Q_OBJECT

    struct Row
    {
        QWidget window;
        HexCellRow row;
        Row(int count, HexCellRow::Overflow o) : row(QStringLiteral("Cells"), count, o, &window)
        {
            window.show();
            window.activateWindow();
            QApplication::setActiveWindow(&window);
        }
        void enter(int i)
        {
            row.cell(i)->setFocus();
            QApplication::processEvents();
        }
        int focused() const
        {
            auto *c = qobject_cast<HexCell *>(QApplication::focusWidget());
            return c ? c->index() : -1;
        }
    };

    static void postClick(QWidget *w)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        const QPointF global = w->mapToGlobal(at);
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(w, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                           type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                           Qt::NoModifier));
    }

    // Types keys into the focused widget: characters as typed, and <Enter>,
    // <Right>, <Left>, <Bksp>, <Esc>, <Del> (Delete without text) and <Del7F>
    // (with the text 7Fh some platforms give it), <home>/<end> (the caret put there),
    // <go N> (cell N entered, as by the mouse).
    static void press(const QString &keys, const std::function<void(int)> &go = {})
    {
        static const QRegularExpression token(QStringLiteral("<(\\w+)(?: (\\d+))?>|(.)"));
        static const QHash<QString, Qt::Key> named{{"Enter", Qt::Key_Return}, {"Right", Qt::Key_Right},
                                                    {"Left", Qt::Key_Left},    {"Bksp", Qt::Key_Backspace},
                                                    {"Esc", Qt::Key_Escape}};
        for (auto it = token.globalMatch(keys); it.hasNext();) {
            const auto m = it.next();
            QWidget *w = QApplication::focusWidget();
            auto *edit = qobject_cast<QLineEdit *>(w);
            if (!m.captured(3).isEmpty()) {
                QTest::keyClicks(w, m.captured(3));
            } else if (m.captured(1) == QLatin1String("go")) {
                go(m.captured(2).toInt());
            } else if (m.captured(1) == QLatin1String("home") || m.captured(1) == QLatin1String("end")) {
                edit->setCursorPosition(m.captured(1) == QLatin1String("home") ? 0 : int(edit->text().size()));
            } else if (m.captured(1).startsWith(QLatin1String("Del"))) {
                const QString text = m.captured(1) == QLatin1String("Del7F") ? QString(QChar(0x7F)) : QString();
                QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, text);
                QApplication::sendEvent(w, &del);
            } else {
                QTest::keyClick(w, named.value(m.captured(1)));
            }
        }
    }

private Q_SLOTS:
    // The hex cell row, as the data grid (a third character refused) and as
    // the contactless rows (the last two kept): keys typed from a cell on, the
    // cells' texts and the focus afterwards.
    void cellRow_data()
    {
        QTest::addColumn<bool>("keepLastTwo");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("preset");  // "cell=text,..."
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("cells");   // "cell=text,..." afterwards
        QTest::addColumn<int>("focus");       // -1: not checked
        for (const bool rf : {false, true}) {
            const char *kind = rf ? "rf row" : "grid";
            // Two digits fill a cell and move on; the last cell wraps to the first;
            // entering a filled cell selects it, so typing replaces it.
            QTest::addRow("%s: fill and wrap", kind) << rf << 4 << "" << 2 << "3fa1" << "2=3F,3=A1" << 0;
            QTest::addRow("%s: retype", kind) << rf << 4 << "" << 2 << "3fa1<go 2>07" << "2=07,3=A1" << 3;
        }
        QTest::newRow("Enter") << false << 6 << "" << 1 << "7<Enter>" << "1=07" << 2;
        QTest::newRow("Right") << false << 6 << "" << 1 << "7<Right>" << "1=07" << 2;
        QTest::newRow("Right wraps 5 -> 0") << false << 6 << "" << 5 << "7<Right>" << "5=07" << 0;
        QTest::newRow("Left wraps 0 -> 5") << false << 6 << "" << 0 << "7<Left>" << "0=07" << 5;
        QTest::newRow("Left wraps 0 -> 127") << false << 128 << "" << 0 << "7<Left>" << "0=07" << 127;
        QTest::newRow("Right wraps 127 -> 0") << false << 128 << "" << 127 << "7<Right>" << "127=07" << 0;
        QTest::newRow("Left in 0 of 4 -> 3") << false << 4 << "" << 0 << "7<Left>" << "0=07" << 3;
        QTest::newRow("grid refuses a third character") << false << 4 << "1=12" << 1 << "<end>3" << "1=12" << 1;
        QTest::newRow("rf row keeps the last two") << true << 4 << "1=12" << 1 << "<end>3" << "1=23" << 2;
        QTest::newRow("filter: lower case raised, others dropped") << true << 4 << "" << 0 << "g -a" << "0=A" << 0;
        QTest::newRow("Backspace does nothing") << true << 4 << "" << 0 << "a<Bksp>" << "0=A" << 0;
        QTest::newRow("Escape empties, leaving keeps it empty") << true << 4 << "" << 0 << "a<Esc><go 1>" << "0=" << 1;
        QTest::newRow("leaving by the mouse pads") << true << 4 << "" << 1 << "5<go 3>" << "1=05" << -1;
        QTest::newRow("Delete") << false << 4 << "2=AB" << 2 << "<home><Del>" << "2=B" << 2;
        QTest::newRow("Delete with text 7F") << false << 4 << "2=AB" << 2 << "<home><Del7F>" << "2=B" << 2;
    }
    void cellRow()
    {
        QFETCH(bool, keepLastTwo);
        QFETCH(int, count);
        QFETCH(QString, preset);
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(QString, cells);
        QFETCH(int, focus);
        Row r(count, keepLastTwo ? HexCellRow::Overflow::KeepLastTwo : HexCellRow::Overflow::Refuse);
        for (const QString &cell : preset.split(QLatin1Char(','), Qt::SkipEmptyParts))
            r.row.setText(cell.section(QLatin1Char('='), 0, 0).toInt(), cell.section(QLatin1Char('='), 1));
        r.enter(start);
        press(keys, [&r](int i) { r.enter(i); });
        for (const QString &cell : cells.split(QLatin1Char(',')))
            QCOMPARE(r.row.text(cell.section(QLatin1Char('='), 0, 0).toInt()), cell.section(QLatin1Char('='), 1));
        if (focus >= 0)
            QCOMPARE(r.focused(), focus);
    }

    void programmaticFillMovesFocus()
    {
        Row r(8, HexCellRow::Overflow::Refuse);
        r.enter(0);
        for (int i = 0; i < 3; ++i)
            r.row.setText(i, QStringLiteral("AB"));
        QCOMPARE(r.focused(), 3);
        r.row.setText(5, QString());  // clearing moves nothing
        QCOMPARE(r.focused(), 3);
        QCOMPARE(r.row.joined(4), QStringLiteral("ABABAB"));
    }

    // The small boxes' typed-character filters.
    void filteredBox_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("keys");  // typed into "12" for the editing keys
        QTest::addColumn<QString>("result");
        const int hex = int(FilteredLineEdit::Filter::Hex), digits = int(FilteredLineEdit::Filter::Digits),
                  apdu = int(FilteredLineEdit::Filter::HexWithBackspace);
        QTest::newRow("hex: lower case raised, others dropped") << hex << "a1g -F" << "A1F";
        QTest::newRow("digits only") << digits << "1a2-3" << "123";
        QTest::newRow("apdu hex") << apdu << "00a4 x" << "00A4";
        QTest::newRow("any") << int(FilteredLineEdit::Filter::Any) << "g -1" << "g -1";
        QTest::newRow("hex boxes ignore Backspace") << hex << "12<Bksp>" << "12";
        QTest::newRow("digits take it") << digits << "12<Bksp>" << "1";
        QTest::newRow("apdu box takes it") << apdu << "12<Bksp>" << "1";
        // Delete deletes in every box, also when the platform gives it the text 7Fh.
        for (const int f : {hex, digits, apdu})
            QTest::addRow("Delete 7F, filter %d", f) << f << "12<home><Del7F>" << "2";
    }
    void filteredBox()
    {
        QFETCH(int, filter);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QWidget window;
        auto *box = new FilteredLineEdit(FilteredLineEdit::Filter(filter), &window);
        window.show();
        QApplication::setActiveWindow(&window);
        box->setFocus();
        press(keys);
        QCOMPARE(box->text(), result);
    }

    void inputRefusedWhileBusy()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("go"), &window);
        auto *edit = new QLineEdit(&window);
        edit->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(button, &QPushButton::clicked);
        bool timerRan = false;
        {
            ExchangeScope busy;
            QVERIFY(exchangeInProgress());
            QTimer::singleShot(0, [&timerRan] { timerRan = true; });
            postClick(button);
            edit->setFocus();
            QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
            keepWindowsPainted();
            keepWindowsPainted();
        }
        QVERIFY(!exchangeInProgress());
        QVERIFY(timerRan);
        QCOMPARE(clicked.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 0);  // dropped, not delivered late
        QCOMPARE(edit->text(), QString());

        postClick(button);
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 1);  // idle again: input works
    }

    void linesFollowPieces()
    {
        TrafficLog log;
        log.append(QStringLiteral("before\r\n"));
        LogView view(log);  // picks up what is there already
        QVERIFY(view.selectedText().isEmpty());
        log.append(QStringLiteral("SD: F2 00 "));
        log.append(QStringLiteral("03 \r"));
        log.append(QStringLiteral("\nRD: 06\r\n       "));
        QCOMPARE(view.lineCount(), 4);
        QCOMPARE(view.line(0), QStringLiteral("before"));
        QCOMPARE(view.line(1), QStringLiteral("SD: F2 00 03 "));
        QCOMPARE(view.line(2), QStringLiteral("RD: 06"));
        QCOMPARE(view.line(3), QStringLiteral("       "));
        QCOMPARE(view.line(4), QString());
        view.selectAll();  // and copied as it is
        QCOMPARE(view.selectedText(), log.text());
        log.clear();
        QCOMPARE(view.lineCount(), 1);
        QCOMPARE(view.line(0), QString());
    }

    void sticksToTheEnd()
    {
        TrafficLog log;
        LogView view(log);
        view.resize(300, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 200; ++i)
            log.append(QStringLiteral("line %1\r\n").arg(i));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.firstVisibleLine() > 150);
        view.verticalScrollBar()->setValue(10);  // the operator scrolled up: stay there
        log.append(QStringLiteral("more\r\n"));
        QCOMPARE(view.firstVisibleLine(), 10);
        log.moveCaretToEnd();
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    }

    // ---- What the windows' boxes start with and take ----

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

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
