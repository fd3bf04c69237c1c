// The scan against the virtual reader over real ptys: the host's line speed
// reaches the reader through the pty, a paced reader answers only at its own
// speed, and SCAN finds it port-major at the right baud rate.

#include "link/execute_command.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "setup/reader_scan.h"
#include "support/e2e_session.h"
#include "support/recording_prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <pty_server.h>

using namespace mdqtest;

namespace {
// A pty with nothing answering on it: what the host writes is read and dropped.
struct SilentPty
{
    SilentPty() { started = server.start([](const QByteArray &) { return QList<sim::Transmission>{}; }, nullptr); }
    sim::PtyServer server;
    bool started = false;
};

void expectTranscript(const QStringList &actual, const QStringList &expected)
{
    const QString diff = compareTranscript(actual, expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff + QStringLiteral("\nwhole transcript:\n") + actual.join('\n')));
}

sim::VirtualReaderOptions pacedAt(int baud)
{
    sim::VirtualReaderOptions o;
    o.baud = baud;
    o.pace = true;
    return o;
}
}  // namespace

class TestReaderScanE2e : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostLineSpeedReachesTheReaderThroughThePty()
    {
        SilentPty pty;
        QVERIFY(pty.started);
        mdq::PortMap map;
        map.map(1, pty.server.devicePath());
        mdq::QtSerialPort port(map);
        for (const qint32 baud : mdq::ScanBauds) {
            QCOMPARE(port.open(1, baud), mdq::OpenError::None);
            QCOMPARE(pty.server.hostBaud(), int(baud));
            port.close();
        }
    }

    void pacedReaderAnswersTheProbeOnlyAtItsOwnSpeed()
    {
        sim::VirtualReader reader(pacedAt(38400));
        QVERIFY(reader.start());
        mdq::PortMap map;
        map.map(1, reader.devicePath());
        mdq::QtSerialPort port(map);
        mdq::SystemClock clock;
        mdq::TrafficLog log;
        mdq::SharedState state;
        mdq::LinkContext link{port, clock, log, state};
        for (const qint32 baud : mdq::ScanBauds) {
            QVERIFY(mdq::OpenComm(port, state, 1, baud));
            QCOMPARE(mdq::CommTest(link, 0), baud == 38400);
            QCOMPARE(state.CommTestOk, baud == 38400);
        }
        port.close();
        QVERIFY(log.text().isEmpty());
    }

    void scanFindsThePacedReaderOnCom3AtTheThirdBaudRate()
    {
        // A slow clock (x4): the reader's ACK must arrive within 250 ms of
        // scaled time, which is still 62 ms of real time on a busy machine.
        E2eSession session(4, pacedAt(38400), 3);
        QVERIFY(session.started());
        QTemporaryDir dir;
        const QString plainFile = dir.filePath(QStringLiteral("not-a-port"));
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SilentPty pty;
        QVERIFY(pty.started);
        session.portMap().map(1, plainFile);                  // exists, but is no serial port
        session.portMap().map(2, pty.server.devicePath());    // opens, nothing answers
        for (int p = 4; p <= 16; ++p)
            session.portMap().map(p, dir.filePath(QStringLiteral("no-such-port-%1").arg(p)));

        const QStringList transcript = session.run(QStringLiteral(
            "click IROpencom\n"
            "click AutoLabel\n"
            "click Command3\n"
            "print Label1\n"
            "print PortCombo\n"
            "print BaudCombo\n"
            "click Command1\n"
            "click CardStatusBtn\n"));
        const QStringList expected{
            "window comportset",
            "value Label1 \"Found MDQ-820 AT COM3 Baut Rate 38400\"",
            "value PortCombo \"COM3\"",
            "value BaudCombo \"38400 bits/s\"",
            "closed comportset",
            "message information \"Card Status\" \"Card Status Success\\r\\nNo card in card channel\\r\\n"
            "Enough cards in stacker\\r\\nThe error card bin is not full\"",
        };
        expectTranscript(transcript, expected);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(session.main().state().PortOpened);
        QCOMPARE(session.main().port().portNumber(), 3);
    }

    void scanWithoutAReaderReportsNoneAndLeavesNoPortOpen()
    {
        E2eSession session(20);
        QVERIFY(session.started());
        QTemporaryDir dir;
        SilentPty pty;
        QVERIFY(pty.started);
        for (int p = 1; p <= 16; ++p)
            session.portMap().map(p, p == 5 ? pty.server.devicePath()
                                            : dir.filePath(QStringLiteral("no-such-port-%1").arg(p)));
        const QStringList transcript = session.run(QStringLiteral(
            "click IROpencom\n"
            "click AutoLabel\n"
            "click Command3\n"
            "print Label1\n"
            "print PortCombo\n"
            "click Command2\n"));
        const QStringList expected{
            "window comportset",
            "value Label1 \"No Found MDQ-820\"",
            "value PortCombo \"COM1\"",
            "closed comportset",
        };
        expectTranscript(transcript, expected);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!session.main().port().isOpen());
    }
};

QTEST_MAIN(TestReaderScanE2e)
#include "tst_reader_scan.moc"
