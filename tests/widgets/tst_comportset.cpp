// The communication settings window: the AUTO SCAN fold, port and baud texts,
// open failures, the link test.

#include "setup/comportset.h"
#include "setup/link_test.h"
#include "support/main_fixture.h"

#include <QComboBox>
#include <QLabel>

using namespace mdq;
using namespace mdqtest;

namespace {
const QByteArray kAck("\x06", 1);
}  // namespace

class TestComportset : public QObject
{
    Q_OBJECT

    struct Window
    {
        MainFixture f;
        comportset w{f.main.context(), &f.main};
        QComboBox *port() { return w.findChild<QComboBox *>(QStringLiteral("PortCombo")); }
        QComboBox *baud() { return w.findChild<QComboBox *>(QStringLiteral("BaudCombo")); }
    };

private Q_SLOTS:
    void autoScanFoldsAndUnfolds()
    {
        Window s;
        QCOMPARE(s.w.height(), 3165 / 15);
        s.w.toggleAutoScan();
        QCOMPARE(s.w.height(), 4485 / 15);
        QCOMPARE(s.w.findChild<QLabel *>(QStringLiteral("AutoLabel"))->text(), QStringLiteral("'AUTO SCAN' Fold <<--"));
        s.w.toggleAutoScan();
        QCOMPARE(s.w.height(), 3165 / 15);
        QVERIFY(!s.w.autoScanUnfolded());
    }

