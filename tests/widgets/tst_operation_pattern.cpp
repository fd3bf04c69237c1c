// The pattern every command button follows, seen through "Card Status".

#include "control/reader_control.h"
#include "support/main_fixture.h"

#include <QCheckBox>
#include <QComboBox>

using namespace mdq;
using namespace mdqtest;

class TestOperationPattern : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void portNotOpened()
    {
        MainFixture f;
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Exclamation, "Caution", "Comm. Port Setup First"}}));
        QVERIFY(f.port.writes().isEmpty());
        QVERIFY(f.log().isEmpty());
    }

    void cardStatusTexts_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("front, enough, not full") << QByteArray("120")
            << "Card Status Success\r\nThere is card at front side\r\nEnough cards in stacker\r\nThe error card bin is not full";
        QTest::newRow("inside, none, full") << QByteArray("201")
            << "Card Status Success\r\nThere is card at RF/IC card operation position\r\nNo card in stacker\r\nThe error card bin is full";
        QTest::newRow("st2 = 2 gives an empty line") << QByteArray("012")
            << "Card Status Success\r\nNo card in card channel\r\nLack of card in stacker\r\n";
        QTest::newRow("unknown values") << QByteArray("9:/")
            << "Card Status Success\r\n\r\n\r\n";
    }
    void cardStatusTexts()
    {
        QFETCH(QByteArray, status);
        QFETCH(QString, text);
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0', {}, status));
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.port.lastFrame(), QByteArray::fromHex("F200000343313003B0"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Card Status", text}}));
    }

    void logKeepsOnlyTheLastExchangeUnlessRecording()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0'));
        f.port.answerWith(positive('1', '0', {}, "100"));
        f.click(QStringLiteral("CardStatusBtn"));
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.log().count(QStringLiteral("SD: F2")), 1);
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));

        f.control<QCheckBox>(QStringLiteral("CheckRecord"))->setChecked(true);
        f.port.answerWith(positive('1', '0'));
        f.port.answerWith(positive('1', '0'));
        f.click(QStringLiteral("CardStatusBtn"));
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.log().count(QStringLiteral("SD: F2")), 3);
        QCOMPARE(f.log().count(QStringLiteral("SD: 06\r\n\r\n")), 3);
    }

    void negativeReplyShowsOnlyTheError()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(negative('1', '0', "10"));
        f.click(QStringLiteral("CardStatusBtn"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{Icon::Information, "Negative response:10", "Card jam"}}));
        QVERIFY(f.log().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    void silentReaderStillEndsWithABlankLine()
    {
        MainFixture f;
        f.connectPort();
        f.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(f.log(), QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nSD: 04\r\n\r\n"));
    }

    void addressComboGoesIntoTheFrame()
    {
        MainFixture f;
        f.connectPort();
        auto *address = f.control<QComboBox>(QStringLiteral("cmbAddress820"));
        QCOMPARE(address->count(), 16);
        QCOMPARE(address->currentText(), QStringLiteral("0"));
        QCOMPARE(address->itemText(15), QStringLiteral("F"));
        address->setCurrentIndex(10);
        f.port.answerWith(positive('1', '0'));
        f.click(QStringLiteral("CardStatusBtn"));
        // F2 0A 00 03 43 31 30 03: XOR by hand = BA.
        QCOMPARE(f.port.lastFrame(), QByteArray::fromHex("F20A000343313003BA"));
    }

    void mainWindowLayout()
    {
        MainFixture f;
        QCOMPARE(f.main.windowTitle(), QStringLiteral("QTEST820_V1.0_EN(2010/06/04)"));
        auto *tabs = f.control<QTabWidget>(QStringLiteral("SSTab1"));
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(0), QStringLiteral("RF CARD"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("IC CARD"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("EXTEND FUNCTION"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("MONITOR"));
        const QList<QPair<const char *, const char *>> captions = {
            {"EXITGRM", "Exit"}, {"IROpencom", "Setup Comm"}, {"IRCLOSECOM", "Close Comm"},
            {"ReaderResetBtn", "INITIALIZE"}, {"CardStatusBtn", "Card Status"}, {"SensorStatusBtn", "Sensor Status"},
            {"MoveCardToFront1Btn", "the front"}, {"MoveCardToFront2Btn", "the front,hold the card"},
            {"MoveCardToICCBtn", "the IC card operation position"}, {"MoveCardToRFBtn", "the RF card operation position"},
            {"MoveCardToRecycleBinBtn", "Error Card Bin"}, {"AllCardInBtn", "Allowed"}, {"NoCardInBtn", "Prohibition"},
            {"ICTestTypeCmd", "IC Card Type"}, {"RFTestTypeCmd", "RF Card Type"}, {"ClearSDTDText", "Clear Data"},
            {"CheckRecord", "Record Data"}, {"SaveSDTDText", "Save To"}};
        for (const auto &c : captions)
            QCOMPARE(f.control<QAbstractButton>(QString::fromLatin1(c.first))->text(), QString::fromLatin1(c.second));
        QVERIFY(!f.control<QCheckBox>(QStringLiteral("CheckRecord"))->isChecked());
    }

    void clearDataAndCloseComm()
    {
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0'));
        f.click(QStringLiteral("CardStatusBtn"));
        f.click(QStringLiteral("ClearSDTDText"));
        QVERIFY(f.log().isEmpty());
        f.click(QStringLiteral("ClearSDTDText"));  // on an empty log: still empty, nothing shown
        QVERIFY(f.log().isEmpty());
        f.prompter.clear();
        f.click(QStringLiteral("IRCLOSECOM"));
        QVERIFY(!f.port.isOpen());
        QVERIFY(!f.main.state().PortOpened);
        f.click(QStringLiteral("IRCLOSECOM"));  // nothing open: only the flag, never a message
        QVERIFY(f.prompter.shown().isEmpty());
    }
};

QTEST_MAIN(TestOperationPattern)
#include "tst_operation_pattern.moc"
