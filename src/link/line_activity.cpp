#include "link/line_activity.h"

#include "platform/clock.h"

namespace mdq {

LineActivity::LineActivity(const Clock &clock, QObject *parent) : QObject(parent), m_clock(clock) {}

void LineActivity::begin(const QString &what)
{
    m_started = m_clock.nowMs();
    m_stop = false;
    m_what = what;
    if (!m_busy) {
        m_busy = true;
        Q_EMIT busyChanged(true);
    }
    Q_EMIT whatChanged(m_what);
}

void LineActivity::update(const QString &what)
{
    m_what = what;
    Q_EMIT whatChanged(m_what);
}

void LineActivity::end(const QString &summary)
{
    m_stop = false;
    m_summary = summary;
    if (m_busy) {
        m_busy = false;
        Q_EMIT busyChanged(false);
    }
    Q_EMIT summaryChanged(m_summary);
}

void LineActivity::report(const QString &summary)
{
    m_summary = summary;
    Q_EMIT summaryChanged(m_summary);
}

qint64 LineActivity::elapsedMs() const
{
    return m_busy ? m_clock.nowMs() - m_started : 0;
}

void LineActivity::requestStop()
{
    if (m_busy)
        m_stop = true;
}

QString secondsText(qint64 ms)
{
    return QStringLiteral("%1 s").arg(double(qMax<qint64>(ms, 0)) / 1000.0, 0, 'f', 1);
}

}  // namespace mdq
