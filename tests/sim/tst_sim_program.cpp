// mdq820-sim as a process: first line, control commands on standard input,
// the pty it serves, --link, signals and exit codes; its command line parsed;
// the --link symbolic link replaced only when stale, left alone when not ours.

#include "cli_options.h"
#include "device_link.h"
#include "control_interpreter.h"
#include "sim/host_port.h"
#include "sim/sim_bytes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <signal.h>
#include <unistd.h>

using namespace sim;
using simtest::HostPort;
using simtest::hex;

namespace {

constexpr int kWaitMs = 5000;  // only reached when something is broken

QString program()
{
    return QString::fromLocal8Bit(qgetenv("MDQ820_SIM_BINARY"));
}

QString readLine(QProcess &p)
{
    while (!p.canReadLine()) {
        if (!p.waitForReadyRead(kWaitMs))
            return QStringLiteral("<nothing>");
    }
    return QString::fromLocal8Bit(p.readLine()).trimmed();
}

QString ask(QProcess &p, const char *command)
{
    p.write(command);
    p.write("\n");
    return readLine(p);
}

QString linkTarget(const QString &path)
{
    char target[256];
    const ssize_t n = readlink(path.toLocal8Bit().constData(), target, sizeof target);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, int(n));
}

bool makeSymlink(const QString &target, const QString &path)
{
    return symlink(target.toLocal8Bit().constData(), path.toLocal8Bit().constData()) == 0;
}

}  // namespace

class TstSimProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    // Where the link tests put the link, empty before each of them.
    QString path() const { return dir.filePath(QStringLiteral("reader")); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program()), "MDQ820_SIM_BINARY must name the built program");
    }

    void servesThePtyAndTheControlInput()
    {
        QProcess sim;
        sim.start(program(), {QStringLiteral("--address"), QStringLiteral("2")});
        QVERIFY(sim.waitForStarted(kWaitMs));
        const QString device = readLine(sim);
        QVERIFY2(device.startsWith(QLatin1String("/dev/pts/")), qPrintable(device));

        QCOMPARE(ask(sim, "insert"), QStringLiteral("ok card at the front"));
        QCOMPARE(ask(sim, "bogus"), QStringLiteral("error: unknown command \"bogus\" (try help)"));
        HostPort host(device);
        QVERIFY(host.isOpen());
        QVERIFY(host.send(hex("F2 02 00 03 43 31 30 03 B2")));
        QCOMPARE(host.readAnswer(kWaitMs).toHex(' '), hex("06 F2 02 00 06 50 31 30 31 32 30 03 97").toHex(' '));
        QVERIFY(ask(sim, "state").startsWith(QLatin1String("ok address=2 ")));

        sim.closeWriteChannel();  // end of input ends the program
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
    }

    void linkFollowsTheDeviceAndGoesOnSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void linkFollowsTheDeviceAndGoesOnSignal()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("mdq820"));
        QProcess sim;
        sim.start(program(), {QStringLiteral("--link"), link});
        QVERIFY(sim.waitForStarted(kWaitMs));
        const QString device = readLine(sim);
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);

        HostPort host(link);
        QVERIFY(host.isOpen());
        QVERIFY(host.send(hex("F2 00 00 03 43 31 30 03 B0")));
        QCOMPARE(host.readAnswer(kWaitMs).left(2), hex("06 F2"));

        ::kill(pid_t(sim.processId()), signal);
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void refusesToReplaceAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("precious");
        file.close();

        QProcess sim;
        sim.start(program(), {QStringLiteral("--link"), path});
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
        QVERIFY(sim.readAllStandardError().contains("not a symbolic link"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious"));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("stdoutStart");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: mdq820-sim");
        QTest::newRow("-h") << QStringList{"-h"} << 0 << QByteArray("Usage: mdq820-sim");
        QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("mdq820-sim ");
        QTest::newRow("bad address") << QStringList{"--address", "X"} << 2 << QByteArray();
        QTest::newRow("unknown option") << QStringList{"--turbo"} << 2 << QByteArray();
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QByteArray, stdoutStart);
        QProcess sim;
        sim.start(program(), arguments);
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitCode(), code);
        const QByteArray out = sim.readAllStandardOutput();
        if (stdoutStart.isEmpty()) {
            QVERIFY(out.isEmpty());
            QVERIFY(sim.readAllStandardError().contains("Try mdq820-sim --help."));
        } else {
            QVERIFY2(out.startsWith(stdoutStart), out.constData());
        }
    }

    // ---- The command line on its own ----

    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("pace");
        QTest::addColumn<QString>("link");
        QTest::newRow("defaults") << QStringList{} << 0 << 9600 << false << QString();
        QTest::newRow("all") << QStringList{"--address", "a", "--baud", "115200", "--pace", "--link", "/tmp/x"}
                             << 10 << 115200 << true << QStringLiteral("/tmp/x");
        QTest::newRow("inline values") << QStringList{"--address=F", "--baud=38400", "--link=/tmp/y"} << 15
                                       << 38400 << false << QStringLiteral("/tmp/y");
    }

    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, address);
        QFETCH(int, baud);
        QFETCH(bool, pace);
        QFETCH(QString, link);
        const CliParseResult r = parseCliOptions(arguments);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(int(r.options.reader.address), address);
        QCOMPARE(r.options.reader.baud, baud);
        QCOMPARE(r.options.reader.pace, pace);
        QCOMPARE(r.options.linkPath, link);
        QVERIFY(!r.options.help);
        QVERIFY(!r.options.version);
    }

    void rejects_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("address too big") << QStringList{"--address", "10"}
                                         << QStringLiteral("--address is one hex digit 0..F, not \"10\"");
        QTest::newRow("address missing") << QStringList{"--address"} << QStringLiteral("--address needs a value");
        QTest::newRow("odd baud") << QStringList{"--baud", "9601"} << QStringLiteral("unsupported baud rate \"9601\"");
        QTest::newRow("empty link") << QStringList{"--link="} << QStringLiteral("--link needs a path");
        QTest::newRow("value for a flag") << QStringList{"--pace=yes"} << QStringLiteral("--pace takes no value");
        QTest::newRow("unknown") << QStringList{"--fast"} << QStringLiteral("unknown argument \"--fast\"");
        QTest::newRow("stray word") << QStringList{"9600"} << QStringLiteral("unknown argument \"9600\"");
    }

    void rejects()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CliParseResult r = parseCliOptions(arguments);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, error);
    }

    void usageDocumentsOptionsAndCommands()
    {
        const QString usage = cliUsage();
        for (const char *option : {"--address X", "--baud N", "--pace", "--link PATH", "--help", "--version"})
            QVERIFY2(usage.contains(QLatin1String(option)), option);
        for (const QString &entry : ControlInterpreter::commandHelp())
            QVERIFY2(usage.contains(QStringLiteral("  ") + entry), qPrintable(entry));
    }

    // ---- The link on its own: replaced only when stale, left alone when not ours ----

    void init()
    {
        QVERIFY(dir.isValid());
        QFile::remove(path());
        QDir(path()).removeRecursively();
    }

    void replacesAStalePtyLink()
    {
        QVERIFY(makeSymlink(QStringLiteral("/dev/pts/99"), path()));
        DeviceLink link;
        QVERIFY(link.create(path(), QStringLiteral("/dev/pts/41")));
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/41"));
    }

    void refusesEverythingElse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << QStringLiteral("dir");
        QTest::newRow("link elsewhere") << QStringLiteral("link");
        QTest::newRow("link to a pts lookalike") << QStringLiteral("lookalike");
    }

    void refusesEverythingElse()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("dir")) {
            QVERIFY(QDir().mkdir(path()));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(makeSymlink(QStringLiteral("/etc/hostname"), path()));
        } else {
            QVERIFY(makeSymlink(QStringLiteral("/dev/pts/../sda"), path()));
        }
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

    void leavesALinkTakenOverByAnotherRun()
    {
        DeviceLink link;
        QVERIFY(link.create(path(), QStringLiteral("/dev/pts/41")));
        DeviceLink other;
        QVERIFY(other.create(path(), QStringLiteral("/dev/pts/42")));
        link.remove();
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/42"));
    }

    void knowsPtyDevices_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("pty");
        QTest::newRow("pts") << QStringLiteral("/dev/pts/7") << true;
        QTest::newRow("ttyS") << QStringLiteral("/dev/ttyS0") << false;
        QTest::newRow("ptmx") << QStringLiteral("/dev/pts/ptmx") << false;
        QTest::newRow("relative") << QStringLiteral("pts/7") << false;
    }

    void knowsPtyDevices()
    {
        QFETCH(QString, target);
        QFETCH(bool, pty);
        QCOMPARE(DeviceLink::isPtyDevice(target), pty);
    }
};

QTEST_GUILESS_MAIN(TstSimProgram)
#include "tst_sim_program.moc"
