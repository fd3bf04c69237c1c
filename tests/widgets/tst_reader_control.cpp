// The reader's own windows on a fake port: INITIALIZE's options window closed
// by its frame, and Sensor Status with its window (bytes the virtual reader
// never sends). (The options chosen, and Clear Data: tst_commands.)

#include "link/shared_state.h"
#include "support/main_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

using namespace mdqtest;
using mdq::Icon;

class TestReaderControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_MAIN(TestReaderControl)
#include "tst_reader_control.moc"
