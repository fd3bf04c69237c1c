// qtest820-bench: the tool's performance figures against their targets.
//   1. one status exchange against the virtual reader on a pty, no pacing (median < 1 ms)
//   2. the same paced at 9600 and 115200 baud (median never below the wire time, and at most
//      5 % + 1 ms above it)
//   3. CPU used while waiting 12 s on a silent reader (< 2 % of one core)
//   4. 100,000 exchanges with "Record Data" ticked, the decoded trace shown and the session
//      trace file on (last 10 % within 1.5x of the first 10 %; memory grows only with the
//      log's text; the trace holds under 3 bytes per byte of raw log text; the trace view
//      draws only the rows on screen, so a repaint costs the same at 100,000 exchanges)
//   5. start-up to the main window shown (< 0.5 s)
//   6. SCAN with nothing attached on 16 ports (< 2 s; the port-by-port walk for comparison)
//   7. SCAN finding a paced reader on COM16 at 115200 baud (< 3 s)
//   8. an unplugged reader plugged in again: reconnected, link test passed, within 1 s of
//      the device returning; CPU while the device is away < 1 % of one core
//   9. a full S50 dump with known keys (card tools): unpaced < 1 s; paced at 9600 baud within
//      1.1x of the summed wire time of its exchanges
//  10. station mode: the incoming-inspection plan on eight paced virtual readers at 9600
//      baud at once, against one alone (at most 1.3x its time); the workers' CPU per unit
//      while they wait on their readers (< 10 % of one core)

#include "shell/log_view.h"
#include "shell/monitor_page.h"
#include "cards/key_dictionary.h"
#include "cards/mifare_tools.h"
#include "shell/reader_main.h"
#include "shell/session_trace.h"
#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/port_map.h"
#include "platform/prompter.h"
#include "platform/qt_serial_port.h"
#include "setup/reader_scan.h"
#include "automation/station.h"
#include "automation/windowless.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QTabWidget>
#include <QDir>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <vector>
#include <pty_server.h>
#include <virtual_reader.h>

using namespace mdq;

namespace {

class SilentPrompter : public Prompter
{
public:
    void message(Icon, const QString &, const QString &) override { ++messages; }
    bool askOkCancel(Icon, const QString &, const QString &) override { return true; }
    std::optional<SaveDialogResult> askSaveFile(const SaveDialogRequest &) override { return std::nullopt; }
    int messages = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void report(const char *what, double value, const char *unit, double target, const char *rule = "<")
{
    std::printf("%-58s %10.3f %-3s target %s %.3f %-3s ratio %.2f  %s\n", what, value, unit, rule, target, unit,
                value / target, value <= target ? "PASS" : "FAIL");
    std::fflush(stdout);
}

// A figure that must lie within [low, high].
void reportRange(const char *what, double value, const char *unit, double low, double high)
{
    std::printf("%-58s %10.3f %-3s target %.3f .. %.3f %-3s  %s\n", what, value, unit, low, high, unit,
                value >= low && value <= high ? "PASS" : "FAIL");
    std::fflush(stdout);
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const auto parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLongLong() * 4 : 0;
}

struct Link
{
    sim::VirtualReader reader;
    PortMap map;
    SystemClock clock;
    SilentPrompter prompter;
    TrafficLog log;
    SharedState state;
    QtSerialPort port{map};
    LinkContext ctx{port, clock, log, state};

    explicit Link(const sim::VirtualReaderOptions &o) : reader(o)
    {
        if (!reader.start())
            std::fprintf(stderr, "bench: cannot start the virtual reader\n");
        map.map(1, reader.devicePath());
        if (port.open(1, o.baud) != OpenError::None)
            std::fprintf(stderr, "bench: cannot open %s\n", qPrintable(reader.devicePath()));
        state.PortOpened = true;
    }

