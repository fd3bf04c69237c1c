// A device that keeps sending while no command is on the line, over a real
// pty: the tool drops that input as it arrives instead of buffering it (a
// chattering device once grew the read buffer by 1.18 GB in 13 s), counts it
// in the status bar.

#include "link/shared_state.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "support/raw_pty.h"
#include "shell/reader_main.h"
#include "support/recording_prompter.h"
#include "ui/status_bar.h"

#include <QFile>
#include <QtTest/QTest>
#include <atomic>
#include <fcntl.h>
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

class TestIdleInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_MAIN(TestIdleInput)
#include "tst_idle_input.moc"
