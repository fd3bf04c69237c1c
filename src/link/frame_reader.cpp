#include "link/frame_reader.h"

#include "link/frame.h"
#include "platform/serial_port.h"

namespace mdq {

int replyRemainder(const QByteArray &header)
{
    return quint8(header.at(2)) * 256 + quint8(header.at(3)) + 2;
}

bool replyBccOk(const QByteArray &header, const QByteArray &body)
{
    // A reply closes with its BCC just as a request does.
    return !body.isEmpty() && ComputeBcc(header + body) == quint8(body.back());
}

QString replyCheckFailure(const QByteArray &request, const QByteArray &header, const QByteArray &body)
{
    auto at = [](const QByteArray &bytes, int i) { return i >= 0 && i < bytes.size() ? quint8(bytes[i]) : 0; };
    if (at(header, 0) != STX)
        return QStringLiteral("STX is %1h, expected F2h").arg(byteHex(at(header, 0)));
    const int remainder = replyRemainder(header);
    const int etxAt = remainder - 2;  // index in the body
    if (at(body, etxAt) != ETX)
        return QStringLiteral("ETX expected at byte %1 of the reply, found %2h").arg(etxAt + 4).arg(byteHex(at(body, etxAt)));
    // STX..ETX and the BCC slot after it: the slot is where LEN puts it,
    // whatever else may have arrived behind the frame.
    const quint8 bcc = ComputeBcc(header + body.left(etxAt + 2));
    if (at(body, etxAt + 1) != bcc)
        return QStringLiteral("BCC is %1h, expected %2h").arg(byteHex(at(body, etxAt + 1)), byteHex(bcc));
    if (at(body, 1) != at(request, 5) || at(body, 2) != at(request, 6))
        return QStringLiteral("the reply echoes CM %1h PM %2h, the request was CM %3h PM %4h")
            .arg(byteHex(at(body, 1)), byteHex(at(body, 2)), byteHex(at(request, 5)), byteHex(at(request, 6)));
    return QString();
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
