#include "link/reply.h"

namespace mdq {

QByteArray Reply::bytes(int from, int to) const
{
    QByteArray out;
    if (to < from)
        return out;
    to = qMin(to, Capacity - 1);
    from = qMax(from, 0);
    out.reserve(qMax(0, to - from + 1));
    for (int i = from; i <= to; ++i)
        out.append(char(at(i)));
    return out;
}

bool Reply::assign(const QByteArray &body)
{
    m_bytes = body.left(Capacity);
    m_length = int(m_bytes.size());
    return body.size() <= Capacity;
}

}  // namespace mdq
