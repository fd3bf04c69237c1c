#pragma once
// Runs the built qtest820 (QTEST820_BINARY) as a separate process, the way a
// user or a bench script does: arguments, optional standard input, an
// optional command in front (e.g. a resource limit), an optional SIGTERM.

#include <QProcess>
#include <QStringList>
#include <QtTest/QTest>

namespace mdqtest {

struct ProgramRun
{
    int code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

struct ProgramOptions
{
    QByteArray input;          // written to standard input, which is then closed
    QStringList prefix = {};   // run as prefix... qtest820 args...
    int terminateAfterMs = -1; // send SIGTERM then (and give it 5 s to end)
};

inline ProgramRun runProgram(const QStringList &args, const ProgramOptions &o = {})
{
    QStringList all = o.prefix;
    all << qEnvironmentVariable("QTEST820_BINARY") << args;
    QProcess p;
    p.start(all.takeFirst(), all);
    ProgramRun r;
    if (!p.waitForStarted())
        return r;
    p.write(o.input);
    p.closeWriteChannel();
    if (o.terminateAfterMs >= 0) {
        QTest::qWait(o.terminateAfterMs);
        p.terminate();
    }
    if (!p.waitForFinished(o.terminateAfterMs >= 0 ? 5000 : 60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitCode();
    r.status = p.exitStatus();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace mdqtest
