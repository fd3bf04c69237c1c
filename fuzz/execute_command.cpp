// The exchange engine fed arbitrary reader byte streams with arbitrary
// arrival times. Input: chunks of [delay ms, 2 bytes big-endian][length, 1 byte][bytes].
// It must never crash, return anything but 0/-1/-2, hand over more than the
// reply buffer, wait past its limits or show more than one message.

#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "support/fake_clock.h"
#include "support/fake_serial_port.h"

#include <cstdlib>

using namespace mdq;
using namespace mdqtest;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<Chunk> chunks;
    size_t i = 0;
    while (i + 3 <= size) {
        const int delay = (data[i] << 8) | data[i + 1];
        const size_t len = qMin<size_t>(data[i + 2], size - i - 3);
        chunks.append({delay, QByteArray(reinterpret_cast<const char *>(data + i + 3), int(len))});
        i += 3 + len;
    }
    FakeClock clock;
    FakeSerialPort port(clock);
    TrafficLog log;
    SharedState state;
    state.PortOpened = true;
    port.open(1, 9600);
    port.answerNext(chunks);
    LinkContext link{port, clock, log, state};

    Reply reply;
    const qint64 start = clock.nowMs();
    const ExchangeOutcome outcome = ExecuteCommand(link, CommandFrame(0, CmStatus, PmCardStatus), reply);
    const int result = outcome.result;
    if (result != 0 && result != -1 && result != -2)
        std::abort();
    if (reply.length() < 0 || reply.length() > Reply::Capacity)
        std::abort();
    // ACK 3 s + header 6 s + body 6 s is the longest path (the EOT path is 12 s).
    if (clock.nowMs() - start > limits::AckMs + limits::HeaderMs + limits::BodyMs)
        std::abort();
    // One message at most, and only for a failure.
    if (outcome.operatorMessage().has_value() != (result == -1))
        std::abort();
    if (result == -2 && reply.length() != 0)
        std::abort();
    // A reply that reaches a handler passed its checks: it echoes the
    // request (CM 31h, PM 30h) and its frame's BCC is right.
    if (result == 0 && !reply.isEmpty()) {
        if (reply.at(1) != 0x31 || reply.at(2) != 0x30)
            std::abort();
        const QByteArray header = QByteArray::fromHex(log.text().section(QStringLiteral("RD: "), -1).left(12).remove(QLatin1Char(' ')).toLatin1());
        if (header.size() != 4 || quint8(header[0]) != 0xF2)
            std::abort();
        const int etxAt = quint8(header[2]) * 256 + quint8(header[3]);  // LEN: ETX follows the body
        quint8 bcc = 0;
        for (const char b : header)
            bcc ^= quint8(b);
        for (int i = 0; i <= etxAt; ++i)
            bcc ^= reply.at(i);
        if (reply.at(etxAt) != 0x03 || reply.at(etxAt + 1) != bcc)
            std::abort();
    }
    for (int k = 0; k <= Reply::Capacity; ++k)
        (void)reply.at(k);
    return 0;
}
