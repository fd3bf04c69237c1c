// SCAN over real ptys: the settings window's parallel scan finds what the
// port-by-port walk finds, and Stop or Escape ends it at once, no port left open.

#include "setup/comportset.h"
#include "setup/reader_scan.h"
#include "support/control_setup.h"
#include "support/e2e_session.h"
#include "support/operator.h"
#include "ui/status_bar.h"

using namespace mdqtest;

namespace {
struct Bench  // devices: "N control; control...", a virtual reader on COMN staged by its control commands
{
    Bench(const QStringList &devices, int clockScale)
        : clock(clockScale), port(map), main(port, clock, prompter), window(main.context(), &main)
    {
        for (int p = 1; p <= 16; ++p)
            map.map(p, QStringLiteral("/nonexistent-qtest820/COM%1").arg(p));
        for (const QString &device : devices) {
            readers.push_back(std::make_unique<sim::VirtualReader>());
            readers.back()->start();
            for (const QString &control : device.section(' ', 1).split(';', Qt::SkipEmptyParts))
                readers.back()->control(control.trimmed());
            map.map(device.section(' ', 0, 0).toInt(), readers.back()->devicePath());
        }
    }
    QString shown(const char *name) { return controlValue(&window, QString::fromLatin1(name)); }
    mdq::PortMap map;
    ScaledClock clock;
    RecordingPrompter prompter;
    mdq::QtSerialPort port;
    mdq::ReaderMain main;
    mdq::comportset window;
    std::vector<std::unique_ptr<sim::VirtualReader>> readers;
};
}  // namespace

class TestParallelScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsWhatTheWalkFinds_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("address");  // selected on the main window
        QTest::addColumn<bool>("all");     // "All addresses"
        QTest::addColumn<QString>("found");  // place @ address
        QTest::newRow("none") << QStringList{"2 fault silent", "9 pace on; baud 57600; fault silent"} << 0 << false << "none @0";
        QTest::newRow("several rates") << QStringList{"2 pace on; baud 57600", "5 pace on", "9 pace on; baud 19200"} << 0
                                       << false << "COM2 57600 @0";
        QTest::newRow("slow below quick") << QStringList{"4 pace on; baud 115200", "6"} << 0 << false << "COM4 115200 @0";
        QTest::newRow("COM16") << QStringList{"16 pace on; baud 115200"} << 0 << false << "COM16 115200 @0";
        QTest::newRow("other address") << QStringList{"3 pace on; address 7"} << 2 << false << "none @2";
        QTest::newRow("other address, all") << QStringList{"3 pace on; address 7"} << 2 << true << "COM3 9600 @7";
        QTest::newRow("ACK only") << QStringList{"1 pace on; baud 19200; fault ack-only", "2 pace on; baud 38400"} << 0
                                  << false << "COM2 38400 @0";
        QTest::newRow("bad checksum") << QStringList{"1 fault bad-bcc", "3 address 4"} << 4 << false << "COM3 9600 @4";
    }
    void findsWhatTheWalkFinds()
    {
        QFETCH(QStringList, devices);
        QFETCH(int, address);
        QFETCH(bool, all);
        QFETCH(QString, found);
        Bench b(devices, 4);  // the ACK is due within 250 ms scaled: still 62 ms real on a busy machine
        b.main.findChild<QComboBox *>(QStringLiteral("cmbAddress820"))->setCurrentIndex(address);
        const mdq::ScanResult walk = mdq::scanSequentially(b.main.context().runner.link(), {quint8(address), all, {}});
        QCOMPARE((walk.found() ? QStringLiteral("COM%1 %2 @%3").arg(walk.port).arg(walk.baud).arg(walk.address)
                               : QStringLiteral("none @%1").arg(address)), found);
        childOf<QAbstractButton>(&b.window, QStringLiteral("ScanAllAddresses"))->setChecked(all);
        b.window.scan();
        const QString place = b.port.isOpen() ? QStringLiteral("COM%1 %2").arg(b.port.portNumber()).arg(b.port.baudRate()) : "none";
        QCOMPARE(place + " @" + controlValue(&b.main, QStringLiteral("cmbAddress820")), found);
        QCOMPARE(b.shown("Label1"), walk.found() ? mdq::scanFoundText(walk.port, walk.baud) : mdq::scanNotFoundText());
        QVERIFY(b.main.log().text().isEmpty() && b.prompter.shown().isEmpty());
    }
    void stopEndsTheScanAtOnce_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Stop button") << false;
        QTest::newRow("Escape") << true;
    }
    void stopEndsTheScanAtOnce()
    {
        QFETCH(bool, escape);
        // Readers that only acknowledge, at every rate: 5.25 s a place if left alone.
        Bench b({"1 fault ack-only", "2 fault ack-only", "3 fault ack-only"}, 1);
        b.window.toggleAutoScan();  // Stop is in the unfolded area
        b.window.show();
        QString progress;
        QElapsedTimer sinceStop;
        QTimer::singleShot(300, &b.window, [&] {
            progress = b.shown("ScanProgress");
            sinceStop.start();
            escape ? realKey(&b.window, Qt::Key_Escape) : realClick(childOf(&b.window, QStringLiteral("ScanStopBtn")));
        });
        b.window.scan();
        QVERIFY2(sinceStop.isValid() && sinceStop.elapsed() < 200, qPrintable(QString::number(sinceStop.elapsed())));
        QCOMPARE(QStringList({progress, b.shown("Label1"), b.main.statusBar()->message()}),
                 QStringList({"COM1: 9600...", "No Found MDQ-820", "Scan stopped by the operator"}));
        QVERIFY(!b.port.isOpen());
        for (int p = 1; p <= 3; ++p)  // nothing holds the devices any more
            QCOMPARE(mdq::QtSerialPort(b.map).open(p, 9600), mdq::OpenError::None);
    }
};

QTEST_MAIN(TestParallelScan)
#include "tst_parallel_scan.moc"
