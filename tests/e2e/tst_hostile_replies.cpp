// Replies that fail their checks, from a hostile peer on a real pty through
// the real serial port: the engine reads and acknowledges them as any reply
// (same bytes on the line, same log lines), then rejects them as bad data;
// nothing reaches a handler, and the outcome says which check failed.
// A device that keeps sending while no command is on the line, over a real
// pty: the tool drops that input as it arrives instead of buffering it (a
// chattering device once grew the read buffer by 1.18 GB in 13 s), counts it
// in the status bar.

#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "shell/reader_main.h"
#include "support/raw_pty.h"
#include "support/recording_prompter.h"
#include "ui/status_bar.h"

#include <QFile>
#include <QtTest/QTest>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace mdqtest;

namespace {
qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const auto parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}
}  // namespace

class TestHostileReplies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        const qint64 grew = residentBytes() - before;
        QVERIFY2(grew < 16 * 1024 * 1024, qPrintable(QStringLiteral("grew %1 for %2 sent").arg(grew).arg(sent)));
    }
};

QTEST_MAIN(TestHostileReplies)
#include "tst_hostile_replies.moc"
