// qtest820: bench and diagnostic tool for the MDQ-820 card reader/dispenser.

#include "app/card_command.h"
#include "app/options.h"
#include "app/virtual_reader_window.h"
#include "automation/script_prompter.h"
#include "automation/show_prompter.h"
#include "automation/run_record.h"
#include "automation/script_runner.h"
#include "automation/station.h"
#include "automation/station_window.h"
#include "setup/connect_reader.h"
#include "automation/script_source.h"
#include "automation/transcript.h"
#include "automation/windowless.h"
#include "link/trace_decoder.h"
#include "shell/monitor_page.h"
#include "shell/reader_main.h"
#include "ui/remembered.h"
#include "platform/clock.h"
#include "platform/port_directory.h"
#include "platform/port_map.h"
#include "platform/prompter.h"
#include "platform/qt_serial_port.h"
#include "qtest820_version.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSysInfo>
#include <memory>
#include <virtual_reader.h>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace mdq;

namespace {
// SIGTERM, SIGINT and SIGHUP end the program cleanly: a wait on the line is
// stopped (EOT sent), windows and event loops close, the port is closed, and
// the exit code is 128 + the signal's number. The handler only writes the
// signal's number to a socket; the event loop does the rest.
int g_signalFd[2] = {-1, -1};
int g_terminatedBy = 0;

void onSignal(int signo)
{
#ifdef Q_OS_UNIX
    const char b = char(signo);
    [[maybe_unused]] const auto n = ::write(g_signalFd[0], &b, 1);
#else
    Q_UNUSED(signo);
#endif
}

void handleTerminationSignals()
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [] {
        char b = 0;
        if (::read(g_signalFd[1], &b, 1) != 1 || g_terminatedBy)
            return;
        g_terminatedBy = int(b);
        LineBusy::requestStop();
        // Ends every event loop, modal windows' included; loops started
        // after this return at once.
        QCoreApplication::exit(128 + g_terminatedBy);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int signo : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signo, &sa, nullptr);
#endif
}

// The "Virtual reader" window, shown beside the main window (none without a
// virtual reader).
std::unique_ptr<VirtualReaderWindow> showBenchBeside(QWidget &main, sim::VirtualReader *reader)
{
    if (!reader)
        return nullptr;
    auto window = std::make_unique<VirtualReaderWindow>([reader](const QString &line) { return reader->control(line); },
                                                        reader->devicePath());
    window->move(main.frameGeometry().topRight() + QPoint(8, 0));
    window->show();
    return window;
}

// The in-process virtual reader of --simulate, mapped to its COM number.
std::unique_ptr<sim::VirtualReader> startSimulator(const AppOptions &options, PortMap &map)
{
    if (!options.simulatePort)
        return nullptr;
    auto reader = std::make_unique<sim::VirtualReader>();
    QString error;
    if (!reader->start(&error)) {
        std::fprintf(stderr, "qtest820: cannot start the virtual reader: %s\n", qPrintable(error));
        return nullptr;
    }
    map.map(options.simulatePort, reader->devicePath());
    return reader;
}

// --sim WORDS: staged before anything runs; a word the reader does not take
// is bad usage.
bool applySimWords(const AppOptions &options, sim::VirtualReader *reader)
{
    for (const QString &words : options.simWords) {
        const QString answer = reader->control(words);
        if (answer.startsWith(QLatin1String("error"))) {
            std::fprintf(stderr, "qtest820: --sim \"%s\": %s\n", qPrintable(words), qPrintable(answer));
            return false;
        }
    }
    return true;
}

// The card command: no windows, so no display needed.
int runCard(int argc, char *argv[], const AppOptions &options, PortMap &map)
{
    const CardOptions card = parseCardOptions(options.cardArgs);
    if (card.help) {
        std::fputs(qPrintable(cardUsageText()), stdout);
        return 0;
    }
    if (!card.error.isEmpty()) {
        std::fprintf(stderr, "qtest820: %s\n%s", qPrintable(card.error), qPrintable(cardUsageText()));
        return cardexit::BadUsage;
    }
    QCoreApplication app(argc, argv);
    handleTerminationSignals();
    const auto reader = startSimulator(options, map);
    if (options.simulatePort && !reader)
        return cardexit::Failed;
    if (reader && !applySimWords(options, reader.get()))
        return cardexit::BadUsage;
    const int code = runCardCommand(card, map, [] { return g_terminatedBy != 0; });
    return g_terminatedBy ? 128 + g_terminatedBy : code;
}

