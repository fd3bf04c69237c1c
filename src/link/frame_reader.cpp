#include "link/frame_reader.h"

#include "platform/serial_port.h"

namespace mdq {

int replyRemainder(const QByteArray &header)
{
    return quint8(header.at(2)) * 256 + quint8(header.at(3)) + 2;
}

bool replyBccOk(const QByteArray &header, const QByteArray &body)
{
    if (body.isEmpty())
        return false;
    quint8 bcc = 0;
    for (const char b : header)
        bcc ^= quint8(b);
    for (int i = 0; i + 1 < body.size(); ++i)
        bcc ^= quint8(body[i]);
    return bcc == quint8(body.back());
}

WaitStatus FrameReader::readExactly(int n, int limitMs, QByteArray *out)
{
    const WaitResult w = waitForBytes(m_port, m_clock, n, limitMs, m_activity);
    if (w.status != WaitStatus::Arrived)
        return w.status;
    if (!m_port.read(n, out) || out->size() != n)
        return WaitStatus::Fault;
    return WaitStatus::Arrived;
}

WaitStatus FrameReader::readBody(const QByteArray &header, int limitMs, QByteArray *body, int *waiting)
{
    const WaitResult w = waitForBytes(m_port, m_clock, replyRemainder(header), limitMs, m_activity);
    if (waiting)
        *waiting = w.waiting;
    if (w.status != WaitStatus::Arrived)
        return w.status;
    if (!m_port.read(0, body))
        return WaitStatus::Fault;
    return WaitStatus::Arrived;
}

}  // namespace mdq
