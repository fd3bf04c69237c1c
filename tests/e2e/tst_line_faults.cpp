// The reader going away, end to end: the tool's real serial port and settings
// window on the virtual reader's real pty, which is stopped mid-reply or
// between commands. One caution, the log kept, the port closed, every later
// command refused at once without a hang, and after Close Comm and Setup Comm
// with a reader back the next command works. The clock runs 20x fast.
// (Replies cut short, too long or garbled: unit/tst_execute_command, the
// display tests and e2e/scenarios/line_faults.scn.)

#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "support/e2e_session.h"
#include "support/main_fixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <virtual_reader.h>

using namespace mdqtest;

namespace {
const QString kStatusRequest = QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\n");
const Shown kCardStatus{mdq::Icon::Information, QStringLiteral("Card Status"),
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
        onModal([](QWidget *w) { childOf<QAbstractButton>(w, QStringLiteral("Command1"))->click(); });
        click("IROpencom");
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

        // Until then every command reports the fault at once.
        tool.prompter.clear();
        timer.restart();
        tool.click("SensorStatusBtn");
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(tool.prompter.shown().size(), 1);
        QCOMPARE(tool.prompter.shown().at(0).icon, mdq::Icon::Exclamation);

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
        QCOMPARE(tool.prompter.shown(), (QList<Shown>{kCardStatus}));
        QCOMPARE(tool.log().mid(kept.size()),
                 kStatusRequest + "RD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n");
    }
};

QTEST_MAIN(TestLineFaults)
#include "tst_line_faults.moc"
