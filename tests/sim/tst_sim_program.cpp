// mdq820-sim as a process: first line, control commands on standard input,
// the pty it serves, --link, signals and exit codes; its command line parsed;
// the --link symbolic link replaced only when stale, left alone when not ours.
// The virtual reader on a real pseudo terminal, seen from the host's side:
// pacing, the delay fault, control while serving, bad options. (Noise and
// broken frames: tst_line_protocol and the sim_protocol fuzz corpus.)

#include "cli_options.h"
#include "device_link.h"
#include "qtest820_version.h"
#include "virtual_reader.h"
#include "sim/sim_bytes.h"

#include <QFile>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <signal.h>
#include <thread>
#include <unistd.h>

using namespace sim;
using simtest::hex;

namespace {

// The host's side of the pty: the slave device opened as a serial port
// (Qt's own, not the tool's), raw, at the given speed.
class HostPort
{
public:
    explicit HostPort(const QString &device, qint32 baud = 9600)
    {
        m_port.setPortName(device);
        if (m_port.open(QIODevice::ReadWrite))
            m_port.setBaudRate(baud);
    }
    bool isOpen() const { return m_port.isOpen(); }
    bool setSpeed(qint32 baud) { return m_port.setBaudRate(baud); }
    bool send(const QByteArray &bytes) { return m_port.write(bytes) == bytes.size() && m_port.waitForBytesWritten(5000); }
    void discardInput() { m_port.clear(QSerialPort::Input); }

    // Reads until one byte and a whole frame after it have arrived (ACK and
    // reply), or until timeoutMs passes; returns what arrived.
    QByteArray readAnswer(int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        auto complete = [&got] { return got.size() >= 5 && got.size() >= quint8(got[3]) * 256 + quint8(got[4]) + 7; };
        while (!complete() && timer.elapsed() < timeoutMs && m_port.waitForReadyRead(int(timeoutMs - timer.elapsed())))
            got += m_port.readAll();
        return got;
    }

    // For each of count bytes (or those within timeoutMs): clock's ns when the read bringing it returned.
    QList<qint64> readArrivals(int count, int timeoutMs, const QElapsedTimer &clock)
    {
        QList<qint64> times;
        const qint64 endNs = clock.nsecsElapsed() + qint64(timeoutMs) * 1'000'000;
        while (times.size() < count && clock.nsecsElapsed() < endNs
               && m_port.waitForReadyRead(int((endNs - clock.nsecsElapsed()) / 1'000'000) + 1)) {
            const qint64 n = m_port.readAll().size();
            const qint64 at = clock.nsecsElapsed();
            for (qint64 i = 0; i < n; ++i)
                times.append(at);
        }
        return times;
    }

private:
    QSerialPort m_port;
};


constexpr int kWaitMs = 5000;  // only reached when something is broken
const QByteArray kStatus = hex("F2 00 00 03 43 31 30 03 B0");
const QByteArray kStatusAnswer = hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");
constexpr int kAnswerWaitMs = 1000;  // generous: only reached when something is broken
constexpr int kSilenceMs = 60;       // how long "no answer" is watched for

QString program()
{
    return QString::fromLocal8Bit(qgetenv("MDQ820_SIM_BINARY"));
}

QString ask(QProcess &p, const char *command = nullptr)
{
    if (command)
        p.write(QByteArray(command) + '\n');
    while (!p.canReadLine())
        if (!p.waitForReadyRead(kWaitMs))
            return QStringLiteral("<nothing>");
    return QString::fromLocal8Bit(p.readLine()).trimmed();
}

QString linkTarget(const QString &path)
{
    char target[256];
    const ssize_t n = readlink(path.toLocal8Bit().constData(), target, sizeof target);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, int(n));
}

bool makeSymlink(const char *target, const QString &path)
{
    return symlink(target, path.toLocal8Bit().constData()) == 0;
}

}  // namespace

class TstSimProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    // Where the link tests put the link, empty before each of them.
    QString path() const { return dir.filePath(QStringLiteral("reader")); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QFile::remove(path());
        QDir(path()).removeRecursively();
    }

    // The device on the first line, a link to it, control answered line by
    // line, the reader at its address; end of input or a signal ends the
    // program normally and removes the link.
    void servesUntilTheEnd_data()
    {
        QTest::addColumn<int>("signal");  // 0: end of input
        QTest::newRow("end of input") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void servesUntilTheEnd()
    {
        QFETCH(int, signal);
        QProcess sim;
        sim.start(program(), {QStringLiteral("--address"), QStringLiteral("2"), QStringLiteral("--link"), path()});
        QVERIFY(sim.waitForStarted(kWaitMs));
        const QString device = ask(sim);
        QVERIFY2(device.startsWith(QLatin1String("/dev/pts/")), qPrintable(device));
        QCOMPARE(linkTarget(path()), device);

        QCOMPARE(ask(sim, "insert"), QStringLiteral("ok card at the front"));
        QCOMPARE(ask(sim, "bogus"), QStringLiteral("error: unknown command \"bogus\" (try help)"));
        HostPort host(path());
        QVERIFY(host.isOpen());
        QVERIFY(host.send(hex("F2 02 00 03 43 31 30 03 B2")));
        QCOMPARE(host.readAnswer(kWaitMs).toHex(' '), hex("06 F2 02 00 06 50 31 30 31 32 30 03 97").toHex(' '));
        QVERIFY(ask(sim, "state").startsWith(QLatin1String("ok address=2 ")));

        if (signal)
            ::kill(pid_t(sim.processId()), signal);
        else
            sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(path()).isSymLink());
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");  // "LINK": a regular file the link must not replace
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("stdoutStart");
        QTest::addColumn<QByteArray>("stderrHas");
        const QByteArray tryHelp("Try mdq820-sim --help.");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: mdq820-sim") << QByteArray();
        QTest::newRow("-h") << QStringList{"-h"} << 0 << QByteArray("Usage: mdq820-sim") << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("mdq820-sim " QTEST820_VERSION "\n")
                                 << QByteArray();
        QTest::newRow("bad address") << QStringList{"--address", "X"} << 2 << QByteArray() << tryHelp;
        QTest::newRow("unknown option") << QStringList{"--turbo"} << 2 << QByteArray() << tryHelp;
        QTest::newRow("link onto a file") << QStringList{"--link", "LINK"} << 1 << QByteArray()
                                          << QByteArray("not a symbolic link");
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QByteArray, stdoutStart);
        QFETCH(QByteArray, stderrHas);
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
        file.close();
        arguments.replaceInStrings(QStringLiteral("LINK"), path());
        QProcess sim;
        sim.start(program(), arguments);
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitCode(), code);
        const QByteArray out = sim.readAllStandardOutput();
        QVERIFY2(stdoutStart.isEmpty() ? out.isEmpty() : out.startsWith(stdoutStart), out.constData());
        QVERIFY(sim.readAllStandardError().contains(stderrHas));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious"));
    }

    // ---- The command line on its own ----

    // What the command line becomes: "address baud pace link", or the error.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("defaults") << QStringList{} << "0 9600 - ";
        QTest::newRow("all") << QStringList{"--address", "a", "--baud", "115200", "--pace", "--link", "/tmp/x"}
                             << "10 115200 pace /tmp/x";
        QTest::newRow("inline values") << QStringList{"--address=F", "--baud=38400", "--link=/tmp/y"} << "15 38400 - /tmp/y";
        QTest::newRow("address too big") << QStringList{"--address", "10"} << "--address is one hex digit 0..F, not \"10\"";
        QTest::newRow("address missing") << QStringList{"--address"} << "--address needs a value";
        QTest::newRow("odd baud") << QStringList{"--baud", "9601"} << "unsupported baud rate \"9601\"";
        QTest::newRow("empty link") << QStringList{"--link="} << "--link needs a path";
        QTest::newRow("value for a flag") << QStringList{"--pace=yes"} << "--pace takes no value";
        QTest::newRow("unknown") << QStringList{"--fast"} << "unknown argument \"--fast\"";
        QTest::newRow("stray word") << QStringList{"9600"} << "unknown argument \"9600\"";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, parsed);
        const CliParseResult r = parseCliOptions(arguments);
        const CliOptions &o = r.options;
        QCOMPARE(r.ok ? QStringLiteral("%1 %2 %3 %4").arg(o.reader.address).arg(o.reader.baud)
                            .arg(QLatin1String(o.reader.pace ? "pace" : "-"), o.linkPath)
                      : r.error,
                 parsed);
        QVERIFY(!o.help && !o.version);
    }

    // ---- The link on its own: replaced only when stale, left alone when not ours ----

    void replacesAStalePtyLinkAndLeavesOneTakenOver()
    {
        QVERIFY(makeSymlink("/dev/pts/99", path()));
        DeviceLink link;
        QVERIFY(link.create(path(), QStringLiteral("/dev/pts/41")));
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/41"));
        DeviceLink other;  // another run takes the link over
        QVERIFY(other.create(path(), QStringLiteral("/dev/pts/42")));
        link.remove();
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/42"));
    }

    void refusesEverythingElse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << QStringLiteral("dir");
        QTest::newRow("link elsewhere") << QStringLiteral("/etc/hostname");
        QTest::newRow("link to a pts lookalike") << QStringLiteral("/dev/pts/../sda");
    }
    void refusesEverythingElse()
    {
        QFETCH(QString, kind);
        QVERIFY(kind == QLatin1String("dir") ? QDir().mkdir(path()) : makeSymlink(qPrintable(kind), path()));
        const QFileInfo before(path());
        DeviceLink link;
        QString error;
        QVERIFY(!link.create(path(), QStringLiteral("/dev/pts/41"), &error));
        QVERIFY(error.startsWith(path()));
        link.remove();
        const QFileInfo after(path());
        QVERIFY(after.exists() || after.isSymLink());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isDir(), before.isDir());
    }

    void knowsPtyDevices()
    {
        QVERIFY(DeviceLink::isPtyDevice(QStringLiteral("/dev/pts/7")));
        for (const char *other : {"/dev/ttyS0", "/dev/pts/ptmx", "pts/7"})
            QVERIFY2(!DeviceLink::isPtyDevice(QLatin1String(other)), other);
    }

    // ---- The reader on a pty ----

    void pacingAndDelay()
    {
        VirtualReaderOptions options;
        options.baud = 9600;
        options.pace = true;
        VirtualReader reader(options);
        QVERIFY(reader.start());
        HostPort host(reader.devicePath(), 38400);

        QVERIFY(host.send(kStatus));
        QVERIFY(host.readAnswer(kSilenceMs).isEmpty());

        QVERIFY(host.setSpeed(9600));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
        // 13 bytes at 9600 baud take 13.5 ms on the wire.
        QVERIFY2(timer.elapsed() >= 12, qPrintable(QString::number(timer.elapsed())));

        // Pace off: any speed is answered; the delay fault holds the reply.
        QCOMPARE(reader.control(QStringLiteral("pace off")), QStringLiteral("ok pace off"));
        QCOMPARE(reader.control(QStringLiteral("fault delay 40")), QStringLiteral("ok fault delay 40"));
        QVERIFY(host.setSpeed(38400));
        timer.restart();
        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
        QVERIFY2(timer.elapsed() >= 40, qPrintable(QString::number(timer.elapsed())));
    }

    void pacedReplyKeepsToWireTime_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("delayMs");  // the delay fault: holds the reply frame, not the ACK
        QTest::newRow("1200 baud") << 1200 << 0;
        QTest::newRow("2400 baud") << 2400 << 0;
        QTest::newRow("2400 baud, reply delayed 30 ms") << 2400 << 30;
    }
    void pacedReplyKeepsToWireTime()
    {
        QFETCH(int, baud);
        QFETCH(int, delayMs);
        VirtualReaderOptions options;
        options.baud = baud;
        options.pace = true;
        VirtualReader reader(options);
        QVERIFY(reader.start());
        if (delayMs > 0)
            QVERIFY(reader.control(QStringLiteral("fault delay %1").arg(delayMs)).startsWith(QLatin1String("ok")));
        HostPort host(reader.devicePath(), baud);
        QVERIFY(host.isOpen());

        // Started before the request is written, so no arrival is measured early.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(host.send(kStatus));
        const QList<qint64> arrivals = host.readArrivals(int(kStatusAnswer.size()), kAnswerWaitMs, clock);
        QCOMPARE(arrivals.size(), kStatusAnswer.size());

        // The request's bytes come in first; answer byte k is complete k + 1
        // byte times after that (10 bits a byte).
        const double byteNs = 1e10 / baud;
        const qint64 delayNs = qint64(delayMs) * 1'000'000;
        for (int k = 0; k < arrivals.size(); ++k) {
            const qint64 earliest = qint64((kStatus.size() + k + 1) * byteNs) + (k > 0 ? delayNs : 0);
            QVERIFY2(arrivals[k] >= earliest, qPrintable(QStringLiteral("byte %1 at %2 us, wire time %3 us")
                                                             .arg(k).arg(arrivals[k] / 1000).arg(earliest / 1000)));
        }
        const qint64 wireNs = qint64((kStatus.size() + kStatusAnswer.size()) * byteNs) + delayNs;
        QVERIFY2(arrivals.last() <= wireNs * 3 / 2 + 50'000'000,
                 qPrintable(QStringLiteral("last byte at %1 us, wire time %2 us").arg(arrivals.last() / 1000).arg(wireNs / 1000)));
    }

    void controlWhileServing()
    {
        VirtualReader reader;
        QVERIFY(reader.start());
        HostPort host(reader.devicePath());
        QCOMPARE(reader.control(QStringLiteral("counter 5")), QStringLiteral("ok counter 005"));
        std::atomic<bool> done{false};
        std::atomic<int> bad{0};
        std::thread operatorThread([&] {
            while (!done) {
                if (!reader.control(QStringLiteral("counter 5")).startsWith(QLatin1String("ok")))
                    ++bad;
                if (!reader.control(QStringLiteral("state")).startsWith(QLatin1String("ok")))
                    ++bad;
                // As fast as any operator, without starving the line on a
                // loaded machine (a mutex promises no fairness).
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        // Joined however the checks below end, or a failed one aborts the run.
        auto joinOperator = qScopeGuard([&] {
            done = true;
            operatorThread.join();
        });
        const QByteArray readCounter = hex("F2 00 00 03 43 A5 30 03 24");
        const QByteArray counterAnswer = hex("06 F2 00 00 09 50 A5 30 30 32 30 30 30 35 03 3A");
        for (int i = 0; i < 20; ++i) {
            QVERIFY(host.send(readCounter));
            QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), counterAnswer.toHex(' '));
        }
        done = true;
        operatorThread.join();
        joinOperator.dismiss();
        QCOMPARE(bad.load(), 0);
    }

    void refusesInvalidOptions()
    {
        VirtualReaderOptions options;
        options.baud = 12345;
        VirtualReader reader(options);
        QString error;
        QVERIFY(!reader.start(&error));
        QCOMPARE(error, QStringLiteral("unsupported baud rate 12345"));
        QVERIFY(reader.devicePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstSimProgram)
#include "tst_sim_program.moc"