    // Median milliseconds of n status exchanges, as the tool measures them.
    double medianExchangeMs(int n)
    {
        const QByteArray frame = CommandFrame(0, CmStatus, PmCardStatus);
        std::vector<double> times;
        for (int i = 0; i < n; ++i) {
            log.clear();
            Reply reply;
            QElapsedTimer t;
            t.start();
            const int result = ExecuteCommand(ctx, frame, reply).result;
            times.push_back(double(t.nsecsElapsed()) / 1e6);
            if (result != 0 || !reply.isPositive())
                std::fprintf(stderr, "bench: exchange %d failed (%d)\n", i, result);
        }
        return median(times);
    }
};

void benchExchange()
{
    Link l({0, 9600, false});
    l.medianExchangeMs(20);  // warm up
    report("1. status exchange, pty, no pacing: median", l.medianExchangeMs(500), "ms", 1.0);
}

void benchPaced(int baud, int n)
{
    Link l({0, baud, true});
    // What the exchange waits for on the wire: request 9 + ACK 1 + reply 12
    // bytes, 10 bits each. The host's closing ACK is handed to the driver and
    // not waited for, as on a real port, so it is not counted.
    const double wireMs = (9 + 1 + 12) * 10 * 1000.0 / baud;
    const double got = l.medianExchangeMs(n);
    std::printf("2. status exchange paced at %d baud: median %.3f ms, wire time %.3f ms\n", baud, got, wireMs);
    reportRange("   median - wire time (a real line is never faster)", got - wireMs, "ms", 0.0, wireMs * 0.05 + 1.0);
}

void benchSilentCpu()
{
    Link l({0, 9600, false});
    l.reader.control(QStringLiteral("fault silent"));
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    Reply reply;
    const int result = ExecuteCommand(l.ctx, CommandFrame(0, CmStatus, PmCardStatus), reply).result;
    const double wall = double(t.elapsed()) / 1000.0;
    const double used = (cpuSeconds() - cpu0) / wall * 100.0;
    if (result != -2)
        std::fprintf(stderr, "bench: silent exchange gave %d\n", result);
    char what[80];
    std::snprintf(what, sizeof what, "3. CPU while waiting %.1f s on a silent reader", wall);
    report(what, used, "%", 2.0);
}

// A reader that answers at once, in memory: the cost measured is the tool's own.
class InstantPort : public SerialPort
{
public:
    OpenError open(int, qint32) override { m_open = true; return OpenError::None; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    int portNumber() const override { return 1; }
    qint32 baudRate() const override { return 9600; }
    QString deviceName() const override { return QStringLiteral("memory"); }
    QString deviceFor(int) const override { return QStringLiteral("memory"); }
    bool discardBuffers() override { m_in.clear(); return true; }
    bool write(const QByteArray &b) override
    {
        if (b.size() > 1)
            m_in = QByteArray(1, '\x06') + kReply;
        return true;
    }
    int bytesWaiting() override { return int(m_in.size()); }
    bool read(int n, QByteArray *out) override
    {
        const int take = n > 0 ? qMin<int>(n, int(m_in.size())) : int(m_in.size());
        *out = m_in.left(take);
        m_in.remove(0, take);
        return true;
    }
    void waitForData(int) override {}
    QString errorText() const override { return {}; }

private:
    const QByteArray kReply = QByteArray::fromHex("F20000065031303230300394");
    QByteArray m_in;
    bool m_open = false;
};

// A synchronous repaint of the view, median of a few, in ms.
double repaintMs(QWidget *view)
{
    std::vector<double> v;
    QElapsedTimer t;
    for (int i = 0; i < 9; ++i) {
        t.start();
        view->repaint();  // the viewport: where the rows are drawn
        v.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(v);
}

void benchLongLog()
{
    // The session trace file goes to a folder of its own.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    InstantPort port;
    port.open(1, 9600);
    SystemClock clock;
    SilentPrompter prompter;
    ReaderMain main(port, clock, prompter);
    main.show();
    main.state().PortOpened = true;
    main.findChild<QCheckBox *>(QStringLiteral("CheckRecord"))->setChecked(true);
    main.findChild<QTabWidget *>(QStringLiteral("SSTab1"))->setCurrentWidget(&main.monitor());
    main.findChild<QCheckBox *>(QStringLiteral("CheckDecoded"))->setChecked(true);
    main.findChild<QCheckBox *>(QStringLiteral("CheckSessionTrace"))->setChecked(true);
    auto *traceLog = main.findChild<LogView *>(QStringLiteral("TraceView"));
    QWidget *traceView = traceLog->viewport();
    auto *button = main.findChild<QAbstractButton *>(QStringLiteral("CardStatusBtn"));
    const int n = 100000;
    const int tenth = n / 10;
    std::vector<double> first, last;
    double paintEarly = 0;
    int drawnEarly = 0;
    const qint64 rss0 = residentKb();
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        t.start();
        button->click();
        QCoreApplication::processEvents();  // let the views follow, as the event loop would
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (i < tenth)
            first.push_back(ms);
        else if (i >= n - tenth)
            last.push_back(ms);
        if (i == tenth) {
            paintEarly = repaintMs(traceView);
            drawnEarly = traceLog->linesLastPainted();
        }
    }
    const double paintLate = repaintMs(traceView);
    const double f = median(first), l = median(last);
    std::printf("4. 100,000 exchanges with Record Data, the decoded trace shown and the session trace file on:\n"
                "   first 10%% %.4f ms, last 10%% %.4f ms (medians)\n", f, l);
    report("   cost of an exchange, last 10% / first 10%", l / f, "x", 1.5);
    const double textBytes = double(main.log().text().size());  // one byte a character when saved
    const double textMb = textBytes * 2 / 1e6;
    const double grownMb = double(residentKb() - rss0) / 1024.0;
    std::printf("   log text %.1f MB (UTF-16), resident memory grew %.1f MB: %.2f bytes per byte of text\n", textMb,
                grownMb, textMb > 0 ? grownMb / textMb : 0.0);
    std::printf("   trace: %d rows in %.1f MB for %.1f MB of raw log text\n", main.trace().size(),
                double(main.trace().memoryBytes()) / 1e6, textBytes / 1e6);
    report("   trace memory per byte of raw log text", double(main.trace().memoryBytes()) / textBytes, "B", 3);
    // What a repaint draws: the rows on screen, however many there are.
    const int visible = traceLog->viewport()->height() / traceLog->fontMetrics().lineSpacing() + 1;
    std::printf("   trace view repaint: %d rows drawn in %.3f ms at %d rows, %d rows drawn in %.3f ms at %d rows"
                " (%d fit on screen)\n", drawnEarly, paintEarly, tenth * 5, traceLog->linesLastPainted(), paintLate,
                main.trace().size(), visible);
    report("   rows a repaint draws at 100,000 exchanges", traceLog->linesLastPainted(), "", visible + 1, "<=");
    QFile session(main.monitor().sessionTrace().path());
    std::printf("   session trace file: %.1f MB\n", double(session.size()) / 1e6);
    std::printf("   (%d message boxes were recorded)\n", prompter.messages);
}

void benchStartup()
{
    // The whole program: process start, application, main window built and
    // shown (offscreen), an empty script run, exit.
    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/qtest820");
    QFile script(QStringLiteral("/tmp/qtest820-bench-empty.txt"));
    script.open(QIODevice::WriteOnly);
    script.close();
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(binary, {QStringLiteral("--script"), script.fileName()});
        p.waitForFinished(10000);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("5. start-up: program started, main window shown, ended", median(times), "ms", 500.0);
}

void benchReplug()
{
    // The reader behind a link, as /dev/serial/by-id shows an adapter.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("reader"));
    auto reader = std::make_unique<sim::VirtualReader>();
    if (!reader->start() || !QFile::link(reader->devicePath(), link)) {
        std::fprintf(stderr, "bench: cannot set up the replug\n");
        return;
    }
    PortMap map;
    map.map(1, link);
    SystemClock clock;
    QtSerialPort port(map);
    SilentPrompter prompter;
    ReaderMain main(port, clock, prompter);
    if (port.open(1, 9600) != OpenError::None)
        return;
    main.state().PortOpened = true;
    auto waitFor = [](const std::function<bool()> &done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    };

    reader->stop();
    QFile::remove(link);
    QElapsedTimer t;
    t.start();
    if (!waitFor([&] { return !port.lostDevice().isEmpty(); }, 5000))
        std::fprintf(stderr, "bench: the unplug went unnoticed\n");
    std::printf("8. unplug noticed after %.0f ms\n", double(t.elapsed()));
    // Away for 3 s: the watch must cost next to nothing.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer away;
    away.start();
    QEventLoop idle;
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    report("   CPU while the device is away", 100.0 * (cpuSeconds() - cpuBefore) * 1000.0 / double(away.elapsed()),
           "%", 1.0);

    reader = std::make_unique<sim::VirtualReader>();
    if (!reader->start())
        return;
    t.restart();
    QFile::link(reader->devicePath(), link);
    const bool back = waitFor([&] { return main.log().text().contains(QLatin1String("-- Reconnected: ")); }, 5000);
    report(back ? "   reconnected (link test passed) after the device returned" : "   NOT reconnected within 5 s",
           double(t.elapsed()), "ms", 1000.0);
    port.close();
}

// SCAN as the settings window runs it, on the real serial port and clock; 16
// ptys that open and answer nothing stand for ports with nothing attached.
struct ScanBench
{
    PortMap map;
    SystemClock clock;
    TrafficLog log;
    SharedState state;
    QtSerialPort port{map};
    LinkContext ctx{port, clock, log, state};
    std::vector<std::unique_ptr<sim::PtyServer>> silent;

