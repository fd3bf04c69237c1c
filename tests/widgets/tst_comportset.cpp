// The communication settings window: the AUTO SCAN fold, port and baud texts,
// open failures, the link test.
// SCAN in the settings window, on the fake port and clock: ports 1..16 at the
// five baud rates, port by port, one probe each; the first well-formed reply
// wins. What a reader at one place (silence everywhere else) costs and gives.

#include "link/execute_command.h"
#include "link/shared_state.h"
#include "setup/comportset.h"
#include "setup/link_test.h"
#include "support/control_setup.h"
#include "support/main_fixture.h"

#include <QComboBox>
#include <QLabel>

using namespace mdq;
using namespace mdqtest;

namespace {
const QByteArray kAck("\x06", 1);

const QByteArray kReply = positive('1', '0', {}, "020");

// What answers at (port, baud); everywhere else stays silent.
struct Place
{
    int port;
    qint32 baud;  // 0: every rate of the port
    QList<Chunk> answer;
};

struct ScanFixture : MainFixture
{
    ScanFixture() : window(main.context(), &main) {}
    QString shown(const char *name) { return controlValue(&window, QString::fromLatin1(name)); }
    int probes() const
    {
        int n = 0;
        for (const QByteArray &w : port.writes())
            n += w.size() > 1;
        return n;
    }
    // Runs SCAN with the places answering; returns the fake milliseconds it took.
    qint64 scan(const QList<Place> &places)
    {
        port.setResponder([places](int p, qint32 b, const QByteArray &) {
            for (const Place &place : places)
                if (place.port == p && (place.baud == 0 || place.baud == b))
                    return place.answer;
            return QList<Chunk>{};
        });
        const qint64 start = clock.nowMs();
        window.scan();
        return clock.nowMs() - start;
    }
    mdq::comportset window;
};
}  // namespace

