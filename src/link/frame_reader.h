#pragma once
// Reading a reply frame off the line, written once for the exchange engine,
// the link test and the scan probe: the 4-byte header (STX, address, LENH,
// LENL), then the LEN + 2 bytes it announces, each within its own limit, and
// the block check over the whole frame. Each caller keeps its own limits,
// logging and verdict.

#include "link/line_wait.h"

#include <QByteArray>
#include <QString>

namespace mdq {

class Clock;
class LineActivity;
class SerialPort;

// The bytes still to come after a header: LEN (high byte first) + ETX + BCC.
int replyRemainder(const QByteArray &header);
// True when the last byte of the frame header + body is the XOR of all before it.
bool replyBccOk(const QByteArray &header, const QByteArray &body);

// What is wrong with a reply to `request`, or "" when nothing is: STX F2h,
// ETX at the place LEN gives, the BCC over STX..ETX, and the echo of the
// request's CM and PM. A reply failing these was corrupted on the line, or
// belongs to another request.
QString replyCheckFailure(const QByteArray &request, const QByteArray &header, const QByteArray &body);

class FrameReader
{
public:
    FrameReader(SerialPort &port, Clock &clock, const LineActivity *activity = nullptr)
        : m_port(port), m_clock(clock), m_activity(activity)
    {
    }

    // Waits up to limitMs for n bytes, then reads exactly n (ACK: n = 1).
    WaitStatus readExactly(int n, int limitMs, QByteArray *out);
    // The header: four bytes within limitMs.
    WaitStatus readHeader(int limitMs, QByteArray *header) { return readExactly(4, limitMs, header); }
    // The rest announced by the header within limitMs: everything waiting once
    // enough has arrived. *waiting tells how many had come when it ended.
    WaitStatus readBody(const QByteArray &header, int limitMs, QByteArray *body, int *waiting = nullptr);

private:
    SerialPort &m_port;
    Clock &m_clock;
    const LineActivity *m_activity;
};

}  // namespace mdq