    ScanBench()
    {
        for (int p = 1; p <= 16; ++p) {
            silent.push_back(std::make_unique<sim::PtyServer>());
            if (!silent.back()->start([](const QByteArray &) { return QList<sim::Transmission>{}; }, nullptr))
                std::fprintf(stderr, "bench: cannot open a pty\n");
            map.map(p, silent.back()->devicePath());
        }
    }
    double ms(const std::function<ScanResult()> &scan, const char *expected)
    {
        QElapsedTimer t;
        t.start();
        const ScanResult r = scan();
        const double took = double(t.nsecsElapsed()) / 1e6;
        port.close();
        const QString got = r.found() ? QStringLiteral("COM%1 %2").arg(r.port).arg(r.baud) : QStringLiteral("none");
        if (got != QLatin1String(expected))
            std::fprintf(stderr, "bench: the scan found %s, not %s\n", qPrintable(got), expected);
        return took;
    }
};

void benchScan()
{
    ScanBench b;
    const double parallel = b.ms([&] { return scanForReader(b.ctx, {}); }, "none");
    const double walk = b.ms([&] { return scanSequentially(b.ctx, {}); }, "none");
    std::printf("6. SCAN, nothing attached on 16 ports: every port at once %.0f ms, port by port %.0f ms\n", parallel,
                walk);
    report("   every port at once", parallel, "ms", 2000.0);

    sim::VirtualReader reader({0, 115200, true});
    reader.start();
    b.map.map(16, reader.devicePath());
    report("7. SCAN finds a paced reader on COM16 at 115200 baud",
           b.ms([&] { return scanForReader(b.ctx, {}); }, "COM16 115200"), "ms", 3000.0);
}

// Passes everything to the real port and counts the bytes each exchange puts
// on the wire: the request, the reader's ACK and its reply. The host's
// closing ACK (a write of one byte) is handed to the driver and not waited
// for, so it is not counted, as in 2.
class CountingPort : public SerialPort
{
public:
    explicit CountingPort(SerialPort &port) : m_port(port) {}
    qint64 wireBytes = 0;

