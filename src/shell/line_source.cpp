#include "shell/line_source.h"

#include "link/execute_command.h"
#include "link/trace.h"
#include "link/traffic_log.h"

namespace mdq {

TrafficLogLines::TrafficLogLines(TrafficLog &log, QObject *parent) : LineSource(parent), m_log(log)
{
    connect(&log, &TrafficLog::appended, this, &TrafficLogLines::onAppended);
    connect(&log, &TrafficLog::cleared, this, [this] {
        m_lineStarts = {0};
        m_longestLine = 0;
        Q_EMIT cleared();
    });
    connect(&log, &TrafficLog::caretToEnd, this, &LineSource::showEnd);
    onAppended(log.text());
}

QString TrafficLogLines::line(int i) const
{
    if (i < 0 || i >= lineCount())
        return QString();
    const QString &text = m_log.text();
    const int start = m_lineStarts[i];
    int end = i + 1 < lineCount() ? m_lineStarts[i + 1] - 1 : int(text.size());  // drop the \n
    if (end > start && text.at(end - 1) == QLatin1Char('\r'))
        --end;
    return text.mid(start, end - start);
}

void TrafficLogLines::onAppended(const QString &piece)
{
    if (piece.isEmpty())
        return;
    const QString &text = m_log.text();
    const int base = int(text.size() - piece.size());
    for (int i = 0; i < piece.size(); ++i)
        if (piece.at(i) == QLatin1Char('\n'))
            m_lineStarts.append(base + i + 1);
    // Only the lines this piece touched can have become the longest.
    const int from = qMax(0, int(m_lineStarts.size()) - 1 - int(piece.count(QLatin1Char('\n'))) - 1);
    for (int i = from; i < lineCount(); ++i) {
        const int end = i + 1 < lineCount() ? m_lineStarts[i + 1] : int(text.size());
        m_longestLine = qMax(m_longestLine, end - m_lineStarts[i]);
    }
    Q_EMIT linesAdded();
}

namespace {
constexpr int kTimeWidth = 12;   // 10:04:05.123
constexpr int kBytesShown = 8;   // enough to tell frames apart; the raw log has them all
constexpr int kBytesWidth = kBytesShown * 3 + 1;

// Time, delta, direction, the first bytes, then the meaning, which may be long:
// narrow enough that the meaning starts within a window of 700 pixels.
QString viewLine(const TraceRow &row)
{
    QString bytes = hexSpaced(row.bytes.left(kBytesShown)).trimmed();
    if (row.bytes.size() > kBytesShown)
        bytes.replace(bytes.size() - 2, 2, QStringLiteral("..."));
    return QStringLiteral("%1 %2  %3  %4  %5")
        .arg(traceTime(row, TraceTimes::TimeOfDay, 0), -kTimeWidth)
        .arg(row.deltaMs ? QStringLiteral("+%1").arg(*row.deltaMs) : QStringLiteral("-"), 6)
        .arg(traceDirName(row.dir), -6)
        .arg(bytes, -kBytesWidth)
        .arg(row.summary);
}
}  // namespace

TraceLines::TraceLines(Trace &trace, QObject *parent) : LineSource(parent), m_trace(trace)
{
    connect(&trace, &Trace::rowAdded, this, &LineSource::linesAdded);
    connect(&trace, &Trace::cleared, this, [this] {
        m_longestLine = 0;
        m_cache.clear();
        Q_EMIT cleared();
    });
}

int TraceLines::lineCount() const { return m_trace.size(); }

QString TraceLines::line(int i) const
{
    if (i < 0 || i >= lineCount())
        return QString();
    if (const QString *cached = m_cache.object(i))
        return *cached;
    const QString text = viewLine(m_trace.row(i));
    m_longestLine = qMax(m_longestLine, int(text.size()));
    m_cache.insert(i, new QString(text));
    return text;
}

QString TraceLines::headings()
{
    return QStringLiteral("%1 %2  %3  %4  %5")
        .arg(QStringLiteral("Time"), -kTimeWidth)
        .arg(QStringLiteral("Delta"), 6)
        .arg(QStringLiteral("Dir"), -6)
        .arg(QStringLiteral("Bytes"), -kBytesWidth)
        .arg(QStringLiteral("Meaning"));
}

}  // namespace mdq
