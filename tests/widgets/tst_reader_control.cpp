// The reader's own buttons on the main window, on a fake port: initialise with
// its options window, card and sensor status, card movement and entry control.

#include "control/reader_control.h"
#include "control/reset_option_form.h"
#include "control/sensor_state_form.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "support/main_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

using namespace mdqtest;
using mdq::Icon;

namespace {
const QString kCaution = QStringLiteral("Caution");
const QString kPortFirst = QStringLiteral("Comm. Port Setup First");

QByteArray frame(quint8 cm, quint8 pm, const QByteArray &data = {}, quint8 address = 0)
{
    return mdq::CommandFrame(address, cm, pm, data);
}

// What a modal window showed, captured before it is closed.
struct Captured
{
    QString windowName;
    QString title;
    QMap<QString, QString> texts;
    QMap<QString, QColor> colours;
};

QStringList sensorValueLabels()
{
    QStringList labels;
    for (int i = 10; i <= 21; ++i)
        labels << QStringLiteral("Label%1").arg(i);
    return labels;
}

void pressInModal(const QString &button, Captured *captured = nullptr, const QStringList &labels = {},
                  const QString &checkFirst = QString())
{
    onModal([=](QWidget *w) {
        if (captured) {
            captured->windowName = w->objectName();
            captured->title = w->windowTitle();
            for (const QString &name : labels) {
                if (auto *l = childOf<QLabel>(w, name)) {
                    captured->texts.insert(name, l->text());
                    captured->colours.insert(name, l->palette().color(QPalette::WindowText));
                }
            }
        }
        if (!checkFirst.isEmpty())
            if (auto *o = childOf<QRadioButton>(w, checkFirst))
                o->setChecked(true);
        if (auto *b = childOf<QAbstractButton>(w, button))
            b->click();
        else
            w->close();
    });
}
}  // namespace

class TestReaderControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // ---- every reader button follows the operation pattern ----

    void closedPort_refusesWithoutTouchingLogOrPort_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *name : {"ReaderResetBtn", "CardStatusBtn", "SensorStatusBtn"})
            QTest::newRow(name) << QString::fromLatin1(name);
        for (const auto &row : mdq::moveCommands())
            QTest::newRow(row.button) << QString::fromLatin1(row.button);
    }
    void closedPort_refusesWithoutTouchingLogOrPort()
    {
        QFETCH(QString, button);
        MainFixture f;
        f.main.log().append(QStringLiteral("earlier\r\n"));
        f.click(button);
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Exclamation, kCaution, kPortFirst}}));
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("earlier\r\n"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // ---- INITIALIZE ----

    void resetOptionForm_showsTheSixOptionsWithTheirCaptions()
    {
        mdq::SharedState state;
        state.ResetOption = '5';
        mdq::ResetOptionForm form(state, nullptr);
        QCOMPARE(state.ResetOption, quint8(0));  // loading clears it
        QCOMPARE(form.windowTitle(), QStringLiteral("INITIALIZE Option"));
        const QList<QPair<QString, QString>> expected{
            {"Option1", "If card is in, move card to the front"},
            {"Option2", "If card is in, move card to the error card bin"},
            {"Option4", "Only initialinze, retain the card inside"},
            {"Option5", "If card is in, move card to the front and counter will work."},
            {"Option6", "If card is in, move card to the error card bin and counter will work."},
            {"Option7", "If card is in, retain the card inside  and counter will work."},
        };
        const auto options = form.findChildren<QRadioButton *>();
        QCOMPARE(options.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(options[i]->objectName(), expected[i].first);
            QCOMPARE(options[i]->text(), expected[i].second);
            QCOMPARE(options[i]->isChecked(), i == 0);
        }
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command1"))->text(), QStringLiteral("OK"));
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command2"))->text(), QStringLiteral("Cancel"));
    }

    void initialize_sendsThePmOfTheChosenOption_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<char>("pm");
        QTest::newRow("untouched: Option1") << QString() << '0';
        QTest::newRow("Option1") << QStringLiteral("Option1") << '0';
        QTest::newRow("Option2") << QStringLiteral("Option2") << '1';
        QTest::newRow("Option4") << QStringLiteral("Option4") << '3';
        QTest::newRow("Option5") << QStringLiteral("Option5") << '4';
        QTest::newRow("Option6") << QStringLiteral("Option6") << '5';
        QTest::newRow("Option7") << QStringLiteral("Option7") << '7';
    }
    void initialize_sendsThePmOfTheChosenOption()
    {
        QFETCH(QString, option);
        QFETCH(char, pm);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('0', quint8(pm)));
        Captured shown;
        pressInModal(QStringLiteral("Command1"), &shown, {}, option);
        f.click(QStringLiteral("ReaderResetBtn"));
        QCOMPARE(shown.windowName, QStringLiteral("ResetOptionForm"));
        QCOMPARE(f.port.lastFrame(), frame('0', quint8(pm)));
        QCOMPARE(f.main.state().ResetOption, quint8(pm));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Reset", "Reset success\r\n"}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void initialize_fifthOptionFrame()
    {
        MainFixture f;
        f.connectPort();
        f.main.findChild<QComboBox *>(QStringLiteral("cmbAddress820"))->setCurrentText(QStringLiteral("A"));
        pressInModal(QStringLiteral("Command1"), nullptr, {}, QStringLiteral("Option6"));
        f.click(QStringLiteral("ReaderResetBtn"));
        const QByteArray sent = f.port.lastFrame();
        QCOMPARE(sent.left(8), QByteArray::fromHex("F20A000343303503"));
        QCOMPARE(quint8(sent[8]), mdq::ComputeBcc(sent));
    }

    void initialize_cancelSendsNothingAndLeavesNoBlankLine()
    {
        MainFixture f;
        f.connectPort();
        f.main.log().append(QStringLiteral("SD: earlier\r\n"));
        pressInModal(QStringLiteral("Command2"));
        f.click(QStringLiteral("ReaderResetBtn"));
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(f.log(), QString());  // cleared (Record Data off), and nothing after it
        QCOMPARE(f.main.state().ResetOption, quint8(0));
    }

    void initialize_closingTheWindowByItsFrameIsACancel()
    {
        MainFixture f;
        f.connectPort();
        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.main.log().append(QStringLiteral("kept\r\n"));
        onModal([](QWidget *w) { w->close(); });
        f.click(QStringLiteral("ReaderResetBtn"));
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("kept\r\n"));
        QCOMPARE(f.main.state().ResetOption, quint8(0));
    }

    void initialize_showsTheVersionTextOfThePositiveReply()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('0', '0', "MDQ-820 V2.1"));
        pressInModal(QStringLiteral("Command1"));
        f.click(QStringLiteral("ReaderResetBtn"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Reset", "Reset success\r\nMDQ-820 V2.1"}}));
    }

    void initialize_negativeReplyShowsOnlyTheDecodedError()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative('0', '1', "A1"));
        pressInModal(QStringLiteral("Command1"), nullptr, {}, QStringLiteral("Option2"));
        f.click(QStringLiteral("ReaderResetBtn"));
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{Icon::Information, "Negative response:A1", "The Error Bin is Full"}}));
        QVERIFY(f.log().endsWith(QLatin1String("\r\n\r\n")));
    }

    // ---- Card Status ----

    void cardStatus_texts_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("front, enough, not full")
            << QByteArray("120")
            << "Card Status Success\r\nThere is card at front side\r\nEnough cards in stacker\r\nThe error card bin is not full";
        QTest::newRow("inside, empty, full")
            << QByteArray("201")
            << "Card Status Success\r\nThere is card at RF/IC card operation position\r\nNo card in stacker\r\nThe error card bin is full";
        QTest::newRow("none, low, unknown bin")
            << QByteArray("012")
            << "Card Status Success\r\nNo card in card channel\r\nLack of card in stacker\r\n";
        QTest::newRow("all unknown") << QByteArray("9A ") << "Card Status Success\r\n\r\n\r\n";
    }
    void cardStatus_texts()
    {
        QFETCH(QByteArray, status);
        QFETCH(QString, text);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0', {}, status));
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.port.lastFrame(), frame('1', '0'));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Card Status", text}}));
    }

    // ---- Sensor Status ----

    void sensorStateForm_captionsInOrder()
    {
        mdq::SensorStateForm form(QByteArray(12, '\0'), nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("Auto test the status of the sensor"));
        const QStringList names{"Label0", "Label1", "Labe2", "Label3", "Label4", "Label5",
                                "Label6", "Label7", "Label8", "Label9", "Label111", "Label1112"};
        const QStringList captions{"Sensor 1 (PSS1)",  "Sensor 2 (PSS2)",  "Sensor 3 (PSS3)",   "Sensor 4 (PSS4)",
                                   "Sensor 5 (PSS5)",  "Sensor 6 (PSS6)",  "Sensor 7 (PSS7)",   "Sensor 8 (PSS8)",
                                   "Sensor 9 (PSS9)",  "Sensor 10 (PSS10)", "Sensor KS1 (KS1)", "Sensor KS2 (KS2)"};
        int lastY = -1;
        for (int i = 0; i < 12; ++i) {
            auto *caption = form.findChild<QLabel *>(names[i]);
            QVERIFY2(caption, qPrintable(names[i]));
            QCOMPARE(caption->text(), captions[i]);
            auto *value = form.findChild<QLabel *>(QStringLiteral("Label%1").arg(10 + i));
            QVERIFY(value);
            QCOMPARE(value->text(), QString());  // every byte 00h: as designed, empty
        }
        form.adjustSize();
        form.layout()->activate();
        for (const QString &n : names) {
            const int y = form.findChild<QLabel *>(n)->geometry().top();
            QVERIFY2(y > lastY, "rows are laid out top to bottom in table order");
            lastY = y;
        }
    }

    void sensorStatus_showsOnInRedOffAndNothingForOtherBytes()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '1', QByteArray("10x0000000\x00" "1", 12)));
        Captured shown;
        const QStringList labels = sensorValueLabels();
        pressInModal(QStringLiteral("Command1"), &shown, labels);
        f.click(QStringLiteral("SensorStatusBtn"));

        QCOMPARE(f.port.lastFrame(), frame('1', '1'));
        QCOMPARE(shown.windowName, QStringLiteral("SensorStateForm"));
        QCOMPARE(shown.texts.value("Label10"), QStringLiteral("On"));
        QCOMPARE(shown.colours.value("Label10"), QColor(255, 0, 0));
        QCOMPARE(shown.texts.value("Label11"), QStringLiteral("Off"));
        QVERIFY(shown.colours.value("Label11") != QColor(255, 0, 0));
        QCOMPARE(shown.texts.value("Label12"), QString());  // 'x'
        for (int i = 13; i <= 19; ++i)
            QCOMPARE(shown.texts.value(QStringLiteral("Label%1").arg(i)), QStringLiteral("Off"));
        QCOMPARE(shown.texts.value("Label20"), QString());  // 00h
        QCOMPARE(shown.texts.value("Label21"), QStringLiteral("On"));
        QVERIFY(f.prompter.shown().isEmpty());  // the window is the result
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void sensorStatus_allOffShowsOffTwelveTimes()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '1', QByteArray(12, '0')));
        Captured shown;
        const QStringList labels = sensorValueLabels();
        pressInModal(QStringLiteral("Command1"), &shown, labels);
        f.click(QStringLiteral("SensorStatusBtn"));
        QCOMPARE(shown.texts.size(), 12);
        for (const QString &l : labels) {
            QCOMPARE(shown.texts.value(l), QStringLiteral("Off"));
            QVERIFY(shown.colours.value(l) != QColor(255, 0, 0));
        }
    }

    void sensorStatus_shortReplyLeavesTheMissingSensorsEmpty()
    {
        MainFixture f;
        f.connectPort();
        // Ten sensor bytes: ETX and BCC follow at the places of sensors 11 and 12.
        const QByteArray reply = positive('1', '1', "1111111111");
        f.port.answerWith(reply);
        Captured shown;
        pressInModal(QStringLiteral("Command1"), &shown, {"Label19", "Label20", "Label21"});
        f.click(QStringLiteral("SensorStatusBtn"));
        QCOMPARE(f.main.state().SensorBytes, QByteArray("1111111111") + QByteArray(2, '\0'));
        QCOMPARE(shown.texts.value("Label19"), QStringLiteral("On"));
        QCOMPARE(shown.texts.value("Label20"), QString());
        QCOMPARE(shown.texts.value("Label21"), QString());
    }

    void sensorStatus_replyWithoutDataGivesTwelveZeroBytes()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '1'));
        f.main.state().SensorBytes = QByteArray(12, '1');
        pressInModal(QStringLiteral("Command1"));
        f.click(QStringLiteral("SensorStatusBtn"));
        QCOMPARE(f.main.state().SensorBytes, QByteArray(12, '\0'));
    }

    void sensorStatus_negativeReplyOpensNoWindow()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative('1', '1', "12"));
        f.click(QStringLiteral("SensorStatusBtn"));
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{Icon::Information, "Negative response:12",
                                "Sensor failure of PD1, PD2, PD3, PDI / Card remains inside"}}));
    }

    // ---- Card movement and entry control: one table, one handler ----

    void move_table_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<char>("cm");
        QTest::addColumn<char>("pm");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("title");
        QTest::newRow("front") << "MoveCardToFront1Btn" << "the front" << '2' << '9'
                               << "Move card to the front success" << "Move card to the front";
        QTest::newRow("front, hold") << "MoveCardToFront2Btn" << "the front,hold the card" << '2' << '0'
                                     << "Move card to the front with hold card success"
                                     << "Move card to the front with hold card";
        QTest::newRow("IC") << "MoveCardToICCBtn" << "the IC card operation position" << '2' << '1'
                            << "Move card to IC card operation position success"
                            << "Move card to IC card operation position";
        QTest::newRow("RF") << "MoveCardToRFBtn" << "the RF card operation position" << '2' << '2'
                            << "Move card to RF card operation position success"
                            << "Move card to RF card operation position";
        QTest::newRow("bin") << "MoveCardToRecycleBinBtn" << "Error Card Bin" << '2' << '3'
                             << "Move card to the error card bin success" << "Move card to the error card bin";
        QTest::newRow("allowed") << "AllCardInBtn" << "Allowed" << '3' << '0' << "Allowed success" << "Allowed";
        QTest::newRow("prohibition") << "NoCardInBtn" << "Prohibition" << '3' << '1' << "Prohibition success"
                                     << "Prohibition";
    }
    void move_table()
    {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(char, cm);
        QFETCH(char, pm);
        QFETCH(QString, success);
        QFETCH(QString, title);
        MainFixture f;
        f.connectPort();
        QCOMPARE(f.control<QPushButton>(button)->text(), caption);
        const QString frameName = cm == '2' ? QStringLiteral("Frame2") : QStringLiteral("Frame3");
        QCOMPARE(f.control<QPushButton>(button)->parentWidget()->objectName(), frameName);

        f.port.answerWith(positive(quint8(cm), quint8(pm), "ignored data", "210"));
        f.click(button);
        QCOMPARE(f.port.lastFrame(), frame(quint8(cm), quint8(pm)));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, title, success}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));

        // A negative reply: only the decoded error, never the success message.
        f.prompter.clear();
        f.port.answerWith(negative(quint8(cm), quint8(pm), "10"));
        f.click(button);
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Negative response:10", "Card jam"}}));
        QVERIFY(f.log().endsWith(QLatin1String("\r\n\r\n")));
    }

    void move_errorCardBinFrameAndChecksum()
    {
        MainFixture f;
        f.connectPort();
        f.click(QStringLiteral("MoveCardToRecycleBinBtn"));
        QCOMPARE(f.port.writes().first(), QByteArray::fromHex("F200000343323303B0"));
    }

    void entry_prohibitionThenAllowed()
    {
        MainFixture f;
        f.connectPort();
        f.click(QStringLiteral("NoCardInBtn"));
        f.click(QStringLiteral("AllCardInBtn"));
        const auto writes = f.port.writes();
        QCOMPARE(writes.size(), 4);  // each: the frame, then EOT after silence
        QCOMPARE(writes[0], frame('3', '1'));
        QCOMPARE(writes[2], frame('3', '0'));
    }

    void move_withRecordDataTheExchangesAccumulate()
    {
        MainFixture f;
        f.connectPort();
        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.port.answerWith(positive('2', '1'));
        f.port.answerWith(positive('2', '2'));
        f.click(QStringLiteral("MoveCardToICCBtn"));
        f.click(QStringLiteral("MoveCardToRFBtn"));
        QCOMPARE(f.log().count(QLatin1String("SD: F2")), 2);
        QCOMPARE(f.log().count(QLatin1String("SD: 06\r\n\r\n")), 2);
    }
};

QTEST_MAIN(TestReaderControl)
#include "tst_reader_control.moc"
