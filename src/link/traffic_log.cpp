#include "link/traffic_log.h"

namespace mdq {

void TrafficLog::append(const QString &piece)
{
    if (piece.isEmpty())
        return;
    m_text.append(piece);
    Q_EMIT appended(piece);
}

void TrafficLog::clear()
{
    m_text.clear();
    m_text.squeeze();
    Q_EMIT cleared();
}

}  // namespace mdq
