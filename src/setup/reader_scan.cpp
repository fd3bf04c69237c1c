#include "setup/reader_scan.h"

#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "link/line_activity.h"
#include "link/frame_reader.h"

namespace mdq {

void DelayMs(Clock &clock, int ms)
{
    const qint64 start = clock.nowMs();
    for (qint64 left = ms; left > 0; left = ms - (clock.nowMs() - start))
        clock.sleepMs(int(left));
}

bool OpenComm(SerialPort &port, SharedState &state, int portNumber, qint32 baud)
{
    if (port.isOpen())
        port.close();
    state.CommOpenOk = port.open(portNumber, baud) == OpenError::None;
    return state.CommOpenOk;
}

namespace {
bool probe(LinkContext &link, quint8 address)
{
    SerialPort &port = link.port;
    Clock &clock = link.clock;

    // The buffers are not discarded first: the open has just emptied them.
    if (!port.write(CommandFrame(address, CmStatus, PmCardStatus)))
        return false;
    DelayMs(clock, limits::ProbeAckDelayMs);

    // The acknowledgement must be there after the delay: no wait for it.
    QByteArray ack;
    if (port.bytesWaiting() <= 0 || !port.read(1, &ack) || ack.size() != 1 || quint8(ack[0]) != ACK)
        return false;

    FrameReader reader(port, clock, link.activity);
    QByteArray header;
    QByteArray body;
    if (reader.readHeader(limits::ProbeHeaderMs, &header) != WaitStatus::Arrived
        || reader.readBody(header, limits::ProbeBodyMs, &body) != WaitStatus::Arrived || body.isEmpty())
        return false;
    if (!port.write(QByteArray(1, char(ACK))))
        return false;
    return replyBccOk(header, body)
        && (body[0] == char(MarkerPositive) || body[0] == char(MarkerNegative));
}
}  // namespace

bool CommTest(LinkContext &link, quint8 address)
{
    // The line is busy for the probe: its answer must not be taken for idle chatter.
    ExchangeScope busy(link.activity);
    link.state.CommTestOk = probe(link, address);
    return link.state.CommTestOk;
}

ScanResult scanForReader(LinkContext &link, quint8 address)
{
    ExchangeScope busy(link.activity);
    LineActivity *activity = link.activity;
    if (activity)
        activity->begin(QStringLiteral("Scanning..."));
    auto stopped = [activity] { return activity && activity->stopRequested(); };
    SharedState &state = link.state;
    ScanResult result;
    state.CommOpenOk = false;
    for (int portNumber = limits::ScanFirstPort; portNumber <= limits::ScanLastPort && !result.found() && !stopped();
         ++portNumber) {
        for (const qint32 baud : ScanBauds) {
            if (stopped())
                break;
            if (!OpenComm(link.port, state, portNumber, baud))
                continue;  // no such port, or busy: the next baud rate of the same port
            if (activity)
                activity->update(QStringLiteral("Scanning COM%1 at %2 baud...").arg(portNumber).arg(baud));
            state.CommTestOk = false;
            if (CommTest(link, address)) {
                result = {portNumber, baud};
                break;
            }
            state.CommOpenOk = false;
            link.port.close();
        }
    }
    if (!state.CommOpenOk)
        result = {};
    result.stopped = !result.found() && stopped();
    if (activity)
        activity->end(result.found()  ? QStringLiteral("Scan found the reader on COM%1 at %2 baud").arg(result.port).arg(result.baud)
                      : result.stopped ? QStringLiteral("Scan stopped by the operator")
                                       : QStringLiteral("Scan found no reader"));
    return result;
}

QString scanningText()
{
    return QStringLiteral("Please wait for a while, it is scanning......");
}

QString scanFoundText(int port, qint32 baud)
{
    return QStringLiteral("Found MDQ-820 AT COM%1 Baut Rate %2").arg(port).arg(baud);
}

QString scanNotFoundText()
{
    return QStringLiteral("No Found MDQ-820");
}

}  // namespace mdq
