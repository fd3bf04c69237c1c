// Faults of the line end to end: the tool's real serial port on a real pty,
// whose far end is a small test peer that answers like a reader or misbehaves
// on purpose (stops mid-reply, vanishes, sends too much, floods garbage).
// Each fault must give one documented message, keep the log, leave the port
// in a state that makes sense, and the next command must work once the reader
// is back. The clock runs 20x fast, so the reader's time limits cost
// milliseconds.

#include "shell/reader_main.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "support/e2e_session.h"
#include "support/main_fixture.h"
#include "support/recording_prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <pty_server.h>

using namespace mdqtest;

namespace {

enum class Fault {
    None,          // answer like a reader
    StopMidReply,  // ACK, header, part of the body, then silence
    Vanish,        // ACK, header, part of the body, then the peer closes
    Oversized,     // a complete reply whose LEN (1200) exceeds the reply buffer
    Garbage,       // a burst of noise instead of the ACK
    GarbageAfterAck,  // ACK, then a header with a huge LEN and noise
};

// The far end of a pty: answers each request like a reader, or with the
// fault set for the next one.
class PtyPeer
{
public:
    PtyPeer() { m_ok = m_server.start([this](const QByteArray &in) { return answer(in); }, nullptr); }
    bool ok() const { return m_ok; }
    QString path() const { return m_server.devicePath(); }
    void setFault(Fault f) { m_fault = f; }
    int requests() const { return m_requests; }
    // The reader is switched off or unplugged: the master side goes away.
    void vanish() { m_server.stop(); }

private:
    static QByteArray noise(int n)
    {
        QByteArray b(n, Qt::Uninitialized);
        quint32 x = 0x2545F491u;
        for (int i = 0; i < n; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b[i] = char(x & 0xFF);
        }
        return b;
    }

    // Runs on the server's thread. Single bytes (the host's ACK, EOT) and
    // noise before STX are dropped.
    QList<sim::Transmission> answer(const QByteArray &in)
    {
        QList<sim::Transmission> out;
        m_pending += in;
        for (int stx; (stx = int(m_pending.indexOf(char(0xF2)))) >= 0;) {
            m_pending.remove(0, stx);
            const int total = m_pending.size() < 4 ? 9 : quint8(m_pending[2]) * 256 + quint8(m_pending[3]) + 6;
            if (m_pending.size() < total)
                return out;
            const quint8 cm = quint8(m_pending[5]), pm = quint8(m_pending[6]);
            m_pending.remove(0, total);
            ++m_requests;
            const QByteArray ack(1, char(0x06)), reply = positive(cm, pm, {}, "020");
            switch (m_fault.exchange(Fault::None)) {
            case Fault::None:
                out.append({0, ack + reply});
                break;
            case Fault::StopMidReply:
            case Fault::Vanish:  // the test then stops the server
                out.append({0, ack + reply.left(7)});
                break;
            case Fault::Oversized:
                out.append({0, ack + positive(cm, pm, QByteArray(1200 - 6, 'D'), "020")});
                break;
            case Fault::Garbage:
                out.append({0, QByteArray(1, char(0xA5)) + noise(2047)});
                break;
            case Fault::GarbageAfterAck:
                out.append({0, ack + QByteArray::fromHex("F200FFFF") + noise(2000)});
                break;
            }
        }
        m_pending.clear();
        return out;
    }

    sim::PtyServer m_server;
    bool m_ok = false;
    QByteArray m_pending;
    std::atomic<Fault> m_fault{Fault::None};
    std::atomic<int> m_requests{0};
};

const QString kStatusRequest = QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\n");
const QString kStatusOk = QStringLiteral("RD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n");
const mdqtest::Shown kCardStatus{mdq::Icon::Information, QStringLiteral("Card Status"),
                                 QStringLiteral("Card Status Success\r\nNo card in card channel\r\n"
                                                "Enough cards in stacker\r\nThe error card bin is not full")};

// The tool as the operator runs it, on the real serial port.
struct Tool
{
    Tool() : clock(20), port(map), main(port, clock, prompter) {}

    // "Setup Comm", COM1 at 9600, OK: the real settings window and link test.
    void setupComm(const QString &device)
    {
        map.map(1, device);
        onModal([](QWidget *w) {
            if (auto *ok = childOf<QAbstractButton>(w, QStringLiteral("Command1")))
                ok->click();
            if (w->isVisible())  // the link test failed: leave the window
                childOf<QAbstractButton>(w, QStringLiteral("Command2"))->click();
        });
        main.findChild<QAbstractButton *>(QStringLiteral("IROpencom"))->click();
    }
    void click(const char *name) { main.findChild<QAbstractButton *>(QString::fromLatin1(name))->click(); }
    QString log() const { return const_cast<mdq::ReaderMain &>(main).log().text(); }

    mdq::PortMap map;
    ScaledClock clock;
    RecordingPrompter prompter;
    mdq::QtSerialPort port;
    mdq::ReaderMain main;
};

}  // namespace

class TestLineFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void faultDuringAnExchange_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("logStart");  // what the failed exchange adds, from its start...
        QTest::addColumn<QString>("logEnd");    // ...and how it ends
        QTest::addColumn<bool>("portGone");     // the device went away: the port is closed

        const QString noAnswer = kUnitNotDetected, badData = kDataError;
        const QString ack = QStringLiteral("RD: 06\r\n");
        QTest::newRow("reply stops midway")
            << int(Fault::StopMidReply) << badData << kStatusRequest + ack + "RD: F2 00 00 06 \r\n\r\n"
            << QString() << false;
        QTest::newRow("reader vanishes midway")
            << int(Fault::Vanish) << badData << kStatusRequest + ack + "RD: F2 00 00 06 \r\n\r\n" << QString()
            << true;
        QTest::newRow("reply larger than the buffer")
            << int(Fault::Oversized) << badData << kStatusRequest + ack + "RD: F2 00 04 B0 50 31 30 30 32 30 44 "
            << QStringLiteral("SD: 06\r\n\r\n\r\n") << false;
        QTest::newRow("garbage instead of ACK")
            << int(Fault::Garbage) << noAnswer << kStatusRequest + "RD: A5\r\n\r\n\r\n" << QString() << false;
        QTest::newRow("garbage after ACK")
            << int(Fault::GarbageAfterAck) << badData << kStatusRequest + ack + "RD: F2 00 FF FF \r\n\r\n"
            << QString() << false;
    }

    void faultDuringAnExchange()
    {
        QFETCH(int, fault);
        QFETCH(QString, message);
        QFETCH(QString, logStart);
        QFETCH(QString, logEnd);
        QFETCH(bool, portGone);

        auto peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->ok());
        Tool tool;
        tool.setupComm(peer->path());
        QVERIFY(tool.main.state().PortOpened);
        tool.main.findChild<QCheckBox *>(QStringLiteral("CheckRecord"))->setChecked(true);
        tool.click("CardStatusBtn");
        const QString before = tool.log();
        QVERIFY2(before.endsWith(kStatusRequest + kStatusOk + "\r\n"), qPrintable(before));
        tool.prompter.clear();

        peer->setFault(Fault(fault));
        if (portGone)
            QTimer::singleShot(30, [&peer] { peer->vanish(); });
        QElapsedTimer timer;
        timer.start();
        tool.click("CardStatusBtn");
        QVERIFY2(timer.elapsed() < 5000, "the failed exchange took seconds");

        QCOMPARE(tool.prompter.shown(), (QList<Shown>{{mdq::Icon::Exclamation, QStringLiteral("Caution"), message}}));
        const QString log = tool.log();
        QVERIFY2(log.startsWith(before), "the log lost what came before the failure");
        const QString added = log.mid(before.size());
        if (logEnd.isEmpty()) {
            QCOMPARE(added, logStart);
        } else {
            QVERIFY2(added.startsWith(logStart), qPrintable(added.left(200)));
            // The whole reply is logged and acknowledged, and only then refused.
            QVERIFY2(added.endsWith(logEnd), qPrintable(added.right(200)));
            const int from = int(added.indexOf(QLatin1String("RD: F2"))), to = int(added.lastIndexOf(QLatin1String("SD: 06")));
            const QStringList bytes = added.mid(from + 4, to - from - 4).simplified().split(QLatin1Char(' '));
            QCOMPARE(bytes.size(), 4 + 1202);  // header, then LEN + 2
        }
        QVERIFY(tool.main.state().PortOpened);  // only "Close Comm" clears it
        QCOMPARE(tool.port.isOpen(), !portGone);

        // The reader is back: the next command works.
        if (portGone) {
            // Until then the next command reports the fault at once.
            tool.prompter.clear();
            timer.restart();
            tool.click("CardStatusBtn");
            QVERIFY(timer.elapsed() < 2000);
            QCOMPARE(tool.prompter.shown().size(), 1);
            QCOMPARE(tool.prompter.shown().at(0).icon, mdq::Icon::Exclamation);
            peer = std::make_unique<PtyPeer>();
            QVERIFY(peer->ok());
            tool.setupComm(peer->path());
            QVERIFY(tool.main.state().PortOpened);
            QCOMPARE(tool.port.deviceName(), peer->path());
        }
        tool.prompter.clear();
        const QString kept = tool.log();
        tool.click("CardStatusBtn");
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{kCardStatus}));
        QCOMPARE(tool.log().mid(kept.size()), kStatusRequest + kStatusOk + "\r\n");
    }

    void portDisappearsWhileOpen()
    {
        auto peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->ok());
        Tool tool;
        tool.setupComm(peer->path());
        QVERIFY(tool.main.state().PortOpened);
        QCOMPARE(peer->requests(), 1);  // the link test
        tool.main.findChild<QCheckBox *>(QStringLiteral("CheckRecord"))->setChecked(true);
        const QString before = tool.log();

        peer->vanish();
        QElapsedTimer timer;
        timer.start();
        tool.click("CardStatusBtn");
        QVERIFY2(timer.elapsed() < 2000, "a vanished port made the command hang");
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{{mdq::Icon::Exclamation, QStringLiteral("Caution"),
                                                       kDataError}}));
        QVERIFY(tool.log().startsWith(before));
        QVERIFY(!tool.port.isOpen());

        // Again: the same report, no hang, nothing thrown.
        tool.prompter.clear();
        tool.click("SensorStatusBtn");
        QCOMPARE(tool.prompter.shown().size(), 1);

        // "Close Comm", a new reader at a new device, "Setup Comm": working again.
        tool.click("IRCLOSECOM");
        QVERIFY(!tool.main.state().PortOpened);
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->ok());
        tool.setupComm(peer->path());
        QVERIFY(tool.main.state().PortOpened);
        tool.prompter.clear();
        tool.click("CardStatusBtn");
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{kCardStatus}));
    }
};

QTEST_MAIN(TestLineFaults)
#include "tst_line_faults.moc"