    OpenError open(int n, qint32 baud) override { return m_port.open(n, baud); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    int portNumber() const override { return m_port.portNumber(); }
    qint32 baudRate() const override { return m_port.baudRate(); }
    QString deviceName() const override { return m_port.deviceName(); }
    QString deviceFor(int n) const override { return m_port.deviceFor(n); }
    bool discardBuffers() override { return m_port.discardBuffers(); }
    bool write(const QByteArray &b) override
    {
        if (b.size() > 1)
            wireBytes += b.size();
        return m_port.write(b);
    }
    int bytesWaiting() override { return m_port.bytesWaiting(); }
    bool read(int n, QByteArray *out) override
    {
        const bool ok = m_port.read(n, out);
        wireBytes += out->size();
        return ok;
    }
    void waitForData(int ms) override { m_port.waitForData(ms); }
    QString errorText() const override { return m_port.errorText(); }

private:
    SerialPort &m_port;
};

void benchCardDump(bool quick)
{
    const auto dump = [](Link &l, SerialPort &port, int *exchanges) {
        LinkContext ctx{port, l.clock, l.log, l.state};
        l.log.clear();
        cards::CardSession session(ctx, 0);
        const auto image = cards::dumpClassic(session, cards::builtinKeys());
        if (!image || !image->complete())
            std::fprintf(stderr, "bench: the dump failed: %s\n", qPrintable(session.error()));
        *exchanges = session.exchanges();
    };
    int exchanges = 0;
    {
        Link l({0, 9600, false});
        l.reader.control(QStringLiteral("chip rf s50"));
        dump(l, l.port, &exchanges);  // warm up
        std::vector<double> times;
        for (int i = 0; i < (quick ? 5 : 20); ++i) {
            QElapsedTimer t;
            t.start();
            dump(l, l.port, &exchanges);
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("9. full S50 dump, known keys: %d exchanges\n", exchanges);
        report("   no pacing: median", median(times), "ms", 1000.0);
    }
    Link l({0, 9600, true});
    l.reader.control(QStringLiteral("chip rf s50"));
    CountingPort counting(l.port);
    QElapsedTimer t;
    t.start();
    dump(l, counting, &exchanges);
    const double took = double(t.nsecsElapsed()) / 1e6;
    const double wireMs = double(counting.wireBytes) * 10 * 1000.0 / 9600;
    std::printf("   paced at 9600 baud: %.0f ms, wire time of its %d exchanges %.0f ms (%lld bytes)\n", took,
                exchanges, wireMs, static_cast<long long>(counting.wireBytes));
    report("   paced dump / wire time", took / wireMs, "x", 1.1);
}

}  // namespace

double childCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct StationRun
{
    double seconds = 0;
    double workerCpuSeconds = 0;
    double readerCpuSeconds = 0;  // the virtual readers, in this process
    int passed = 0;
};

// The ready plan on `units` paced virtual readers at 9600 baud, one worker each.
StationRun runStation(int units, const QString &plan, const QString &out)
{
    std::vector<std::unique_ptr<sim::VirtualReader>> readers;
    StationOptions o;
    o.program = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/qtest820");
    o.plan = plan;
    o.outDir = out;
    for (int i = 1; i <= units; ++i) {
        sim::VirtualReaderOptions ro;
        ro.pace = true;
        readers.push_back(std::make_unique<sim::VirtualReader>(ro));
        if (!readers.back()->start())
            std::fprintf(stderr, "bench: cannot start virtual reader %d\n", i);
        readers.back()->control(QStringLiteral("serial BENCH-%1").arg(i));
        o.ports << i;
        o.maps.append({i, readers.back()->devicePath()});
    }
    Station station(o);
    QEventLoop loop;
    QObject::connect(&station, &Station::finished, &loop, &QEventLoop::quit);
    const double cpu0 = childCpuSeconds();
    const double self0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    station.start();
    if (!station.isDone())
        loop.exec();
    StationRun r;
    r.seconds = double(t.nsecsElapsed()) / 1e9;
    r.workerCpuSeconds = childCpuSeconds() - cpu0;
    r.readerCpuSeconds = cpuSeconds() - self0;
    for (const StationUnit &u : station.units())
        r.passed += u.record.outcome == Outcome::Pass;
    return r;
}

void benchStation(bool quick)
{
    QTemporaryDir out;
    const QString plan = QStringLiteral(QTEST820_SOURCE_DIR "/examples/incoming_inspection.txt");
    // The same workers with nothing to do after connecting: their start-up and link test.
    const QString empty = out.filePath(QStringLiteral("connect-only.txt"));
    QFile f(empty);
    f.open(QIODevice::WriteOnly);
    f.close();
    std::vector<double> one, eight, connectOnly, cpu, waitingCpu, readerCpu;
    int passed = 0, runs = 0;
    for (int i = 0; i < (quick ? 1 : 5); ++i) {
        const StationRun a = runStation(1, plan, out.path());
        const StationRun b = runStation(8, plan, out.path());
        const StationRun c = runStation(8, empty, out.path());
        one.push_back(a.seconds);
        eight.push_back(b.seconds);
        connectOnly.push_back(c.seconds);
        cpu.push_back(100.0 * b.workerCpuSeconds / (b.seconds * 8));
        waitingCpu.push_back(100.0 * (b.workerCpuSeconds - c.workerCpuSeconds) / ((b.seconds - c.seconds) * 8));
        readerCpu.push_back(b.readerCpuSeconds);
        passed += a.passed + b.passed;
        runs += 9;
    }
    std::printf("10. station, incoming-inspection plan at 9600 baud (paced): one reader %.2f s, eight at once %.2f s "
                "(medians), %d of %d units passed; the eight virtual readers and the station used %.2f s of CPU\n",
                median(one), median(eight), passed, runs, median(readerCpu));
    report("   eight readers at once / one reader alone", median(eight) / median(one), "x", 1.3);
    std::printf("   eight workers with an empty plan (start-up, link test, exit): %.2f s\n", median(connectOnly));
    std::printf("   worker CPU per unit over the whole run (start-up included): %.1f %%\n", median(cpu));
    report("   worker CPU per unit while the plan runs on its reader", median(waitingCpu), "%", 10.0);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quietenWindowlessPlatform();
    // --quick: fewer samples; --only N: just figure N (2 and 3 share one run, as do 6 and 7).
    bool quick = false;
    int only = 0;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "--quick")
            quick = true;
        else if (a == "--only" && i + 1 < argc)
            only = QByteArray(argv[++i]).toInt();
    }
    const auto want = [only](std::initializer_list<int> figures) {
        return only == 0 || std::find(figures.begin(), figures.end(), only) != figures.end();
    };
    std::printf("qtest820-bench on %s\n\n", qPrintable(QGuiApplication::platformName()));
    if (want({5}))
        benchStartup();
    if (want({1}))
        benchExchange();
    if (want({2})) {
        benchPaced(115200, quick ? 50 : 200);
        benchPaced(9600, quick ? 20 : 100);
    }
    if (want({3}))
        benchSilentCpu();
    if (want({4}))
        benchLongLog();
    if (want({8}))
        benchReplug();
    if (want({6, 7}))
        benchScan();
    if (want({9}))
        benchCardDump(quick);
    if (want({10}))
        benchStation(quick);
    return 0;
}
