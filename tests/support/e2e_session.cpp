#include "support/e2e_session.h"

#include "automation/script_runner.h"

#include <QApplication>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>

namespace mdqtest {

namespace {
qint64 realMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

ScaledClock::ScaledClock(int scale) : m_scale(qMax(1, scale)), m_start(realMs()) {}

qint64 ScaledClock::nowMs() const
{
    return (realMs() - m_start) * m_scale;
}

void ScaledClock::sleepMs(int ms)
{
    QThread::msleep(ulong(qMax(1, ms / m_scale)));
    mdq::keepWindowsPainted();
}

E2eSession::E2eSession(int clockScale, const sim::VirtualReaderOptions &options, int comPort)
    : m_reader(options)
    , m_clock(clockScale)
    , m_transcript([this](const QString &line) { m_lines.append(line); })
    , m_prompter(m_transcript)
    , m_port(m_map)
{
    m_started = m_reader.start();
    m_map.map(comPort, m_reader.devicePath());
    m_main = std::make_unique<mdq::ReaderMain>(m_port, m_clock, m_prompter);
}

E2eSession::~E2eSession()
{
    m_port.close();
    m_main.reset();
    m_reader.stop();
}

QStringList E2eSession::run(const QString &script, int *exitCode)
{
    m_lines.clear();
    QStringList steps = script.split(QLatin1Char('\n'));
    mdq::ScriptRunner runner(*m_main, m_prompter, m_transcript, steps);
    runner.setSimControl([this](const QString &line) { return m_reader.control(line); });
    QObject::connect(m_main.get(), &mdq::ReaderMain::exitRequested, &runner, [&runner] { runner.finish(0); });
    m_main->show();
    m_main->activateWindow();
    QEventLoop loop;
    QObject::connect(&runner, &mdq::ScriptRunner::finished, &loop, [&loop](int code) { loop.exit(code); });
    // A scenario that hangs fails instead of stalling the suite.
    QTimer::singleShot(120000, &loop, [&] { runner.finish(99); });
    runner.start();
    if (!runner.isDone())
        loop.exec();
    if (exitCode)
        *exitCode = runner.exitCode();
    return m_lines;
}

QString compareTranscript(const QStringList &actual, const QStringList &expected)
{
    for (int i = 0; i < qMax(actual.size(), expected.size()); ++i) {
        const QString a = i < actual.size() ? actual.at(i) : QStringLiteral("<end of transcript>");
        const QString e = i < expected.size() ? expected.at(i) : QStringLiteral("<end of expectation>");
        bool same = a == e;
        if (!same && e.startsWith(QLatin1String("~ ")) && i < actual.size()) {
            const QRegularExpression re(QRegularExpression::anchoredPattern(e.mid(2)));
            same = re.match(a).hasMatch();
        }
        if (!same)
            return QStringLiteral("line %1:\n  actual:   %2\n  expected: %3").arg(i + 1).arg(a, e);
    }
    return QString();
}

void expectTranscript(const QStringList &actual, const QStringList &expected)
{
    const QString diff = compareTranscript(actual, expected);
    if (!diff.isEmpty())
        QTest::qFail(qPrintable(diff + QStringLiteral("\nwhole transcript:\n") + actual.join(QLatin1Char('\n'))),
                     __FILE__, __LINE__);
}

}  // namespace mdqtest