// The reports asked for with --report and --out; false when one could not be written.
bool writeRunReports(const AppOptions &options, RunRecord &record)
{
    bool ok = true;
    QString error;
    if (!options.out.isEmpty()) {
        record.reportBase = unitReportBase(options.out, record.unit, record.start);
        for (const char *ext : {".json", ".xml"})
            if (!writeReport(record, record.reportBase + QLatin1String(ext), &error)) {
                std::fprintf(stderr, "qtest820: %s\n", qPrintable(error));
                ok = false;
            }
    }
    for (const QString &path : options.reports)
        if (!writeReport(record, path, &error)) {
            std::fprintf(stderr, "qtest820: %s\n", qPrintable(error));
            ok = false;
        }
    return ok;
}

int runScript(const AppOptions &options, QStringList lines, sim::VirtualReader *reader, const PortMap &map)
{
    SystemClock clock;
    QtSerialPort port(map);
    Transcript transcript;
    std::unique_ptr<ScriptPrompter> prompterOwner;
    ShowPrompter *showPrompter = nullptr;
    if (options.show) {
        auto p = std::make_unique<ShowPrompter>(transcript, nullptr, options.stepDelayMs);
        showPrompter = p.get();
        prompterOwner = std::move(p);
    } else {
        prompterOwner = std::make_unique<ScriptPrompter>(transcript);
    }
    ScriptPrompter &prompter = *prompterOwner;
    ReaderMain main(port, clock, prompter);
    // Script runs export stable times, so two runs compare with diff.
    main.monitor().setStableTimes(true);
    ScriptRunner runner(main, prompter, transcript, std::move(lines));
    RunRecord record;
    record.start = QDateTime::currentDateTime();
    record.station = QSysInfo::machineHostName();
    record.plan = options.script;
    const int portNumber = !options.ports.isEmpty() ? options.ports.first() : options.simulatePort ? options.simulatePort : 1;
    record.port = QStringLiteral("COM%1").arg(portNumber);
    runner.setStopOnFail(options.stopOnFail);
    runner.setVariable(QStringLiteral("PORT"), record.port);
    runner.setVariable(QStringLiteral("BAUD"), QString::number(options.baud));
    runner.setVariable(QStringLiteral("ADDRESS"), QString::number(options.address, 16).toUpper());
    std::unique_ptr<VirtualReaderWindow> simWindow;
    if (options.show) {
        runner.setShowMode(options.stepDelayMs);
        showPrompter->setOwner(&main);
        showPrompter->setOnStuck([&runner, &transcript](const QString &title) {
            transcript.line(QStringLiteral("error: the message box \"%1\" took no input").arg(escapeForTranscript(title)));
            runner.finish(1);
        });
    }
    QObject::connect(&main, &ReaderMain::exitRequested, &runner, [&runner] { runner.finish(0); });
    // Ends every event loop, a modal window's included.
    QObject::connect(&runner, &ScriptRunner::finished, qApp, [](int code) { QCoreApplication::exit(code); });
    if (reader)
        runner.setSimControl([reader](const QString &line) { return reader->control(line); });
    main.show();
    if (options.show)
        simWindow = showBenchBeside(main, reader);
    main.activateWindow();
    // --port: the run starts connected, as a station worker does; a port that
    // cannot be opened or a reader that does not answer makes the unit an ERROR.
    bool connected = true;
    if (!options.ports.isEmpty()) {
        main.context().setAddress(quint8(options.address));
        QElapsedTimer t;
        t.start();
        CaseRecord connect;
        connect.name = QStringLiteral("connect");
        StepRecord open;
        open.text = QStringLiteral("open %1 at %2 baud, address %3, and test the link")
                        .arg(record.port)
                        .arg(options.baud)
                        .arg(QString::number(options.address, 16).toUpper());
        connect.steps.append(open);
        const ConnectResult result = connectReader(main.context(), portNumber, options.baud);
        connect.ms = t.nsecsElapsed() / 1e6;
        connect.steps.last().ms = connect.ms;
        QString line;
        if (result == ConnectResult::Connected) {
            line = QStringLiteral("connected %1 at %2 baud").arg(record.port).arg(options.baud);
        } else {
            line = QStringLiteral("error: ") + connectFailureText(main.context(), result, portNumber, options.baud);
            connect.outcome = Outcome::Error;
            connect.message = line;
            connect.steps.last().detail = line.mid(7);
            record.error = line.mid(7);
            connected = false;
        }
        transcript.line(line);
        connect.transcript << line;
        runner.addCase(connect);
    }
    int code = 1;
    if (connected) {
        runner.start();
        // A malformed check ends the run before the event loop starts.
        code = runner.isDone() ? runner.exitCode() : QApplication::exec();
    } else {
        runner.finish(1);
    }
    port.close();
    if (g_terminatedBy)
        code = 128 + g_terminatedBy;
    else if (runner.isDone())
        code = runner.exitCode();
    if (!runner.isDone())
        runner.finish(code);

    record.end = QDateTime::currentDateTime();
    record.cases = runner.cases();
    record.outcome = code == 0 ? Outcome::Pass : code == 3 ? Outcome::Fail : Outcome::Error;
    const QString unit = runner.variable(QStringLiteral("UNIT")).trimmed();
    record.unit = unit.isEmpty() ? record.port : unit;
    if (record.outcome == Outcome::Error && record.error.isEmpty()) {
        record.error = runner.errorLine();
        if (record.error.isEmpty())
            record.error = g_terminatedBy ? QStringLiteral("ended by signal %1").arg(g_terminatedBy)
                                          : QStringLiteral("the run ended with exit code %1").arg(code);
    }
    if (!writeRunReports(options, record) && code == 0)
        code = 1;
    return code;
}

