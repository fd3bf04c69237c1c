#include "setup/link_test.h"

#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/line_activity.h"
#include "link/line_wait.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace mdq {

namespace {
struct Check
{
    LinkContext &link;
    bool stopped = false;

    bool waitStage(int count)
    {
        const WaitResult w = waitForBytes(link.port, link.clock, count, limits::LinkTestStageMs, link.activity);
        stopped = w.status == WaitStatus::Stopped;
        return w.status == WaitStatus::Arrived;
    }
    QString run(quint8 address);
};

QString Check::run(quint8 address)
{
    SerialPort &port = link.port;
    TrafficLog &log = link.log;
    const QString crlf = QStringLiteral("\r\n");

    if (!port.discardBuffers())
        return QStringLiteral("ERROR");
    const QByteArray frame = CommandFrame(address, CmStatus, PmCardStatus);
    if (!port.write(frame))
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("SD: ") + hexSpaced(frame) + crlf);

    QByteArray ack;
    if (!waitStage(1) || !port.read(1, &ack) || ack.size() != 1)
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + crlf);
    if (quint8(ack[0]) != ACK)
        return QStringLiteral("ERROR");

    QByteArray header;
    if (!waitStage(4) || !port.read(4, &header) || header.size() != 4)
        return QStringLiteral("ERROR");
    log.append(QStringLiteral("RD: ") + hexSpaced(header));

    const int remainder = quint8(header[2]) * 256 + quint8(header[3]) + 2;
    QByteArray body;
    if (!waitStage(remainder) || !port.read(0, &body))
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

QString IRUnitIfOk(LinkContext &link, quint8 address, bool recordData, bool *stopped)
{
    if (!recordData)
        link.log.clear();
    ExchangeScope busy(link.activity);
    if (link.activity)
        link.activity->begin(QStringLiteral("Testing the link on %1...").arg(link.port.deviceName()));
    Check check{link};
    const QString result = check.run(address);
    if (check.stopped)
        link.log.append(stoppedLogLine());
    if (result == QLatin1String("ERROR"))
        link.log.append(QStringLiteral("\r\n"));
    if (link.activity)
        link.activity->end(check.stopped ? QStringLiteral("Link test stopped by the operator")
                           : result == QLatin1String("ERROR")
                               ? QStringLiteral("Link test failed: no valid answer on %1").arg(link.port.deviceName())
                               : QStringLiteral("Link test passed on %1").arg(link.port.deviceName()));
    if (stopped)
        *stopped = check.stopped;
    return result;
}

}  // namespace mdq
