// The EXTEND FUNCTION page on a fake port: captured-card counter, unit
// configuration window, unit serial number window, and the life counter frame
// that has no operation.

#include "control/extend_page.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "support/main_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

using namespace mdqtest;
using mdq::Icon;

namespace {
QByteArray frame(quint8 cm, quint8 pm, const QByteArray &data = {})
{
    return mdq::CommandFrame(0, cm, pm, data);
}

// Captures the texts of the named children of the next modal window, then
// presses its OK (Command1).
void readModal(QString *windowName, QMap<QString, QString> *texts, const QStringList &names)
{
    onModal([=](QWidget *w) {
        *windowName = w->objectName();
        texts->insert(QStringLiteral("#title"), w->windowTitle());
        for (const QString &n : names) {
            if (auto *l = childOf<QLabel>(w, n))
                texts->insert(n, l->text());
            else if (auto *e = childOf<QLineEdit>(w, n))
                texts->insert(n, e->text());
        }
        if (auto *ok = childOf<QPushButton>(w, QStringLiteral("Command1")))
            ok->click();
        else
            w->close();
    });
}

}  // namespace

class TestReaderUnitInfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void page_holdsTheFourFrames()
    {
        MainFixture f;
        auto *page = f.main.findChild<mdq::ExtendPage *>();
        QVERIFY(page);
        QStringList titles;
        for (auto *g : page->findChildren<QGroupBox *>())
            titles << g->title();
        QCOMPARE(titles, (QStringList{"Life Counter Read", "Capture Card Counter", "Unit configuration",
                                      "Unit SN OPERATION"}));
        QCOMPARE(f.control<QPushButton>("IRTenKaReadCMD")->text(), QStringLiteral("Read Counter"));
        QCOMPARE(f.control<QPushButton>("IRTenKaFormatCMD")->text(), QStringLiteral("InitializeI Counter"));
        QCOMPARE(f.control<QPushButton>("IRCONFIGCMD")->text(), QStringLiteral("Unit configuration"));
        QCOMPARE(f.control<QPushButton>("TypeReadsn")->text(), QStringLiteral("Read SN"));
    }

    void lifeCounterFrame_isShownWithoutAnOperation()
    {
        MainFixture f;
        f.connectPort();
        QCOMPARE(f.control<QLineEdit>("IRLifeEdit")->text(), QStringLiteral("00000000"));
        const QStringList captions{"Number of Dispensing card from stack", "Number of IC contact press",
                                   "Number of Moving card to RF card operation position"};
        for (int i = 0; i < 3; ++i) {
            auto *option = f.control<QRadioButton>("ReadReaderLifeOption", i);
            QCOMPARE(option->text(), captions[i]);
            option->click();
        }
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.control<QLineEdit>("IRLifeEdit")->text(), QStringLiteral("00000000"));
    }

    void closedPort_refuses_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *b : {"IRTenKaReadCMD", "IRTenKaFormatCMD", "IRCONFIGCMD", "TypeReadsn"})
            QTest::newRow(b) << QString::fromLatin1(b);
    }
    void closedPort_refuses()
    {
        QFETCH(QString, button);
        MainFixture f;
        f.click(button);
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{Icon::Exclamation, "Caution", "Comm. Port Setup First"}}));
        QVERIFY(f.port.writes().isEmpty());
        QCOMPARE(f.control<QLineEdit>("IRTenKaEdit")->text(), QStringLiteral("000"));
    }

    // ---- Capture Card Counter ----

    void counterBox_takesOnlyDigitsAndBackspace_atMostThree()
    {
        MainFixture f;
        auto *box = f.control<QLineEdit>("IRTenKaEdit");
        QCOMPARE(box->text(), QStringLiteral("000"));
        QCOMPARE(box->maxLength(), 3);
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1a-2 b"));
        QCOMPARE(box->text(), QStringLiteral("12"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("1"));
        QTest::keyClicks(box, QStringLiteral("2345"));
        QCOMPARE(box->text(), QStringLiteral("123"));
    }

    void readCounter_showsTheReplyText()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(0xA5, '0', "123"));
        f.click("IRTenKaReadCMD");
        QCOMPARE(f.port.lastFrame(), frame(0xA5, '0'));
        QCOMPARE(f.port.lastFrame().size(), 9);
        QCOMPARE(f.control<QLineEdit>("IRTenKaEdit")->text(), QStringLiteral("123"));
        QCOMPARE(f.main.state().UnitText, QStringLiteral("123"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Read Counter", "Read Counter Success"}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void readCounter_withoutTextEmptiesTheBoxAndStillSucceeds()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(0xA5, '0'));
        f.click("IRTenKaReadCMD");
        QCOMPARE(f.control<QLineEdit>("IRTenKaEdit")->text(), QString());
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Read Counter", "Read Counter Success"}}));
    }

    void readCounter_negativeLeavesTheBoxEmpty()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative(0xA5, '0', "02"));
        f.click("IRTenKaReadCMD");
        QCOMPARE(f.control<QLineEdit>("IRTenKaEdit")->text(), QString());
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{Icon::Information, "Negative response:02", "Command execution is impossible"}}));
    }

    void initializeCounter_padsOnTheLeftAndWritesBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("padded");
        QTest::newRow("empty") << "" << "000";
        QTest::newRow("one digit") << "7" << "007";
        QTest::newRow("two digits") << "42" << "042";
        QTest::newRow("three digits") << "999" << "999";
    }
    void initializeCounter_padsOnTheLeftAndWritesBack()
    {
        QFETCH(QString, typed);
        QFETCH(QString, padded);
        MainFixture f;
        f.connectPort();
        f.control<QLineEdit>("IRTenKaEdit")->setText(typed);
        f.port.answerWith(positive(0xA5, '1'));
        f.click("IRTenKaFormatCMD");
        const QByteArray sent = f.port.lastFrame();
        QCOMPARE(sent.size(), 12);
        QCOMPARE(sent, frame(0xA5, '1', padded.toLatin1()));
        QCOMPARE(sent.mid(2, 2), QByteArray::fromHex("0006"));
        QCOMPARE(f.control<QLineEdit>("IRTenKaEdit")->text(), padded);
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "InitializeI Counter",
                                                    "InitializeI Counter Success"}}));
    }

    void initializeCounter_negative()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative(0xA5, '1', "04"));
        f.click("IRTenKaFormatCMD");
        QCOMPARE(f.prompter.shown(),
                 (QList<Shown>{{Icon::Information, "Negative response:04", "Command data error"}}));
    }

    // ---- Unit configuration ----

    void config_showsTheDecodedRecord()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(0xA3, '0', "7105ER2221"));
        QString window;
        QMap<QString, QString> texts;
        QStringList labels;
        for (int i = 10; i <= 17; ++i)
            labels << QStringLiteral("Label%1").arg(i);
        readModal(&window, &texts, labels);
        f.click("IRCONFIGCMD");
        QCOMPARE(f.port.lastFrame(), frame(0xA3, '0'));
        QCOMPARE(window, QStringLiteral("ConfigForm"));
        QCOMPARE(texts.value("#title"), QStringLiteral("Card machine configuration information"));
        QCOMPARE(texts.value("Label10"), QStringLiteral("MDQ-820"));
        QCOMPARE(texts.value("Label11"), QStringLiteral("105"));
        QCOMPARE(texts.value("Label12"), QStringLiteral("Supports RF and contactless IC card Read/Write"));
        QCOMPARE(texts.value("Label13"), QStringLiteral("RS-232 Interface"));
        QCOMPARE(texts.value("Label14"), QStringLiteral("MDQ Standard IC Card Read/Write Module"));
        QCOMPARE(texts.value("Label15"), QStringLiteral("MDQ Standard RF Card Read/Write Module"));
        QCOMPARE(texts.value("Label16"), QStringLiteral("Support two SAM card operation"));
        QCOMPARE(texts.value("Label17"), QStringLiteral("Drawing card issuer Components"));
        QCOMPARE(f.main.state().ConfigBytes, QByteArray("7105ER2221"));
        QVERIFY(f.prompter.shown().isEmpty());
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void config_shortReplyLeavesMissingRowsEmpty()
    {
        MainFixture f;
        f.connectPort();
        // Only six bytes: ETX and BCC follow where the IC and RF module bytes would be.
        f.port.answerWith(positive(0xA3, '0', "7105ER"));
        QString window;
        QMap<QString, QString> texts;
        readModal(&window, &texts, {"Label10", "Label13", "Label14", "Label15", "Label16", "Label17"});
        f.click("IRCONFIGCMD");
        QCOMPARE(window, QStringLiteral("ConfigForm"));
        QCOMPARE(texts.value("Label10"), QStringLiteral("MDQ-820"));
        QCOMPARE(texts.value("Label13"), QStringLiteral("RS-232 Interface"));
        for (const char *l : {"Label14", "Label15", "Label16", "Label17"})
            QCOMPARE(texts.value(QString::fromLatin1(l)), QString());
    }

    void config_negativeOpensNoWindow()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative(0xA3, '0', "03"));
        f.click("IRCONFIGCMD");
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Negative response:03",
                                                    "Hardware does not support the command"}}));
    }

    // ---- Unit serial number ----

    void readSn_frameAndWindowTrimmed()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(0xA2, '0', "  MDQ820-0042  "));
        QString window;
        QMap<QString, QString> texts;
        readModal(&window, &texts, {"Text1"});
        f.click("TypeReadsn");
        QCOMPARE(f.port.lastFrame(), QByteArray::fromHex("F200000443A230120300") .left(9)
                                         + char(mdq::ComputeBcc(QByteArray::fromHex("F200000443A230120300"))));
        QCOMPARE(window, QStringLiteral("ReadSn"));
        QCOMPARE(texts.value("#title"), QStringLiteral("Read SN of Card Reader"));
        QCOMPARE(texts.value("Text1"), QStringLiteral("MDQ820-0042"));
        QCOMPARE(f.main.state().UnitText, QStringLiteral("  MDQ820-0042  "));
        QVERIFY(f.prompter.shown().isEmpty());
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void readSn_withoutTextShowsAnEmptyBox()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive(0xA2, '0'));
        QString window;
        QMap<QString, QString> texts;
        readModal(&window, &texts, {"Text1"});
        f.click("TypeReadsn");
        QCOMPARE(window, QStringLiteral("ReadSn"));
        QCOMPARE(texts.value("Text1"), QString());
    }

    void readSn_negativeOpensNoWindow()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative(0xA2, '0', "00"));
        f.click("TypeReadsn");
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Negative response:00",
                                                    "A given command code is unidentified"}}));
    }
};

QTEST_MAIN(TestReaderUnitInfo)
#include "tst_reader_unit_info.moc"
