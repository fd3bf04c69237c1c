#include "shell/session_trace.h"

#include "link/trace.h"

#include <QDir>
#include <QStandardPaths>

namespace mdq {

SessionTrace::SessionTrace(Trace &trace, QObject *parent) : QObject(parent), m_trace(trace)
{
    connect(&trace, &Trace::rowAdded, this, &SessionTrace::write);
}

QString SessionTrace::folder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("qtest820/traces"));
}

bool SessionTrace::start(const QDateTime &now)
{
    if (m_file.isOpen())
        return true;
    m_error.clear();
    if (!QDir().mkpath(folder())) {
        m_error = QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder()));
        return false;
    }
    if (m_path.isEmpty())
        m_path = QDir(folder()).filePath(now.toString(QStringLiteral("'qtest820-trace-'yyyyMMdd-HHmmss'.jsonl'")));
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), m_file.errorString());
        return false;
    }
    return true;
}

void SessionTrace::stop()
{
    m_file.close();
}

void SessionTrace::write(int index)
{
    if (!m_file.isOpen())
        return;
    // Absolute times: the file is a record of when things happened.
    const QByteArray line = traceJsonLine(m_trace.row(index), TraceTimes::Absolute, 0).toUtf8() + '\n';
    // Unbuffered: each row goes to the system as it is written.
    if (m_file.write(line) != line.size()) {
        m_error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), m_file.errorString());
        m_file.close();
        Q_EMIT failed(m_error);
    }
}

}  // namespace mdq
