// The reader's own windows on a fake port: INITIALIZE with its options window
// (the options the scenarios do not choose, another address, closing the
// window), Sensor Status with its window (bytes the virtual reader never
// sends), and Clear Data.

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
    void clearData()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0'));
        f.click(QStringLiteral("CardStatusBtn"));
        f.prompter.clear();
        f.click(QStringLiteral("ClearSDTDText"));
        QVERIFY(f.log().isEmpty());
        f.click(QStringLiteral("ClearSDTDText"));  // on an empty log: still empty, nothing shown
        QVERIFY(f.log().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
        QVERIFY(f.port.isOpen());
    }

    // ---- INITIALIZE ----

    void initialize_sendsThePmOfTheChosenOption_data()
    {
        QTest::addColumn<QString>("option");  // "": the window left as it opened
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("Option4, the version text") << "Option4" << "0" << QByteArray("MDQ-820 V2.1") << QByteArray("F2 00 00 03 43 30 33 03 B2");
        QTest::newRow("Option5") << "Option5" << "0" << QByteArray() << QByteArray("F2 00 00 03 43 30 34 03 B5");
        QTest::newRow("Option6 at A") << "Option6" << "A" << QByteArray() << QByteArray("F2 0A 00 03 43 30 35 03 BE");
    }
    void initialize_sendsThePmOfTheChosenOption()
    {
        QFETCH(QString, option);
        QFETCH(QString, address);
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, frame);
        MainFixture f;
        f.connectPort();
        f.main.findChild<QComboBox *>(QStringLiteral("cmbAddress820"))->setCurrentText(address);
        const QByteArray bytes = QByteArray::fromHex(frame);
        f.port.answerWith(replyFrame('P', '0', quint8(bytes.at(6)), "000", version, quint8(bytes.at(1))));
        QString window;
        onModal([&](QWidget *w) {
            window = w->objectName();
            if (!option.isEmpty())
                childOf<QRadioButton>(w, option)->setChecked(true);
            childOf<QAbstractButton>(w, QStringLiteral("Command1"))->click();
        });
        f.click(QStringLiteral("ReaderResetBtn"));
        QCOMPARE(window, QStringLiteral("ResetOptionForm"));
        QCOMPARE(f.port.lastFrame().toHex(), bytes.toHex());
        QCOMPARE(f.main.state().ResetOption, quint8(bytes.at(6)));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Reset", "Reset success\r\n" + version}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

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
