// The hex cell row with real key events: the data grid variant (third
// character refused) and the contactless variant (last two kept).

#include "ui/hex_cell_row.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QtTest/QTest>

using namespace mdq;

class TestHexCellRow : public QObject
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
};

QTEST_MAIN(TestHexCellRow)
#include "tst_hex_cell_row.moc"
