#pragma once
// The reader's side of the framed serial protocol, without any I/O: bytes from
// the host go in, the bytes to send back (each after an optional pause) come out.
//
// A request is F2h ADDR LENH LENL 'C' CM PM data... 03h BCC, BCC being the XOR of
// every byte before it. The parser looks for F2h, drops what cannot start a
// frame and gives up a candidate as soon as its header, ETX or BCC is wrong,
// searching again from the byte after its F2h. While a candidate is still
// incomplete, a complete valid frame starting further on wins over it: a host
// never starts a new request before the previous one is sent, so the earlier
// F2h was line noise. Frames with a bad BCC or for another address get no
// answer at all; a good one gets ACK and the reply frame, after which the
// reader waits for the host's ACK (a new request simply starts over). Bytes
// outside any frame are ignored, except that ACK ends that wait and EOT (sent by
// a host that got no reply) drops it.

#include "fault_plan.h"
#include "request_handler.h"

#include <QByteArray>
#include <QList>

namespace sim {

struct Transmission
{
    int delayMs = 0;  // pause before these bytes go out
    QByteArray bytes;
};

class LineProtocol
{
public:
    static constexpr int MaxRequestLength = 1100;  // largest LEN accepted
    static constexpr int OversizePadding = 1100;   // zero bytes the oversize fault adds

    enum class Phase { Idle, AwaitingHostAck };

    LineProtocol(RequestHandler &handler, FaultPlan &faults);

    QList<Transmission> feed(const QByteArray &bytes);
    void reset();

    Phase phase() const { return m_phase; }
    int bufferedBytes() const { return int(m_buffer.size()); }

    // The complete reply frame for one answer, BCC included.
    static QByteArray replyFrame(quint8 address, quint8 cm, quint8 pm, const Reply &reply);

private:
    enum class Check { Invalid, Incomplete, Complete };
    Check checkAt(int pos, int *frameSize) const;
    int findCompleteFrameAfter(int pos) const;
    void noteStrayByte(quint8 b);
    QList<Transmission> answer(const QByteArray &frame);

    RequestHandler &m_handler;
    FaultPlan &m_faults;
    QByteArray m_buffer;
    Phase m_phase = Phase::Idle;
};

}  // namespace sim
