// The virtual reader fed arbitrary host bytes: it must not crash, and a valid
// status request that follows must still get ACK and a well-formed reply.

#include "link/frame.h"

#include <cstdlib>
#include <virtual_reader.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sim::VirtualReader reader;
    reader.receive(QByteArray(reinterpret_cast<const char *>(data), int(size)));

    QByteArray out;
    for (const auto &t : reader.receive(QByteArray(1, char(mdq::EOT)) + mdq::CommandFrame(0, '1', '0')))
        out += t.bytes;
    const int ack = int(out.indexOf(char(mdq::ACK)));
    if (ack < 0)
        std::abort();
    const QByteArray reply = out.mid(ack + 1);
    if (reply.size() != 12 || quint8(reply[0]) != mdq::STX || reply[4] != 'P' || reply[5] != '1' || reply[6] != '0')
        std::abort();
    quint8 bcc = 0;
    for (int k = 0; k + 1 < reply.size(); ++k)
        bcc ^= quint8(reply[k]);
    if (bcc != quint8(reply.back()))
        std::abort();
    return 0;
}
