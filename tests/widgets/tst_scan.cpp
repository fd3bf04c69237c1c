// SCAN in the settings window, on the fake port and clock: ports 1..16 at the
// five baud rates, one probe each, the first well-formed reply wins.

#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "setup/comportset.h"
#include "setup/reader_scan.h"
#include "support/main_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest/QTest>

using namespace mdqtest;
using mdq::OpenError;

namespace {
const QByteArray kAck(1, '\x06');

QList<Chunk> readerAnswer(const QByteArray &reply = positive('1', '0', {}, "020"))
{
    return {{0, kAck}, {0, reply}};
}

// A reader at one place; silence everywhere else.
FakeSerialPort::Responder readerAt(int port, qint32 baud, const QByteArray &reply = positive('1', '0', {}, "020"))
{
    return [=](int p, qint32 b, const QByteArray &) { return p == port && b == baud ? readerAnswer(reply) : QList<Chunk>{}; };
}

struct ScanFixture : MainFixture
{
    ScanFixture() : window(main.context(), &main) {}
    QString message() { return window.findChild<QLabel *>(QStringLiteral("Label1"))->text(); }
    QString portText() { return window.findChild<QComboBox *>(QStringLiteral("PortCombo"))->currentText(); }
    QString baudText() { return window.findChild<QComboBox *>(QStringLiteral("BaudCombo"))->currentText(); }
    int probes() const
    {
        int n = 0;
        for (const QByteArray &w : port.writes())
            n += w.size() > 1;
        return n;
    }
    // Runs SCAN and returns the fake milliseconds it took.
    qint64 scan()
    {
        const qint64 start = clock.nowMs();
        window.scan();
        return clock.nowMs() - start;
    }
    mdq::comportset window;
};
}  // namespace

class TestScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readerOnCom3At38400_isFoundAtTheThirdBaudRate()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(3, 38400));
        const qint64 took = f.scan();

        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM3 Baut Rate 38400"));
        QCOMPARE(f.portText(), QStringLiteral("COM3"));
        QCOMPARE(f.baudText(), QStringLiteral("38400 bits/s"));
        QVERIFY(f.port.isOpen());
        QCOMPARE(f.port.portNumber(), 3);
        QCOMPARE(f.port.baud(), 38400);
        QVERIFY(f.main.state().CommOpenOk);
        QVERIFY(f.main.state().CommTestOk);
        QVERIFY(!f.main.state().PortOpened);  // not changed by the scan

        // Port-major order: COM1 and COM2 at all five rates, then COM3 up to 38400.
        QList<std::pair<int, qint32>> expected;
        for (int p = 1; p <= 2; ++p)
            for (qint32 b : mdq::ScanBauds)
                expected.append({p, b});
        expected.append({3, 9600});
        expected.append({3, 19200});
        expected.append({3, 38400});
        QCOMPARE(f.port.openAttempts(), expected);
        QCOMPARE(f.probes(), 13);
        QCOMPARE(f.port.writes().last(), kAck);  // the reply is acknowledged
        QCOMPARE(took, 13 * 250);                // twelve silent places and the found one
        QCOMPARE(f.port.closes(), 12);
        QVERIFY(f.log().isEmpty());              // the scan writes nothing to the traffic log
    }

    void probeIsTheStatusRequestAtTheSelectedAddress()
    {
        ScanFixture f;
        f.main.findChild<QComboBox *>(QStringLiteral("cmbAddress820"))->setCurrentText(QStringLiteral("5"));
        QList<QByteArray> frames;
        f.port.setResponder([&frames](int, qint32, const QByteArray &frame) {
            frames << frame;
            return readerAnswer(replyFrame('P', '1', '0', "020", {}, 5));
        });
        f.scan();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first(), mdq::CommandFrame(5, '1', '0'));
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 9600"));
    }

    void scanMarksAnExchangeInProgress()
    {
        ScanFixture f;
        bool busyDuringProbe = false;
        f.port.setResponder([&busyDuringProbe](int, qint32, const QByteArray &) {
            busyDuringProbe = mdq::exchangeInProgress();
            return readerAnswer();
        });
        QVERIFY(!mdq::exchangeInProgress());
        f.scan();
        QVERIFY(busyDuringProbe);
        QVERIFY(!mdq::exchangeInProgress());
    }

    void noReaderAnywhere_80SilentPlacesOf250Ms()
    {
        ScanFixture f;
        f.main.state().PortOpened = true;  // an earlier connection
        const qint64 took = f.scan();
        QCOMPARE(f.message(), QStringLiteral("No Found MDQ-820"));
        QCOMPARE(f.port.openAttempts().size(), 80);
        QCOMPARE(f.port.openAttempts().last(), (std::pair<int, qint32>{16, 115200}));
        QCOMPARE(took, 80 * 250);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(f.portText(), QStringLiteral("COM1"));
        QCOMPARE(f.baudText(), QStringLiteral("9600 bits/s"));
        QVERIFY(!f.main.state().CommOpenOk);
        QVERIFY(f.main.state().PortOpened);  // left as it was, on a closed port
    }

    void portsThatDoNotOpenAreSkippedWithoutWaiting()
    {
        ScanFixture f;
        for (int p = 1; p <= 16; ++p)
            if (p != 7)
                f.port.failOpenOn(p, p % 2 ? OpenError::NotFound : OpenError::InUse);
        f.port.setResponder(readerAt(7, 9600));
        const qint64 took = f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM7 Baut Rate 9600"));
        QCOMPARE(f.port.openAttempts().size(), 6 * 5 + 1);  // five tries per failing port
        QCOMPARE(took, 250);
        QCOMPARE(f.probes(), 1);
    }

    void deviceThatOnlyAcknowledgesCostsFiveSeconds()
    {
        ScanFixture f;
        f.port.setResponder([](int p, qint32 b, const QByteArray &) -> QList<Chunk> {
            if (p == 1 && b == 9600)
                return {{0, kAck}};
            return p == 2 && b == 9600 ? readerAnswer() : QList<Chunk>{};
        });
        const qint64 took = f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM2 Baut Rate 9600"));
        QCOMPARE(took, (250 + 5000) + 4 * 250 + 250);
    }

    void headerWithoutBodyCostsThreeMoreSeconds()
    {
        ScanFixture f;
        f.port.setResponder([](int p, qint32 b, const QByteArray &) -> QList<Chunk> {
            if (p == 1 && b == 9600)
                return {{0, kAck}, {1000, positive('1', '0').left(4)}};
            return p == 1 && b == 19200 ? readerAnswer() : QList<Chunk>{};
        });
        const qint64 took = f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 19200"));
        QCOMPARE(took, (1000 + 3000) + 250);  // header at 1 s, then the body wait
    }

    void badChecksumIsNotTakenForTheReader()
    {
        ScanFixture f;
        QByteArray bad = positive('1', '0');
        bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x01);
        f.port.setResponder([bad](int p, qint32 b, const QByteArray &) -> QList<Chunk> {
            if (p == 1)
                return readerAnswer(bad);
            return p == 2 && b == 19200 ? readerAnswer() : QList<Chunk>{};
        });
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM2 Baut Rate 19200"));
        QCOMPARE(f.port.openAttempts().size(), 7);
        // Even the bad replies were acknowledged before their checksum was checked.
        QCOMPARE(f.port.writes().count(kAck), 6);
    }

    void negativeReplyIsEnough()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(2, 57600, negative('1', '0', "B0")));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM2 Baut Rate 57600"));
        QVERIFY(f.prompter.shown().isEmpty());  // the scan shows no message box
    }

    void replyOtherThanPositiveOrNegativeIsNotTheReader()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(1, 9600, replyFrame('X', '1', '0', "000")));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("No Found MDQ-820"));
    }

    void acknowledgementLaterThan250MsIsNotTheReader()
    {
        ScanFixture f;
        f.port.setResponder([](int p, qint32 b, const QByteArray &) -> QList<Chunk> {
            if (p != 1 || b != 9600)
                return {};
            return {{300, kAck}, {0, positive('1', '0')}};
        });
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("No Found MDQ-820"));
    }

    void readerOnCom16IsFoundButOkRefusesCom16()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(16, 9600));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM16 Baut Rate 9600"));
        QCOMPARE(f.portText(), QStringLiteral("COM16"));
        f.window.ok();
        QCOMPARE(f.prompter.shown(), (QList<Shown>{{mdq::Icon::Exclamation, "Caution", "Comm Port Setup Invalid"}}));
        QVERIFY(!f.main.state().PortOpened);
    }

    void readerAt115200WritesTheBaudTextNotInTheList()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(1, 115200));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 115200"));
        QCOMPARE(f.baudText(), QStringLiteral("115200 bits/s"));
        QCOMPARE(f.window.findChild<QComboBox *>(QStringLiteral("BaudCombo"))->findText(QStringLiteral("115200 bits/s")), -1);
    }

    void okAfterAScanConnectsAtTheFoundPlace()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(3, 38400));
        f.scan();
        f.window.ok();
        QVERIFY(f.main.state().PortOpened);
        QCOMPARE(f.port.portNumber(), 3);
        QCOMPARE(f.port.baud(), 38400);
    }

    void secondScanStartsFromScratch()
    {
        ScanFixture f;
        f.port.setResponder(readerAt(2, 9600));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM2 Baut Rate 9600"));
        f.port.setResponder(readerAt(1, 19200));
        f.scan();
        QCOMPARE(f.message(), QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 19200"));
        QCOMPARE(f.port.portNumber(), 1);
    }

    void delayMsSleepsOnTheClock()
    {
        FakeClock clock;
        const qint64 before = clock.nowMs();
        mdq::DelayMs(clock, 250);
        QCOMPARE(clock.nowMs() - before, 250);
        QCOMPARE(clock.slept(), 250);
        mdq::DelayMs(clock, 0);
        QCOMPARE(clock.slept(), 250);
    }
};

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
