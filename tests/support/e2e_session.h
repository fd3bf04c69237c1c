#pragma once
// End to end in one process: the virtual reader on a real pty, the tool's
// real serial port and windows, driven by the script runner. The clock runs
// fast (scale x) so the reader's silent faults cost milliseconds, not seconds.

#include "automation/script_prompter.h"
#include "automation/transcript.h"
#include "shell/reader_main.h"
#include "platform/clock.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"

#include <QStringList>
#include <memory>
#include <virtual_reader.h>

namespace mdqtest {

class ScaledClock : public mdq::Clock
{
public:
    explicit ScaledClock(int scale);
    qint64 nowMs() const override;
    void sleepMs(int ms) override;

private:
    int m_scale;
    qint64 m_start;
};

class E2eSession
{
public:
    explicit E2eSession(int clockScale = 20, const sim::VirtualReaderOptions &options = {}, int comPort = 1);
    ~E2eSession();

    bool started() const { return m_started; }
    sim::VirtualReader &reader() { return m_reader; }
    mdq::ReaderMain &main() { return *m_main; }
    mdq::PortMap &portMap() { return m_map; }

    // Runs the steps; returns the transcript lines. *exitCode gets the runner's code.
    QStringList run(const QString &script, int *exitCode = nullptr);

private:
    sim::VirtualReader m_reader;
    bool m_started = false;
    mdq::PortMap m_map;
    ScaledClock m_clock;
    QStringList m_lines;
    mdq::Transcript m_transcript;
    mdq::ScriptPrompter m_prompter;
    mdq::QtSerialPort m_port;
    std::unique_ptr<mdq::ReaderMain> m_main;
};

// Compares a transcript with expected lines; an expected line starting with
// "~ " is a regular expression for the whole line. Returns "" when they match,
// else a description of the first difference.
QString compareTranscript(const QStringList &actual, const QStringList &expected);
// The same as a check: a difference fails the test, with the whole transcript.
void expectTranscript(const QStringList &actual, const QStringList &expected);

}  // namespace mdqtest
