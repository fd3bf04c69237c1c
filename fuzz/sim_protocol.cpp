// The virtual reader fed arbitrary host bytes: it must not crash, and a host
// that then sends EOT and a valid status request, and the request once more,
// must get ACK and a well-formed reply to that second request. (The first
// copy may legitimately complete a frame the noise had begun, so only the
// retry is held to an exact answer.)

#include "link/commands.h"
#include "link/frame.h"

#include <cstdlib>
#include <virtual_reader.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sim::VirtualReader reader;
    reader.receive(QByteArray(reinterpret_cast<const char *>(data), int(size)));

    const QByteArray request = mdq::CommandFrame(0, mdq::CmStatus, mdq::PmCardStatus);
    reader.receive(QByteArray(1, char(mdq::EOT)) + request);
    QByteArray out;
    for (const auto &t : reader.receive(request))
        out += t.bytes;
    if (out.size() != 13 || quint8(out[0]) != mdq::ACK)
        std::abort();
    const QByteArray reply = out.mid(1);
    if (quint8(reply[0]) != mdq::STX || reply[4] != 'P' || reply[5] != '1' || reply[6] != '0')
        std::abort();
    quint8 bcc = 0;
    for (int k = 0; k + 1 < reply.size(); ++k)
        bcc ^= quint8(reply[k]);
    if (bcc != quint8(reply.back()))
        std::abort();
    return 0;
}
