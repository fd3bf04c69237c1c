// The tool's real serial port on real ptys, end to end.
// SCAN: a paced virtual reader answers only at its own speed, so SCAN finds it
// on COM3 only once the host's line speed, set through the pty, reaches 38400;
// a plain file and a silent pty on the ports before it are passed over; OK
// then connects there.
// The reader going away, mid-reply or between commands: one caution, the log
// kept, the port closed, later commands refused at once without a hang, and
// after Close Comm and Setup Comm with the reader back the next command works.
// (Replies cut short, too long or garbled: unit/tst_execute_command,
// the hostile replies below and the display tests.)
// Replies that fail their checks, from a hostile peer on a real pty through
// the real serial port: the engine reads and acknowledges them as any reply
// (same bytes on the line, same log lines), then rejects them as bad data;
// nothing reaches a handler, and the outcome says which check failed.
// A device that keeps sending while no command is on the line, over a real
// pty: the tool drops that input as it arrives instead of buffering it (a
// chattering device once grew the read buffer by 1.18 GB in 13 s), counts it
// in the status bar.
// Scenarios against the virtual reader over a real pty: each file under
// scenarios/ holds script steps, a line "--- expected", then the transcript.
// Every scenario starts connected: "Setup Comm" and OK on COM1 come first.

#include "link/exchange_outcome.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "shell/reader_main.h"
#include "support/e2e_session.h"
#include "support/main_fixture.h"
#include "support/raw_pty.h"
#include "support/recording_prompter.h"
#include "ui/status_bar.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <pty_server.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <virtual_reader.h>

using namespace mdqtest;

namespace {
const QString kCardStatusText = QStringLiteral(
    "Card Status Success\r\nNo card in card channel\r\nEnough cards in stacker\r\nThe error card bin is not full");
const QString kCardStatus = QStringLiteral("message information \"Card Status\" \"Card Status Success\\r\\nNo card in "
                                           "card channel\\r\\nEnough cards in stacker\\r\\nThe error card bin is not full\"");
const QString kStatusRequest = QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\n");

// The tool as the operator runs it, on the real serial port.
struct Tool
{
    Tool() : clock(20), port(map), main(port, clock, prompter) {}

    // "Setup Comm", COM1 at 9600, OK: the real settings window and link test.
    void setupComm(const QString &device)
    {
        map.map(1, device);
        onModal([](QWidget *w) { childOf<QAbstractButton>(w, QStringLiteral("Command1"))->click(); });
        click("IROpencom");
    }
    void click(const char *name) { main.findChild<QAbstractButton *>(QString::fromLatin1(name))->click(); }
    QString log() const { return const_cast<mdq::ReaderMain &>(main).log().text(); }

    ModalAnswers modals;
    mdq::PortMap map;
    ScaledClock clock;
    RecordingPrompter prompter;
    mdq::QtSerialPort port;
    mdq::ReaderMain main;
};

qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const auto parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}
}  // namespace

class TestRealPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scanFindsThePacedReaderOnCom3AtTheThirdBaudRate()
    {
        // A slow clock (x4): the reader's ACK must arrive within 250 ms of
        // scaled time, which is still 62 ms of real time on a busy machine.
        sim::VirtualReaderOptions paced;
        paced.baud = 38400;
        paced.pace = true;
        E2eSession session(4, paced, 3);
        QVERIFY(session.started());
        QTemporaryDir dir;
        const QString plainFile = dir.filePath(QStringLiteral("not-a-port"));
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        sim::PtyServer silent;  // opens, reads what comes and answers nothing
        QVERIFY(silent.start([](const QByteArray &) { return QList<sim::Transmission>{}; }, nullptr));
        session.portMap().map(1, plainFile);
        session.portMap().map(2, silent.devicePath());
        for (int p = 4; p <= 16; ++p)
            session.portMap().map(p, dir.filePath(QStringLiteral("no-such-port-%1").arg(p)));

        expectTranscript(session.run(QStringLiteral("click IROpencom\nclick AutoLabel\nclick Command3\nprint Label1\n"
                                                    "print PortCombo\nprint BaudCombo\nclick Command1\n"
                                                    "click CardStatusBtn\n")),
                         {"window comportset", "value Label1 \"Found MDQ-820 AT COM3 Baut Rate 38400\"",
                          "value PortCombo \"COM3\"", "value BaudCombo \"38400 bits/s\"", "closed comportset",
                          kCardStatus});
        QVERIFY(session.main().state().PortOpened);
        QCOMPARE(session.main().port().portNumber(), 3);
    }

    void readerGoesAway_data()
    {
        QTest::addColumn<bool>("midReply");
        QTest::newRow("between commands") << false;
        QTest::newRow("after the reply's header") << true;
    }
    void readerGoesAway()
    {
        QFETCH(bool, midReply);
        auto reader = std::make_unique<sim::VirtualReader>();
        QVERIFY(reader->start());
        Tool tool;
        tool.setupComm(reader->devicePath());
        QVERIFY(tool.main.state().PortOpened);
        tool.main.findChild<QCheckBox *>(QStringLiteral("CheckRecord"))->setChecked(true);
        const QString before = tool.log();

        if (midReply) {
            reader->control(QStringLiteral("fault header-only"));
            QTimer::singleShot(30, [&reader] { reader->stop(); });
        } else {
            // Between commands the port notices by itself; the command then
            // names the lost device instead of reporting a data error.
            reader->stop();
            QVERIFY(QTest::qWaitFor([&] { return !tool.port.lostDevice().isEmpty(); }, 3000));
        }
        QElapsedTimer timer;
        timer.start();
        tool.click("CardStatusBtn");
        QVERIFY2(timer.elapsed() < 2000, "the lost reader made the command hang");
        QCOMPARE(tool.prompter.shown(),
                 (QList<Shown>{{mdq::Icon::Exclamation, "Caution",
                                midReply ? kDataError : mdq::text::portLost(tool.port.lostDevice())}}));
        QVERIFY2(tool.log().startsWith(before), "the log lost what came before the failure");
        if (midReply)
            QCOMPARE(tool.log().mid(before.size()), kStatusRequest + "RD: 06\r\nRD: F2 00 00 06 \r\n\r\n");
        QVERIFY(tool.main.state().PortOpened);  // only "Close Comm" clears it
        QVERIFY(!tool.port.isOpen());

        // Until then every command reports the fault at once, sending nothing.
        tool.prompter.clear();
        const QString lost = tool.log();
        timer.restart();
        tool.click("SensorStatusBtn");
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(tool.prompter.shown(),
                 (QList<Shown>{{mdq::Icon::Exclamation, "Caution", mdq::text::portLost(tool.port.lostDevice())}}));
        QCOMPARE(tool.log(), lost);

        // "Close Comm", the reader back at a new device, "Setup Comm": working again.
        tool.click("IRCLOSECOM");
        QVERIFY(!tool.main.state().PortOpened);
        reader = std::make_unique<sim::VirtualReader>();
        QVERIFY(reader->start());
        tool.setupComm(reader->devicePath());
        QVERIFY(tool.main.state().PortOpened);
        QCOMPARE(tool.port.deviceName(), reader->devicePath());
        tool.prompter.clear();
        const QString kept = tool.log();
        tool.click("CardStatusBtn");
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{{mdq::Icon::Information, "Card Status", kCardStatusText}}));
        QCOMPARE(tool.log().mid(kept.size()),
                 kStatusRequest + "RD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n");
    }

    // ---- Hostile replies ----

    void rejected_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("detail");
        auto hex = [](const char *text) { return QByteArray::fromHex(text); };
        // Card status, positive, status 000, and that reply broken in one place.
        QTest::newRow("valid") << hex("F2 00 00 06 50 31 30 30 30 30 03 96") << QString();
        QTest::newRow("STX") << hex("F3 00 00 06 50 31 30 30 30 30 03 97") << "STX is F3h, expected F2h";
        QTest::newRow("ETX") << hex("F2 00 00 06 50 31 30 30 30 30 05 90") << "ETX expected at byte 10 of the reply, found 05h";
        QTest::newRow("BCC") << hex("F2 00 00 06 50 31 30 30 30 30 03 97") << "BCC is 97h, expected 96h";
        QTest::newRow("echo of another command")
            << hex("F2 00 00 06 50 32 30 30 30 30 03 95") << "the reply echoes CM 32h PM 30h, the request was CM 31h PM 30h";
        QTest::newRow("too short to echo") << hex("F2 00 00 01 50 03 A0") << "the reply echoes CM 03h PM ";
    }

    void rejected()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, detail);
        RawPty pty;
        QVERIFY(pty.isOpen());
        const int master = pty.fd();
        mdq::PortMap map;
        map.map(1, pty.slave());
        mdq::QtSerialPort port(map);
        QCOMPARE(port.open(1, 9600), mdq::OpenError::None);

        // The peer: wait for the request, answer ACK and the reply at once,
        // then collect what the host sends after it.
        QByteArray afterReply;
        std::thread peer([&] {
            char buf[64];
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0 || ::read(master, buf, sizeof buf) <= 0)
                return;
            const QByteArray out = QByteArray(1, '\x06') + reply;
            [[maybe_unused]] const auto n = ::write(master, out.constData(), size_t(out.size()));
            if (::poll(&p, 1, 2000) > 0) {
                const ssize_t got = ::read(master, buf, sizeof buf);
                if (got > 0)
                    afterReply = QByteArray(buf, int(got));
            }
        });
        mdq::SystemClock clock;
        mdq::TrafficLog log;
        mdq::SharedState state;
        state.PortOpened = true;
        mdq::LinkContext link{port, clock, log, state};
        mdq::Reply got;
        const mdq::ExchangeOutcome o = mdq::ExecuteCommand(link, QByteArray::fromHex("F200000343313003B0"), got);
        peer.join();
        port.close();

        // Read and acknowledged as any reply: the same lines in the log.
        QCOMPARE(afterReply, QByteArray("\x06", 1));
        const QString replyLine = QStringLiteral("RD: %1 \r\n").arg(QString::fromLatin1(reply.toHex(' ').toUpper()));
        QVERIFY2(log.text().startsWith(QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n") + replyLine),
                 qPrintable(log.text()));
        QVERIFY(log.text().contains(QLatin1String("SD: 06\r\n")));
        if (detail.isEmpty()) {
            QCOMPARE(o.result, 0);
            QCOMPARE(got.length(), int(reply.size()) - 4);
            return;
        }
        QCOMPARE(o.result, -1);
        QCOMPARE(int(o.end), int(mdq::ExchangeEnd::BadReply));
        QVERIFY2(o.detail.startsWith(detail), qPrintable(o.detail));
        QCOMPARE(o.summary(), QStringLiteral("Reply rejected: ") + o.detail);  // the status bar's text
        QCOMPARE(o.operatorMessage()->text, QStringLiteral("Error:Please Check The Data Effective"));
        QVERIFY(got.isEmpty());  // nothing for a handler
        QVERIFY(log.text().endsWith(QLatin1String("SD: 06\r\n\r\n")));
    }

    // ---- Input while idle ----

    void chatterWhileIdleIsDroppedAndCounted()
    {
        // Non-blocking: the flood must never hang the test when nobody reads.
        RawPty pty(O_NONBLOCK);
        QVERIFY(pty.isOpen());
        const int master = pty.fd();
        mdq::PortMap map;
        map.map(1, pty.slave());
        mdq::QtSerialPort port(map);
        mdq::SystemClock clock;
        RecordingPrompter prompter;
        mdq::ReaderMain main(port, clock, prompter);
        QCOMPARE(port.open(1, 9600), mdq::OpenError::None);
        main.state().PortOpened = true;

        // 1.5 s of noise as fast as the pty takes it, while the tool idles.
        std::atomic<bool> stop{false};
        std::atomic<qint64> sent{0};
        std::thread flood([&] {
            const QByteArray noise(4096, '\x55');
            while (!stop) {
                const ssize_t n = ::write(master, noise.constData(), size_t(noise.size()));
                if (n > 0)
                    sent += n;
                else
                    ::usleep(100);
            }
        });
        const qint64 before = residentBytes();
        QTest::qWait(1500);
        stop = true;
        flood.join();
        QTest::qWait(400);  // the rest drains, the report comes

        // More than a buffer-full, or the test would prove nothing.
        QVERIFY2(sent > 4 * mdq::QtSerialPort::ReadBufferLimit, qPrintable(QString::number(sent)));
        // All of it was read and dropped as it came (at most one buffer-full
        // may still wait), and memory stayed flat.
        const QString message = main.statusBar()->message();
        QVERIFY2(message.endsWith(QLatin1String(" bytes received while idle, discarded")), qPrintable(message));
        const qint64 dropped = message.section(QLatin1Char(' '), 0, 0).toLongLong();
        QVERIFY2(dropped >= sent - mdq::QtSerialPort::ReadBufferLimit && dropped <= sent,
                 qPrintable(QStringLiteral("%1 dropped of %2 sent").arg(dropped).arg(sent)));
        // The trace tells the same, in one event row per report.
        qint64 traced = 0;
        for (const mdq::TraceRow &row : main.trace().rows())
            if (row.summary.endsWith(QLatin1String(" bytes received while idle, discarded")))
                traced += row.summary.section(QLatin1Char(' '), 0, 0).toLongLong();
        QCOMPARE(traced, dropped);
        const qint64 grew = residentBytes() - before;
        QVERIFY2(grew < 16 * 1024 * 1024, qPrintable(QStringLiteral("grew %1 for %2 sent").arg(grew).arg(sent)));
    }

    // ---- Scenarios ----

    void scenario_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(QTEST820_SCENARIO_DIR));
        const auto files = dir.entryList({QStringLiteral("*.scn")}, QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), "no scenarios found");
        for (const QString &f : files)
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
    void scenario()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const int split = text.indexOf(QLatin1String("\n--- expected\n"));
        QVERIFY2(split >= 0, "scenario lacks a '--- expected' line");
        const QString steps = QStringLiteral("click IROpencom\nclick Command1\n") + text.left(split + 1);
        QStringList expected = text.mid(split + 14).split(QLatin1Char('\n'));
        expected.prepend(QStringLiteral("closed comportset"));
        expected.prepend(QStringLiteral("window comportset"));
        while (!expected.isEmpty() && expected.last().isEmpty())
            expected.removeLast();
        int expectedCode = 0;
        if (!expected.isEmpty() && expected.last().startsWith(QLatin1String("exit ")))
            expectedCode = expected.takeLast().mid(5).toInt();

        E2eSession session;
        QVERIFY(session.started());
        int code = -1;
        const QStringList actual = session.run(steps, &code);
        expectTranscript(actual, expected);
        QCOMPARE(code, expectedCode);
    }
};

QTEST_MAIN(TestRealPort)
#include "tst_real_port.moc"
