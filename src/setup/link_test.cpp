#include "setup/link_test.h"

#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/line_activity.h"
#include "link/frame_reader.h"
#include "link/trace.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace mdq {

namespace {
struct Check
{
    LinkContext &link;
    bool stopped = false;

    // One 3-second stage; false (and the stop noted) unless it arrived whole.
    bool stage(WaitStatus status)
    {
        stopped = stopped || status == WaitStatus::Stopped;
        return status == WaitStatus::Arrived;
    }
    QString run(quint8 address);
    void traced(bool host, const QByteArray &bytes)
    {
        if (link.trace)
            host ? link.trace->host(bytes) : link.trace->reader(bytes);
    }
};

QString Check::run(quint8 address)
{
    SerialPort &port = link.port;
    TrafficLog &log = link.log;
    const QString crlf = QStringLiteral("\r\n");
    const QString error = QStringLiteral("ERROR");
    FrameReader reader(port, link.clock, link.activity);

    if (!port.discardBuffers())
        return error;
    const QByteArray frame = CommandFrame(address, CmStatus, PmCardStatus);
    if (!port.write(frame))
        return error;
    log.append(QStringLiteral("SD: ") + hexSpaced(frame) + crlf);
    traced(true, frame);

    QByteArray ack;
    if (!stage(reader.readExactly(1, limits::LinkTestStageMs, &ack)))
        return error;
    log.append(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + crlf);
    traced(false, ack);
    if (quint8(ack[0]) != ACK)
        return error;

    QByteArray header;
    if (!stage(reader.readHeader(limits::LinkTestStageMs, &header)))
        return error;
    log.append(QStringLiteral("RD: ") + hexSpaced(header));

    QByteArray body;
    if (!stage(reader.readBody(header, limits::LinkTestStageMs, &body))) {
        traced(false, header);
        return error;
    }
    log.append(hexSpaced(body) + crlf);
    traced(false, header + body);

    if (!port.write(QByteArray(1, char(ACK))))
        return error;
    log.append(QStringLiteral("SD: 06") + crlf);
    traced(true, QByteArray(1, char(ACK)));

    if (!replyBccOk(header, body))
        return error;
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
    if (check.stopped) {
        link.log.append(stoppedLogLine());
        if (link.trace)
            link.trace->toolEvent(stoppedEventText());
    }
    if (result == QLatin1String("ERROR"))
        link.log.append(QStringLiteral("\r\n"));
    const QString summary = check.stopped ? QStringLiteral("Link test stopped by the operator")
                            : result == QLatin1String("ERROR")
                                ? QStringLiteral("Link test failed: no valid answer on %1").arg(link.port.deviceName())
                                : QStringLiteral("Link test passed on %1").arg(link.port.deviceName());
    if (link.trace)
        link.trace->toolEvent(summary);
    if (link.activity)
        link.activity->end(summary);
    if (stopped)
        *stopped = check.stopped;
    return result;
}

}  // namespace mdq