// --station: every port at once, a line per unit as it starts and ends, then
// the summary table.
int runStation(const AppOptions &options)
{
    if (!QFileInfo(options.station).isFile()) {
        std::fprintf(stderr, "qtest820: cannot read plan %s: not a regular file\n", qPrintable(options.station));
        return 2;
    }
    const QString out = options.out.isEmpty() ? QDir::currentPath() : options.out;
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "qtest820: cannot make the folder %s\n", qPrintable(out));
        return 2;
    }
    StationOptions so;
    so.program = QCoreApplication::applicationFilePath();
    so.plan = QFileInfo(options.station).absoluteFilePath();
    so.ports = options.ports;
    so.maps = options.maps;
    so.baud = options.baud;
    so.address = options.address;
    so.outDir = QDir(out).absolutePath();
    so.stopOnFail = options.stopOnFail;
    Station station(so);
    auto say = [](const QString &line) {
        std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
    };
    QObject::connect(&station, &Station::unitStarted, [&](int i) {
        say(QStringLiteral("start %1").arg(station.units().at(i).portName()));
    });
    QObject::connect(&station, &Station::unitFinished, [&](int i) {
        const StationUnit &u = station.units().at(i);
        const RunRecord &r = u.record;
        QString line = QStringLiteral("end   %1  %2  %3  %4 s").arg(u.portName(), r.unit, outcomeWord(r.outcome))
                           .arg(r.seconds(), 0, 'f', 1);
        if (!r.failedCases().isEmpty())
            line += QStringLiteral("  failed: ") + r.failedCases().join(QStringLiteral(", "));
        if (r.outcome == Outcome::Error)
            line += QStringLiteral("  (") + r.error + QLatin1Char(')');
        say(line);
    });
    QObject::connect(&station, &Station::finished, QCoreApplication::instance(), [](int code) { QCoreApplication::exit(code); });
    station.start();
    const int code = station.isDone() ? station.exitCode() : QCoreApplication::exec();
    if (g_terminatedBy) {
        station.stop();
        return 128 + g_terminatedBy;
    }
    say(QString());
    std::fputs(qPrintable(stationTable(station.units())), stdout);
    if (!station.summaryPath().isEmpty())
        say(QStringLiteral("summary: ") + station.summaryPath());
    return code;
}

// A COM number whose adapter was remembered follows that adapter, wherever it
// is attached now; --map wins. Returns a note for each that moved.
QStringList followRememberedAdapters(const Remembered &remembered, PortMap &map)
{
    QStringList notes;
    const PortDirectory directory;
    for (int n = 1; n <= PortMap::MaxPort; ++n) {
        const QString binding = remembered.text(remembered::adapterKey(n));
        if (binding.isEmpty() || map.isOverridden(n))
            continue;
        const QString device = directory.resolve(binding);
        if (device.isEmpty())
            continue;  // not attached now: COMn keeps its usual device
        map.map(n, binding);
        if (device != QFileInfo(PortMap::defaultDevice(n)).canonicalFilePath())
            notes << QStringLiteral("COM%1 follows its adapter (%2) to %3").arg(n).arg(binding, device);
    }
    return notes;
}

