// The tool's real serial port on real ptys, end to end.
// SCAN: a paced virtual reader answers only at its own speed, so SCAN finds it
// on COM3 only once the host's line speed, set through the pty, reaches 38400;
// a plain file and a silent pty on the ports before it are passed over; OK
// then connects there.
// The reader going away, mid-reply or between commands: one caution, the log
// kept, the port closed, later commands refused at once without a hang, and
// after Close Comm and Setup Comm with the reader back the next command works.
// (Replies cut short, too long or garbled: unit/tst_execute_command,
// e2e/tst_hostile_replies and the display tests.)

#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "support/e2e_session.h"
#include "support/main_fixture.h"
#include "support/recording_prompter.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <pty_server.h>
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
            reader->stop();
        }
        QElapsedTimer timer;
        timer.start();
        tool.click("CardStatusBtn");
        QVERIFY2(timer.elapsed() < 2000, "the lost reader made the command hang");
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{{mdq::Icon::Exclamation, "Caution", kDataError}}));
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
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{{mdq::Icon::Exclamation, "Caution", kDataError}}));
        QCOMPARE(tool.log(), lost + "\r\n\r\n");  // the engine's blank line, then the command's

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
};

QTEST_MAIN(TestRealPort)
#include "tst_real_port.moc"
