// mdq820-sim as a process: first line, control commands on standard input,
// the pty it serves, --link, signals and exit codes.

#include "sim/host_port.h"
#include "sim/sim_bytes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <signal.h>
#include <unistd.h>

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

}  // namespace

class TstSimProgram : public QObject
{
    Q_OBJECT

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
};

QTEST_GUILESS_MAIN(TstSimProgram)
#include "tst_sim_program.moc"
