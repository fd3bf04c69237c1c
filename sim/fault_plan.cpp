#include "fault_plan.h"

#include <QStringList>
#include <array>
#include <utility>

namespace sim {

namespace {

const std::array<std::pair<FaultMode, const char *>, 7> kModeNames{{
    {FaultMode::None, "none"},
    {FaultMode::Nak, "nak"},
    {FaultMode::Silent, "silent"},
    {FaultMode::AckOnly, "ack-only"},
    {FaultMode::HeaderOnly, "header-only"},
    {FaultMode::BadBcc, "bad-bcc"},
    {FaultMode::Oversize, "oversize"},
}};

bool refuses(FaultMode mode)
{
    return mode == FaultMode::Nak || mode == FaultMode::Silent;
}

}  // namespace

void FaultPlan::setMode(FaultMode mode, bool once)
{
    m_mode = mode;
    m_once = once && mode != FaultMode::None;
}

void FaultPlan::setDelayMs(int ms)
{
    m_delayMs = ms > 0 ? ms : 0;
}

void FaultPlan::setNegative(const QByteArray &code)
{
    m_negative = code;
}

void FaultPlan::clear()
{
    *this = FaultPlan();
}

FaultPlan::Decision FaultPlan::take()
{
    Decision d;
    d.mode = m_mode;
    d.delayMs = m_delayMs;
    if (!refuses(m_mode)) {
        d.negative = m_negative;
        m_negative.clear();
    }
    if (m_once)
        setMode(FaultMode::None);
    return d;
}

QString FaultPlan::describe() const
{
    QStringList parts;
    if (m_mode != FaultMode::None)
        parts << modeName(m_mode) + (m_once ? QStringLiteral(" once") : QString());
    if (m_delayMs > 0)
        parts << QStringLiteral("delay %1").arg(m_delayMs);
    if (!m_negative.isEmpty())
        parts << QStringLiteral("negative ") + QString::fromLatin1(m_negative);
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

QString FaultPlan::modeName(FaultMode mode)
{
    for (const auto &entry : kModeNames) {
        if (entry.first == mode)
            return QString::fromLatin1(entry.second);
    }
    return QString();
}

std::optional<FaultMode> FaultPlan::modeFromName(const QString &name)
{
    for (const auto &entry : kModeNames) {
        if (name == QLatin1String(entry.second))
            return entry.first;
    }
    return std::nullopt;
}

}  // namespace sim