    void tables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("COM1") << "COM1" << 1;
        QTest::newRow("COM15") << "COM15" << 15;
        QTest::newRow("lower case") << "com3" << 0;
        QTest::newRow("trailing blank") << "COM3 " << 0;
        QTest::newRow("COM0") << "COM0" << 0;
    }
    void tables()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(portNumberFromText(text), port);
        QCOMPARE(baudFromText(QStringLiteral("115200 bits/s")), 115200);
        QCOMPARE(baudFromText(QStringLiteral("9600")), 0);
        QCOMPARE(baudFromText(QStringLiteral("38400 bits/s")), 38400);
    }

    void invalidEntries_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("port") << "COM16" << "9600 bits/s" << "Comm Port Setup Invalid" << "PortCombo";
        QTest::newRow("baud") << "COM2" << "1200 bits/s" << "Baud Rate Setup Invalid" << "BaudCombo";
    }
    void invalidEntries()
    {
        QFETCH(QString, port);
        QFETCH(QString, baud);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Window s;
        s.f.connectPort();
        s.w.show();
        QApplication::setActiveWindow(&s.w);
        s.port()->setEditText(port);
        s.baud()->setEditText(baud);
        s.w.ok();
        QCOMPARE(s.f.prompter.shown(), (QList<Shown>{{Icon::Exclamation, "Caution", message}}));
        QVERIFY(!s.f.main.state().PortOpened);
        QCOMPARE(s.f.port.opens(), 1);  // the port is left as it was
        QVERIFY(s.f.port.isOpen());
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
    }

    void openFailures_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");  // empty: none; "~": the text contains what follows
        QTest::newRow("8002") << int(OpenError::NotFound) << "Comm Port Selection Invalid, Please Select Right Comm. Port";
        QTest::newRow("8005") << int(OpenError::InUse) << "Comm. Port is Used for Some Equipment, Please Select Other One";
        QTest::newRow("permission, explained") << int(OpenError::NoPermission) << "~usermod";
        QTest::newRow("other") << int(OpenError::Other) << "";
    }
    void openFailures()
    {
        QFETCH(int, error);
        QFETCH(QString, message);
        Window s;
        s.f.port.failOpenWith(OpenError(error));
        s.w.ok();
        const QList<Shown> shown = s.f.prompter.shown();
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        if (message.startsWith(QLatin1Char('~')))
            QVERIFY2(shown[0].icon == Icon::Exclamation && shown[0].text.contains(message.mid(1)), qPrintable(shown[0].text));
        else if (!message.isEmpty())
            QCOMPARE(shown[0], (Shown{Icon::Exclamation, "Caution", message}));
        QVERIFY(!s.f.main.state().PortOpened);
        QVERIFY(s.f.port.writes().isEmpty());
    }

    void linkTest_data()
    {
        QTest::addColumn<QList<Chunk>>("reader");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("log");
        const QByteArray good = positive('1', '0');
        QByteArray badBcc = good;
        badBcc[badBcc.size() - 1] = char(badBcc.back() ^ 0x01);
        const QByteArray notPn = replyFrame('X', '1', '0', "000");
        QTest::newRow("answers") << QList<Chunk>{{0, kAck}, {0, good}} << true
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 30 30 03 96 \r\nSD: 06\r\n";
        QTest::newRow("negative reply still passes") << QList<Chunk>{{0, kAck}, {0, negative('1', '0', "B0")}} << true
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 05 4E 31 30 42 30 03 C9 \r\nSD: 06\r\n";
        QTest::newRow("first byte neither P nor N passes") << QList<Chunk>{{0, kAck}, {0, notPn}} << true
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 58 31 30 30 30 30 03 9E \r\nSD: 06\r\n";
        // The link test logs the whole reply on one line, however long: no
        // continuation lines as in the command log.
        QString longLine = QStringLiteral("RD: F2 00 00 24 50 31 30 30 30 30 ");
        for (int i = 0; i < 30; ++i)
            longLine += QStringLiteral("11 ");
        longLine += QStringLiteral("03 B4 \r\n");
        QTest::newRow("long reply on one line")
            << QList<Chunk>{{0, kAck}, {0, positive('1', '0', QByteArray(30, '\x11'))}} << true
            << QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n") + longLine + QStringLiteral("SD: 06\r\n");
        QTest::newRow("wrong checksum") << QList<Chunk>{{0, kAck}, {0, badBcc}} << false
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 30 30 03 97 \r\nSD: 06\r\n\r\n";
        QTest::newRow("refused") << QList<Chunk>{{0, QByteArray("\x15", 1)}} << false
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 15\r\n\r\n";
        QTest::newRow("silent") << QList<Chunk>{} << false << "SD: F2 00 00 03 43 31 30 03 B0 \r\n\r\n";
        QTest::newRow("ack too late") << QList<Chunk>{{3001, kAck}, {0, good}} << false
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\n\r\n";
        QTest::newRow("header too late") << QList<Chunk>{{0, kAck}, {3001, good}} << false
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n\r\n";
        QTest::newRow("body too late") << QList<Chunk>{{0, kAck}, {0, good.left(4)}, {3001, good.mid(4)}} << false
            << "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 \r\n";
    }
    void linkTest()
    {
        QFETCH(QList<Chunk>, reader);
        QFETCH(bool, connected);
        QFETCH(QString, log);
        Window s;
        s.f.port.answerNext(reader);
        s.w.ok();
        QCOMPARE(s.f.main.state().PortOpened, connected);
        QCOMPARE(s.f.port.isOpen(), connected);
        QCOMPARE(s.f.main.log().text(), log);
        if (connected)
            QVERIFY(s.f.prompter.shown().isEmpty());
        else
            QCOMPARE(s.f.prompter.shown(), (QList<Shown>{{Icon::Exclamation, "Caution", kUnitNotDetected}}));
        QCOMPARE(s.f.port.baud(), 9600);
    }

    void everyOkReopensThePort()
    {
        Window s;
        s.f.port.answerWith(positive('1', '0'));
        s.w.ok();
        s.f.port.answerWith(positive('1', '0'));
        s.baud()->setEditText(QStringLiteral("115200 bits/s"));
        s.w.ok();
        QCOMPARE(s.f.port.opens(), 2);
        QCOMPARE(s.f.port.closes(), 1);
        QCOMPARE(s.f.port.baud(), 115200);
        QVERIFY(s.f.main.state().PortOpened);
    }
};

QTEST_MAIN(TestComportset)
#include "tst_comportset.moc"
