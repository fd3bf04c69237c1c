// Typed-character filters of the small boxes, with real key events.

#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QtTest/QTest>

using namespace mdq;

class TestFilteredLineEdit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_MAIN(TestFilteredLineEdit)
#include "tst_filtered_line_edit.moc"