// --decode: the saved log's rows on standard output, its odd lines on
// standard error; only a file that cannot be read is a failure.
int runDecode(const AppOptions &options)
{
    QFile file(options.decode);
    if (!QFileInfo(options.decode).isFile() || !file.open(QIODevice::ReadOnly)) {
        const QString why = !QFileInfo::exists(options.decode) ? QStringLiteral("no such file")
            : !QFileInfo(options.decode).isFile()              ? QStringLiteral("not a regular file")
                                                               : file.errorString();
        std::fprintf(stderr, "qtest820: cannot read %s: %s\n", qPrintable(options.decode), qPrintable(why));
        return 2;
    }
    const TraceParse parse = parseTraceFile(QString::fromUtf8(file.readAll()));
    for (const TraceProblem &p : parse.problems)
        std::fprintf(stderr, "qtest820: %s:%d: %s\n", qPrintable(options.decode), p.line, qPrintable(p.text));
    const TraceTimes times = options.stableTimes || parse.relativeTimes ? TraceTimes::Stable : TraceTimes::Absolute;
    const QString out = options.format == QLatin1String("jsonl") ? traceJsonLines(parse.rows, times)
                                                                 : traceText(parse.rows, times);
    std::fputs(out.toUtf8().constData(), stdout);
    return 0;
}

int runInteractive(const AppOptions &options, sim::VirtualReader *reader, PortMap &map)
{
    SystemClock clock;
    QtSerialPort port(map);
    QtPrompter prompter;
    const auto remembered = options.fresh ? std::make_unique<Remembered>() : Remembered::forUser();
    const QStringList moved = followRememberedAdapters(*remembered, map);
    ReaderMain main(port, clock, prompter);
    main.setRemembered(remembered.get());
    main.monitor().setStableTimes(options.stableTimes);
    for (const QString &note : moved)
        main.activity().report(note);
    prompter.setOwner(&main);
    std::unique_ptr<StationWindow> station;
    main.setStationOpener([&] {
        if (!station)
            station = std::make_unique<StationWindow>(port, prompter, QCoreApplication::applicationFilePath(), &main);
        station->show();
        station->raise();
        station->activateWindow();
    });
    QObject::connect(&main, &ReaderMain::exitRequested, qApp, &QApplication::quit);
    main.show();
    const auto simWindow = showBenchBeside(main, reader);
    const int code = QApplication::exec();
    port.close();
    return g_terminatedBy ? 128 + g_terminatedBy : code;
}
}  // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const AppOptions options = parseOptions(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "qtest820: %s\n%s", qPrintable(options.error), qPrintable(usageText()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("qtest820 %s\n", QTEST820_VERSION);
        return 0;
    }
    if (!options.decode.isEmpty())
        return runDecode(options);
    PortMap map;
    for (const auto &m : options.maps)
        map.map(m.first, m.second);
    if (options.card)
        return runCard(argc, argv, options, map);
    if (options.listPorts) {
        QCoreApplication app(argc, argv);
        // As the windows would see them: remembered adapters followed.
        if (!options.fresh)
            followRememberedAdapters(*Remembered::forUser(), map);
        std::fputs(qPrintable(portTable(map, PortDirectory())), stdout);
        return 0;
    }

    if (!options.station.isEmpty()) {
        QCoreApplication app(argc, argv);
        handleTerminationSignals();
        return runStation(options);
    }
    if (!options.out.isEmpty() && !QDir().mkpath(options.out)) {
        std::fprintf(stderr, "qtest820: cannot make the folder %s\n", qPrintable(options.out));
        return 2;
    }

    QStringList lines;
    if (!options.script.isEmpty()) {
        QString error;
        if (!readScript(options.script, &lines, &error)) {
            std::fprintf(stderr, "qtest820: %s\n", qPrintable(error));
            return 2;
        }
        // The windows run, but nobody needs to see them (unless --show).
        if (!options.show) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            quietenWindowlessPlatform();
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qtest820"));
    QApplication::setApplicationVersion(QStringLiteral(QTEST820_VERSION));
    handleTerminationSignals();
    const auto reader = startSimulator(options, map);
    if (options.simulatePort && !reader)
        return 1;
    if (reader && !applySimWords(options, reader.get()))
        return 2;
    if (!options.script.isEmpty())
        return runScript(options, lines, reader.get(), map);
    return runInteractive(options, reader.get(), map);
}