Q_DECLARE_METATYPE(QList<Place>)

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
        QCOMPARE(s.f.port.baudRate(), 9600);
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
        QCOMPARE(s.f.port.baudRate(), 115200);
        QVERIFY(s.f.main.state().PortOpened);
    }

    // ---- SCAN ----

    void scan_data()
    {
        QTest::addColumn<QList<Place>>("places");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("took");   // fake ms: 250 for each silent place
        QTest::addColumn<int>("attempts");  // opens asked for
        QTest::addColumn<int>("acks");      // replies acknowledged, checked or not
        const QList<Chunk> reader{{0, kAck}, {0, kReply}};
        QByteArray badBcc = kReply;
        badBcc[badBcc.size() - 1] = char(badBcc.back() ^ 0x01);
        QTest::newRow("none") << QList<Place>{} << "No Found MDQ-820" << qint64(80 * 250) << 80 << 0;
        QTest::newRow("COM3 at 38400, the third rate")
            << QList<Place>{{3, 38400, reader}} << "Found MDQ-820 AT COM3 Baut Rate 38400" << qint64(13 * 250) << 13 << 1;
        QTest::newRow("COM16") << QList<Place>{{16, 9600, reader}} << "Found MDQ-820 AT COM16 Baut Rate 9600"
                               << qint64(75 * 250 + 250) << 76 << 1;
        // Something that only acknowledges holds the scan for the reply's 5 s.
        QTest::newRow("ACK only, then the reader")
            << QList<Place>{{1, 9600, {{0, kAck}}}, {2, 9600, reader}} << "Found MDQ-820 AT COM2 Baut Rate 9600"
            << qint64(250 + 5000 + 4 * 250 + 250) << 6 << 1;
        // A header at 1 s, then the body's 3 s.
        QTest::newRow("header without body")
            << QList<Place>{{1, 9600, {{0, kAck}, {1000, kReply.left(4)}}}, {1, 19200, reader}}
            << "Found MDQ-820 AT COM1 Baut Rate 19200" << qint64(1000 + 3000 + 250) << 2 << 1;
        QTest::newRow("bad checksum is not the reader")
            << QList<Place>{{1, 0, {{0, kAck}, {0, badBcc}}}, {2, 19200, reader}}
            << "Found MDQ-820 AT COM2 Baut Rate 19200" << qint64(-1) << 7 << 6;
        QTest::newRow("a negative reply is enough")
            << QList<Place>{{2, 57600, {{0, kAck}, {0, negative('1', '0', "B0")}}}}
            << "Found MDQ-820 AT COM2 Baut Rate 57600" << qint64(-1) << 9 << 1;
        QTest::newRow("neither positive nor negative")
            << QList<Place>{{1, 9600, {{0, kAck}, {0, replyFrame('X', '1', '0', "000")}}}} << "No Found MDQ-820"
            << qint64(-1) << 80 << 1;
        QTest::newRow("ACK later than 250 ms") << QList<Place>{{1, 9600, {{300, kAck}, {0, kReply}}}}
                                               << "No Found MDQ-820" << qint64(-1) << 80 << 0;
    }
    void scan()
    {
        QFETCH(QList<Place>, places);
        QFETCH(QString, message);
        QFETCH(qint64, took);
        QFETCH(int, attempts);
        QFETCH(int, acks);
        ScanFixture f;
        f.main.state().PortOpened = true;  // an earlier connection: the scan leaves the flag alone
        const qint64 spent = f.scan(places);
        QCOMPARE(f.shown("Label1"), message);
        if (took >= 0)
            QCOMPARE(spent, took);
        QCOMPARE(f.port.openAttempts().size(), attempts);
        QCOMPARE(f.probes(), attempts);
        QCOMPARE(f.port.writes().count(kAck), acks);
        QVERIFY(f.main.state().PortOpened);
        QVERIFY(f.prompter.shown().isEmpty());  // the scan shows no message box
        QVERIFY(f.log().isEmpty());             // nor writes to the traffic log
        const bool found = message.startsWith(QLatin1String("Found"));
        QCOMPARE(f.port.isOpen(), found);
        QCOMPARE(f.main.state().CommOpenOk, found);
        QCOMPARE(f.port.closes(), attempts - found);
        if (!found) {
            QCOMPARE(f.port.openAttempts().last(), (std::pair<int, qint32>{16, 115200}));
            QCOMPARE(f.shown("PortCombo") + "/" + f.shown("BaudCombo"), QStringLiteral("COM1/9600 bits/s"));
            return;
        }
        const int port = f.port.portNumber();
        QCOMPARE(f.shown("PortCombo") + "/" + f.shown("BaudCombo"),
                 QStringLiteral("COM%1/%2 bits/s").arg(port).arg(f.port.baudRate()));
        QVERIFY(message.endsWith(QStringLiteral("COM%1 Baut Rate %2").arg(port).arg(f.port.baudRate())));
        QVERIFY(f.main.state().CommTestOk);
    }

    void portsAreTriedPortByPortAtTheFiveRates()
    {
        ScanFixture f;
        for (int p = 1; p <= 16; ++p)
            if (p != 7)
                f.port.failOpenOn(p, p % 2 ? mdq::OpenError::NotFound : mdq::OpenError::InUse);
        QCOMPARE(f.scan({{7, 115200, {{0, kAck}, {0, kReply}}}}), 5 * 250);  // no wait where nothing opens
        QList<std::pair<int, qint32>> expected;
        for (int p = 1; p <= 7; ++p)
            for (qint32 b : {9600, 19200, 38400, 57600, 115200})
                expected.append({p, b});
        QCOMPARE(f.port.openAttempts(), expected);
        QCOMPARE(f.shown("BaudCombo"), QStringLiteral("115200 bits/s"));  // written, though not in the list
        QCOMPARE(f.window.findChild<QComboBox *>(QStringLiteral("BaudCombo"))->findText("115200 bits/s"), -1);
    }

    void probeIsTheStatusRequestAtTheSelectedAddress()
    {
        ScanFixture f;
        applySetup(&f.main, {"cmbAddress820=5"});
        bool busy = false;
        f.port.setResponder([&busy](int, qint32, const QByteArray &) {
            busy = mdq::exchangeInProgress();
            return QList<Chunk>{{0, kAck}, {0, replyFrame('P', '1', '0', "020", {}, 5)}};
        });
        f.window.scan();
        QCOMPARE(f.port.writes().value(0).toHex(' '), QByteArray("f2 05 00 03 43 31 30 03 b5"));
        QVERIFY(busy);  // the line is marked busy while the scan waits...
        QVERIFY(!mdq::exchangeInProgress());  // ...and only then
        QCOMPARE(f.shown("Label1"), QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 9600"));
    }

    void okAfterTwoScansConnectsAtTheLastFoundPlace()
    {
        ScanFixture f;
        f.scan({{3, 38400, {{0, kAck}, {0, kReply}}}});
        f.scan({{2, 19200, {{0, kAck}, {0, kReply}}}});
        QCOMPARE(f.shown("Label1"), QStringLiteral("Found MDQ-820 AT COM2 Baut Rate 19200"));
        f.window.ok();
        QVERIFY(f.main.state().PortOpened);
        QCOMPARE(f.port.portNumber(), 2);
        QCOMPARE(f.port.baudRate(), 19200);
    }

    // "All addresses": the selected address, then 0..F; a find elsewhere selects it on the main window.
    void allAddresses_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("found");  // Label1, the address combo, the probes made
        QTest::newRow("selected only") << false << "No Found MDQ-820, 3, 80";
        QTest::newRow("all") << true << "Found MDQ-820 AT COM2 Baut Rate 19200, 9, 106";
    }
    void allAddresses()
    {
        QFETCH(bool, all);
        QFETCH(QString, found);
        ScanFixture f;
        applySetup(&f.main, {"cmbAddress820=3"});
        childOf<QAbstractButton>(&f.window, QStringLiteral("ScanAllAddresses"))->setChecked(all);
        QStringList progress;  // the progress line at each probe, and where the probe went
        f.port.setResponder([&](int p, qint32 b, const QByteArray &frame) {
            progress << f.shown("ScanProgress") + QStringLiteral(" at COM%1: %2...").arg(p).arg(b);
            return p == 2 && b == 19200 && frame[1] == 9 ? QList<Chunk>{{0, kAck}, {0, replyFrame('P', '1', '0', "020", {}, 9)}}
                                                         : QList<Chunk>{};
        });
        f.window.scan();
        QCOMPARE(QStringList({f.shown("Label1"), controlValue(&f.main, "cmbAddress820"), QString::number(f.probes())}).join(", "), found);
        QByteArray order;
        for (const QByteArray &w : f.port.writes().mid(0, 16))
            order += w.at(1);
        QCOMPARE(order.toHex(), all ? QByteArray("030001020405060708090a0b0c0d0e0f") : QByteArray(16, 3).toHex());
        for (const QString &seen : progress)
            QVERIFY2(seen.section(" at ", 0, 0) == seen.section(" at ", 1), qPrintable(seen));
        QVERIFY(f.shown("ScanProgress").isEmpty());
    }
};

QTEST_MAIN(TestComportset)
#include "tst_comportset.moc"
