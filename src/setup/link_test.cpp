#include "setup/link_test.h"

#include "link/execute_command.h"
#include "link/frame.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace mdq {

bool waitForBytes(SerialPort &port, Clock &clock, int count, int limitMs)
{
    const qint64 deadline = clock.nowMs() + limitMs;
    for (;;) {
        const int waiting = port.bytesWaiting();
        if (waiting < 0)
            return false;
        if (waiting >= count)
            return true;
        const qint64 left = deadline - clock.nowMs();
        if (left <= 0)
            return false;
        port.waitForData(int(qMin<qint64>(left, 50)));
    }
}

namespace {
bool waitStage(SerialPort &port, Clock &clock, int count)
{
    return waitForBytes(port, clock, count, limits::LinkTestStageMs);
}

QString check(LinkContext &link, quint8 address)
{
    SerialPort &port = link.port;
    TrafficLog &log = link.log;
    const QString crlf = QStringLiteral("\r\n");

    if (!port.discardBuffers())
        return QStringLiteral("ERROR");
    const QByteArray frame = CommandFrame(address, '1', '0');
    if (!port.write(frame))
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("SD: ") + hexSpaced(frame) + crlf);

    QByteArray ack;
    if (!waitStage(port, link.clock, 1) || !port.read(1, &ack) || ack.size() != 1)
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + crlf);
    if (quint8(ack[0]) != ACK)
        return QStringLiteral("ERROR");

    QByteArray header;
    if (!waitStage(port, link.clock, 4) || !port.read(4, &header) || header.size() != 4)
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("RD: ") + hexSpaced(header));

    const int remainder = quint8(header[2]) * 256 + quint8(header[3]) + 2;
    QByteArray body;
    if (!waitStage(port, link.clock, remainder) || !port.read(0, &body))
        return QStringLiteral("ERROR");
    log.append(hexSpaced(body) + crlf);

    if (!port.write(QByteArray(1, char(ACK))))
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("SD: 06") + crlf);

    quint8 bcc = 0;
    for (const char b : header)
        bcc ^= quint8(b);
    for (int i = 0; i + 1 < body.size(); ++i)
        bcc ^= quint8(body[i]);
    if (body.isEmpty() || bcc != quint8(body[body.size() - 1]))
        return QStringLiteral("ERROR");
    if (body[0] == 'P' || body[0] == 'N')
        return QStringLiteral("OK");
    return QString();
}
}  // namespace

QString IRUnitIfOk(LinkContext &link, quint8 address, bool recordData)
{
    if (!recordData)
        link.log.clear();
    ExchangeScope busy;
    const QString result = check(link, address);
    if (result == QLatin1String("ERROR"))
        link.log.append(QStringLiteral("\r\n"));
    return result;
}

}  // namespace mdq
