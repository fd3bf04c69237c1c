#include "setup/reader_scan.h"

#include "link/commands.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "link/shared_state.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "link/line_activity.h"
#include "link/frame_reader.h"
#include "setup/parallel_scan.h"

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

bool probeReader(SerialPort &port, Clock &clock, quint8 address, const LineActivity *activity)
{
    // The buffers are not discarded first: the open has just emptied them.
    if (!port.write(CommandFrame(address, CmStatus, PmCardStatus)))
        return false;
    DelayMs(clock, limits::ProbeAckDelayMs);

    // The acknowledgement must be there after the delay: no wait for it.
    QByteArray ack;
    if (port.bytesWaiting() <= 0 || !port.read(1, &ack) || ack.size() != 1 || quint8(ack[0]) != ACK)
        return false;

    FrameReader reader(port, clock, activity);
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

bool CommTest(LinkContext &link, quint8 address)
{
    // The line is busy for the probe: its answer must not be taken for idle chatter.
    ExchangeScope busy(link.activity);
    link.state.CommTestOk = probeReader(link.port, link.clock, address, link.activity);
    return link.state.CommTestOk;
}

QList<quint8> scanAddresses(const ScanOptions &options)
{
    QList<quint8> addresses{options.address};
    if (options.allAddresses)
        for (quint8 a = 0; a <= 0x0F; ++a)
            if (a != options.address)
                addresses.append(a);
    return addresses;
}

ScanResult scanSequentially(LinkContext &link, const ScanOptions &options)
{
    LineActivity *activity = link.activity;
    auto stopped = [activity] { return activity && activity->stopRequested(); };
    const QList<quint8> addresses = scanAddresses(options);
    SharedState &state = link.state;
    ScanResult result;
    state.CommOpenOk = false;
    for (int portNumber = limits::ScanFirstPort; portNumber <= limits::ScanLastPort && !result.found() && !stopped();
         ++portNumber) {
        for (const qint32 baud : ScanBauds) {
            for (const quint8 address : addresses) {
                if (stopped())
                    break;
                if (!OpenComm(link.port, state, portNumber, baud))
                    break;  // no such port, or busy: the next baud rate of the same port
                if (activity)
                    activity->update(QStringLiteral("Scanning COM%1 at %2 baud...").arg(portNumber).arg(baud));
                if (options.progress)
                    options.progress(portNumber, baud);
                state.CommTestOk = false;
                if (CommTest(link, address)) {
                    result = {portNumber, baud, address};
                    break;
                }
                state.CommOpenOk = false;
                link.port.close();
            }
            if (result.found() || stopped())
                break;
        }
    }
    if (!state.CommOpenOk)
        result = {};
    result.stopped = !result.found() && stopped();
    return result;
}

ScanResult scanForReader(LinkContext &link, const ScanOptions &options)
{
    ExchangeScope busy(link.activity);
    LineActivity *activity = link.activity;
    if (activity)
        activity->begin(QStringLiteral("Scanning..."));
    const SerialPort::PortMaker makePort = link.port.probePortMaker();
    const ScanResult result = makePort ? scanInParallel(link, makePort, options) : scanSequentially(link, options);
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

QString scanProgressText(int port, qint32 baud)
{
    return QStringLiteral("COM%1: %2...").arg(port).arg(baud);
}

}  // namespace mdq
