// The tool's kit of widgets with real key and mouse events: the hex cell row
// (data grid and contactless variants), the typed-character filters of the
// small boxes, the log view following the traffic log, and input refused (not
// queued) while the line is busy.

#include "link/execute_command.h"
#include "link/traffic_log.h"
#include "shell/log_view.h"
#include "ui/hex_cell_row.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>

using namespace mdq;

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

private Q_SLOTS:
    void typingFillsCellsAndWraps_data()
    {
        QTest::addColumn<int>("overflow");
        QTest::newRow("grid") << int(HexCellRow::Overflow::Refuse);
        QTest::newRow("rf row") << int(HexCellRow::Overflow::KeepLastTwo);
    }
    void typingFillsCellsAndWraps()
    {
        QFETCH(int, overflow);
        Row r(4, HexCellRow::Overflow(overflow));
        r.enter(2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3f"));
        QCOMPARE(r.row.text(2), QStringLiteral("3F"));
        QCOMPARE(r.focused(), 3);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a1"));
        QCOMPARE(r.row.text(3), QStringLiteral("A1"));
        QCOMPARE(r.focused(), 0);  // the last cell wraps to the first
        // Entering a filled cell selects it, so typing replaces it.
        r.enter(2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("07"));
        QCOMPARE(r.row.text(2), QStringLiteral("07"));
    }

    void keysMoveAndPad_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("focusAfter");
        QTest::newRow("Enter") << 6 << 1 << int(Qt::Key_Return) << 2;
        QTest::newRow("Right") << 6 << 1 << int(Qt::Key_Right) << 2;
        QTest::newRow("Right wraps 5 -> 0") << 6 << 5 << int(Qt::Key_Right) << 0;
        QTest::newRow("Left wraps 0 -> 5") << 6 << 0 << int(Qt::Key_Left) << 5;
        QTest::newRow("Left wraps 0 -> 127") << 128 << 0 << int(Qt::Key_Left) << 127;
        QTest::newRow("Right wraps 127 -> 0") << 128 << 127 << int(Qt::Key_Right) << 0;
        QTest::newRow("Left in 0 of 4 -> 3") << 4 << 0 << int(Qt::Key_Left) << 3;
    }
    void keysMoveAndPad()
    {
        QFETCH(int, count);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, focusAfter);
        Row r(count, HexCellRow::Overflow::Refuse);
        r.enter(start);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(r.row.text(start), QStringLiteral("07"));
        QCOMPARE(r.focused(), focusAfter);
    }

    void thirdCharacter()
    {
        // Caret after two digits: the grid refuses the third, the RF row keeps the last two.
        Row grid(4, HexCellRow::Overflow::Refuse);
        grid.row.cell(1)->setText(QStringLiteral("12"));
        grid.enter(1);
        grid.row.cell(1)->end(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
        QCOMPARE(grid.row.text(1), QStringLiteral("12"));
        QCOMPARE(grid.focused(), 1);

        Row rf(4, HexCellRow::Overflow::KeepLastTwo);
        rf.row.cell(1)->setText(QStringLiteral("12"));
        rf.enter(1);
        rf.row.cell(1)->end(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
        QCOMPARE(rf.row.text(1), QStringLiteral("23"));
        QCOMPARE(rf.focused(), 2);
    }

    void filterAndEscape()
    {
        Row r(4, HexCellRow::Overflow::KeepLastTwo);
        r.enter(0);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("g -"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(r.row.text(0), QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
        QCOMPARE(r.row.text(0), QStringLiteral("A"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);  // does nothing here
        QCOMPARE(r.row.text(0), QStringLiteral("A"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(r.row.text(0), QString());
        r.enter(1);  // leaving the emptied cell keeps it empty
        QCOMPARE(r.row.text(0), QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_5);
        r.enter(3);  // leaving by the mouse pads a single digit
        QCOMPARE(r.row.text(1), QStringLiteral("05"));
    }

    void deleteKeyStillDeletes_data()
    {
        QTest::addColumn<QString>("keyText");  // what the platform puts in the key event
        QTest::newRow("no text") << QString();
        QTest::newRow("text 7F") << QString(QChar(0x7F));
    }
    void deleteKeyStillDeletes()
    {
        QFETCH(QString, keyText);
        Row r(4, HexCellRow::Overflow::Refuse);
        r.row.setText(2, QStringLiteral("AB"));
        r.enter(2);
        auto *cell = r.row.cell(2);
        cell->setCursorPosition(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, keyText);
        QApplication::sendEvent(cell, &press);
        QCOMPARE(r.row.text(2), QStringLiteral("B"));
        QCOMPARE(r.focused(), 2);
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

    void typing_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("hex: lower case raised, others dropped") << int(FilteredLineEdit::Filter::Hex) << "a1g -F" << "A1F";
        QTest::newRow("digits only") << int(FilteredLineEdit::Filter::Digits) << "1a2-3" << "123";
        QTest::newRow("apdu hex") << int(FilteredLineEdit::Filter::HexWithBackspace) << "00a4 x" << "00A4";
        QTest::newRow("any") << int(FilteredLineEdit::Filter::Any) << "g -1" << "g -1";
    }
    void typing()
    {
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        FilteredLineEdit box{FilteredLineEdit::Filter(filter)};
        QTest::keyClicks(&box, typed);
        QCOMPARE(box.text(), result);
    }

    void backspaceAndDelete_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("afterBackspace");
        QTest::newRow("hex boxes ignore Backspace") << int(FilteredLineEdit::Filter::Hex) << "12";
        QTest::newRow("digits take it") << int(FilteredLineEdit::Filter::Digits) << "1";
        QTest::newRow("apdu box takes it") << int(FilteredLineEdit::Filter::HexWithBackspace) << "1";
    }
    void backspaceAndDelete()
    {
        QFETCH(int, filter);
        QFETCH(QString, afterBackspace);
        FilteredLineEdit box{FilteredLineEdit::Filter(filter)};
        box.setText(QStringLiteral("12"));
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), afterBackspace);
        // Delete deletes in every box, also when the platform gives it the text 7Fh.
        box.setText(QStringLiteral("12"));
        box.setCursorPosition(0);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
        QApplication::sendEvent(&box, &del);
        QCOMPARE(box.text(), QStringLiteral("2"));
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
        log.append(QStringLiteral("SD: F2 00 "));
        log.append(QStringLiteral("03 \r"));
        log.append(QStringLiteral("\nRD: 06\r\n       "));
        QCOMPARE(view.lineCount(), 4);
        QCOMPARE(view.line(0), QStringLiteral("before"));
        QCOMPARE(view.line(1), QStringLiteral("SD: F2 00 03 "));
        QCOMPARE(view.line(2), QStringLiteral("RD: 06"));
        QCOMPARE(view.line(3), QStringLiteral("       "));
        QCOMPARE(view.line(4), QString());
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

    void selectAndCopy()
    {
        TrafficLog log;
        LogView view(log);
        QVERIFY(view.selectedText().isEmpty());
        log.append(QStringLiteral("a\r\nb\r\nc"));
        view.selectAll();
        QCOMPARE(view.selectedText(), QStringLiteral("a\r\nb\r\nc"));
    }
};

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
