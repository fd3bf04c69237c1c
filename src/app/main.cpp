// qtest820: bench and diagnostic tool for the MDQ-820 card reader/dispenser.

#include "app/options.h"
#include "app/virtual_reader_window.h"
#include "automation/script_prompter.h"
#include "automation/script_runner.h"
#include "automation/transcript.h"
#include "control/reader_main.h"
#include "platform/clock.h"
#include "platform/port_map.h"
#include "platform/prompter.h"
#include "platform/qt_serial_port.h"

#include <QApplication>
#include <memory>
#include <virtual_reader.h>
#include <QFile>
#include <QTextStream>
#include <cstdio>

using namespace mdq;

namespace {
// The in-process virtual reader of --simulate, mapped to its COM number.
std::unique_ptr<sim::VirtualReader> startSimulator(const AppOptions &options)
{
    if (!options.simulatePort)
        return nullptr;
    auto reader = std::make_unique<sim::VirtualReader>();
    QString error;
    if (!reader->start(&error)) {
        std::fprintf(stderr, "qtest820: cannot start the virtual reader: %s\n", qPrintable(error));
        return nullptr;
    }
    PortMap::instance().map(options.simulatePort, reader->devicePath());
    return reader;
}

int runScript(const AppOptions &options, QStringList lines, sim::VirtualReader *reader)
{
    SystemClock clock;
    QtSerialPort port(PortMap::instance());
    Transcript transcript;
    ScriptPrompter prompter(transcript);
    ReaderMain main(port, clock, prompter);
    ScriptRunner runner(main, prompter, transcript, std::move(lines));
    QObject::connect(&main, &ReaderMain::exitRequested, &runner, [&runner] { runner.finish(0); });
    // Ends every event loop, a modal window's included.
    QObject::connect(&runner, &ScriptRunner::finished, qApp, [](int code) { QCoreApplication::exit(code); });
    Q_UNUSED(options);
    if (reader)
        runner.setSimControl([reader](const QString &line) { return reader->control(line); });
    main.show();
    main.activateWindow();
    runner.start();
    const int code = QApplication::exec();
    port.close();
    return runner.isDone() ? runner.exitCode() : code;
}

int runInteractive(const AppOptions &options, sim::VirtualReader *reader)
{
    Q_UNUSED(options);
    SystemClock clock;
    QtSerialPort port(PortMap::instance());
    QtPrompter prompter;
    ReaderMain main(port, clock, prompter);
    prompter.setOwner(&main);
    QObject::connect(&main, &ReaderMain::exitRequested, qApp, &QApplication::quit);
    main.show();
    std::unique_ptr<VirtualReaderWindow> simWindow;
    if (reader) {
        simWindow = std::make_unique<VirtualReaderWindow>(
            [reader](const QString &line) { return reader->control(line); }, reader->devicePath());
        simWindow->move(main.frameGeometry().topRight() + QPoint(8, 0));
        simWindow->show();
    }
    const int code = QApplication::exec();
    port.close();
    return code;
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
    for (const auto &m : options.maps)
        PortMap::instance().map(m.first, m.second);

    QStringList lines;
    if (!options.script.isEmpty()) {
        QFile file(options.script);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "qtest820: cannot read script %s: %s\n", qPrintable(options.script),
                         qPrintable(file.errorString()));
            return 2;
        }
        const QString text = QString::fromUtf8(file.readAll());
        lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        // The windows run, but nobody needs to see them.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qtest820"));
    QApplication::setApplicationVersion(QStringLiteral(QTEST820_VERSION));
    const auto reader = startSimulator(options);
    if (options.simulatePort && !reader)
        return 1;
    if (!options.script.isEmpty())
        return runScript(options, lines, reader.get());
    return runInteractive(options, reader.get());
}
