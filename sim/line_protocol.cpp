#include "line_protocol.h"

#include "link/frame.h"

namespace sim {

namespace {

quint8 at(const QByteArray &bytes, int i)
{
    return static_cast<quint8>(bytes[i]);
}

constexpr quint8 MaxAddress = 0x0F;

}  // namespace

LineProtocol::LineProtocol(RequestHandler &handler, FaultPlan &faults)
    : m_handler(handler), m_faults(faults)
{
}

void LineProtocol::reset()
{
    m_buffer.clear();
    m_phase = Phase::Idle;
}

QList<Transmission> LineProtocol::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    QList<Transmission> out;
    for (;;) {
        int skip = 0;
        while (skip < m_buffer.size() && at(m_buffer, skip) != mdq::STX)
            noteStrayByte(at(m_buffer, skip++));
        m_buffer.remove(0, skip);
        if (m_buffer.isEmpty())
            break;

        int size = 0;
        const Check check = checkAt(0, &size);
        if (check == Check::Invalid) {
            m_buffer.remove(0, 1);
        } else if (check == Check::Incomplete) {
            const int next = findCompleteFrameAfter(0);
            if (next < 0)
                break;  // wait for the rest
            m_buffer.remove(0, next);
        } else {
            const QByteArray frame = m_buffer.left(size);
            m_buffer.remove(0, size);
            out += answer(frame);
        }
    }
    return out;
}

LineProtocol::Check LineProtocol::checkAt(int pos, int *frameSize) const
{
    const int available = int(m_buffer.size()) - pos;
    if (available >= 2 && at(m_buffer, pos + 1) > MaxAddress)
        return Check::Invalid;
    if (available < 4)
        return Check::Incomplete;
    const int len = at(m_buffer, pos + 2) * 256 + at(m_buffer, pos + 3);
    if (len < 3 || len > MaxRequestLength)
        return Check::Invalid;
    if (available >= 5 && at(m_buffer, pos + 4) != mdq::MarkerCommand)
        return Check::Invalid;
    const int size = len + 6;
    if (available < size)
        return Check::Incomplete;
    if (at(m_buffer, pos + size - 2) != mdq::ETX)
        return Check::Invalid;
    if (mdq::ComputeBcc(m_buffer.mid(pos, size)) != at(m_buffer, pos + size - 1))
        return Check::Invalid;
    *frameSize = size;
    return Check::Complete;
}

int LineProtocol::findCompleteFrameAfter(int pos) const
{
    for (int i = pos + 1; i < m_buffer.size(); ++i) {
        int size = 0;
        if (at(m_buffer, i) == mdq::STX && checkAt(i, &size) == Check::Complete)
            return i;
    }
    return -1;
}

void LineProtocol::noteStrayByte(quint8 b)
{
    if (b == mdq::ACK || b == mdq::EOT)
        m_phase = Phase::Idle;
}

QList<Transmission> LineProtocol::answer(const QByteArray &frame)
{
    m_phase = Phase::Idle;
    const quint8 address = at(frame, 1);
    if (address != m_handler.address())
        return {};

    const FaultPlan::Decision fault = m_faults.take();
    if (fault.mode == FaultMode::Silent)
        return {};
    if (fault.mode == FaultMode::Nak)
        return {Transmission{0, QByteArray(1, char(mdq::NAK))}};

    const quint8 cm = at(frame, 5);
    const quint8 pm = at(frame, 6);
    const QByteArray data = frame.mid(7, frame.size() - 9);
    const Reply reply = fault.negative.isEmpty() ? m_handler.handle(cm, pm, data)
                                                 : Reply::error(fault.negative);
    QByteArray out = replyFrame(address, cm, pm, reply);

    const Transmission ack{0, QByteArray(1, char(mdq::ACK))};
    switch (fault.mode) {
    case FaultMode::AckOnly:
        return {ack};
    case FaultMode::HeaderOnly:
        return {ack, Transmission{fault.delayMs, out.left(4)}};
    case FaultMode::BadBcc:
        out[out.size() - 1] = char(at(out, int(out.size()) - 1) ^ 0xFF);
        break;
    case FaultMode::Oversize: {
        // A well-formed reply too long for the host's 1025-byte reply buffer.
        QByteArray padded = out.left(out.size() - 2) + QByteArray(OversizePadding, '\0');
        const int len = int(padded.size()) - 4;
        padded[2] = char(len >> 8);
        padded[3] = char(len & 0xFF);
        padded.append(char(mdq::ETX));
        padded.append(char(0));
        padded[padded.size() - 1] = char(mdq::ComputeBcc(padded));
        out = padded;
        break;
    }
    default:
        break;
    }
    m_phase = Phase::AwaitingHostAck;
    return {ack, Transmission{fault.delayMs, out}};
}

QByteArray LineProtocol::replyFrame(quint8 address, quint8 cm, quint8 pm, const Reply &reply)
{
    const int statusSize = reply.positive ? 3 : 2;
    const QByteArray status = reply.status.leftJustified(statusSize, '0', true);
    const QByteArray data = reply.positive ? reply.data : QByteArray();
    const int len = 3 + statusSize + int(data.size());

    QByteArray f;
    f.reserve(len + 6);
    f.append(char(mdq::STX));
    f.append(char(address));
    f.append(char((len >> 8) & 0xFF));
    f.append(char(len & 0xFF));
    f.append(char(reply.positive ? mdq::MarkerPositive : mdq::MarkerNegative));
    f.append(char(cm));
    f.append(char(pm));
    f.append(status);
    f.append(data);
    f.append(char(mdq::ETX));
    f.append(char(0));
    f[f.size() - 1] = char(mdq::ComputeBcc(f));
    return f;
}

}  // namespace sim
