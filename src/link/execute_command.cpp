#include "link/execute_command.h"

#include "link/frame.h"
#include "link/line_activity.h"
#include "link/frame_reader.h"
#include "link/shared_state.h"
#include "link/trace.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace mdq {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kContinuation = QStringLiteral("\r\n       ");

class Exchange
{
public:
    Exchange(LinkContext &link, const QByteArray &frame, Reply &reply)
        : m_link(link), m_frame(frame), m_reply(reply), m_start(link.clock.nowMs())
    {
        m_outcome.device = link.port.deviceName();
    }

    ExchangeOutcome run();

private:
    ExchangeOutcome fail(ExchangeEnd end);
    ExchangeOutcome portFault() { return fail(ExchangeEnd::PortFault); }
    ExchangeOutcome noReplyPath(bool stopped);
    ExchangeOutcome finish(int result, ExchangeEnd end);
    void log(const QString &s) { m_link.log.append(s); }
    void sent(const QByteArray &b)
    {
        if (m_link.trace)
            m_link.trace->host(b);
    }
    void received(const QByteArray &b)
    {
        if (m_link.trace)
            m_link.trace->reader(b);
    }
    void stoppedEvent()
    {
        if (m_link.trace)
            m_link.trace->toolEvent(stoppedEventText());
    }

    LinkContext &m_link;
    const QByteArray &m_frame;
    Reply &m_reply;
    qint64 m_start;
    FailureClass m_class = FailureClass::BadData;
    ExchangeOutcome m_outcome;
};

ExchangeOutcome Exchange::run()
{
    SerialPort &port = m_link.port;

    if (!port.discardBuffers())
        return portFault();
    if (!port.write(m_frame))
        return portFault();

    QString line = QStringLiteral("SD: ");
    int counter = 1;
    for (const char b : m_frame) {
        line += byteHex(quint8(b)) + QLatin1Char(' ');
        if (++counter == 25) {
            counter = 0;
            line += kContinuation;
        }
    }
    log(line + kCrLf);
    sent(m_frame);

    // Acknowledgement. Silence here is not yet a failure: the reply may follow.
    m_class = FailureClass::NoAnswer;
    FrameReader reader(port, m_link.clock, m_link.activity);
    QByteArray ack;
    WaitStatus w = reader.readExactly(1, limits::AckMs, &ack);
    if (w == WaitStatus::Fault)
        return portFault();
    if (w == WaitStatus::Stopped)
        return noReplyPath(true);
    if (w == WaitStatus::Arrived) {
        log(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + kCrLf);
        received(ack);
        if (quint8(ack[0]) != ACK) {
            m_outcome.received = quint8(ack[0]);
            return fail(ExchangeEnd::Refused);
        }
    }

    QByteArray header;
    w = reader.readHeader(limits::HeaderMs, &header);
    if (w == WaitStatus::Fault)
        return portFault();
    if (w != WaitStatus::Arrived)
        return noReplyPath(w == WaitStatus::Stopped);
    m_class = FailureClass::BadData;
    log(QStringLiteral("RD: ") + hexSpaced(header));

    QByteArray body;
    int waiting = 0;
    w = reader.readBody(header, limits::BodyMs, &body, &waiting);
    if (w == WaitStatus::Fault)
        return portFault();
    if (w == WaitStatus::Stopped) {
        log(kCrLf);
        received(header);
        return noReplyPath(true);
    }
    if (w == WaitStatus::TimedOut) {
        received(header);
        m_outcome.expected = replyRemainder(header);
        m_outcome.got = waiting;
        return fail(ExchangeEnd::BodyMissing);
    }

    QString rb;
    rb.reserve(int(body.size()) * 3 + 16);
    for (int i = 0; i < body.size(); ++i) {
        rb += byteHex(quint8(body[i])) + QLatin1Char(' ');
        if ((i + 4) % 25 == 0 && i != body.size() - 1)
            rb += kContinuation;
    }
    log(rb + kCrLf);
    received(header + body);

    if (!port.write(QByteArray(1, char(ACK))))
        return portFault();
    log(QStringLiteral("SD: 06") + kCrLf);
    sent(QByteArray(1, char(ACK)));
    // A reply larger than the buffer cannot be handed over whole.
    if (!m_reply.assign(body)) {
        m_outcome.expected = int(body.size());
        return fail(ExchangeEnd::ReplyTooLong);
    }
    // Acknowledged and logged as any reply; but a corrupted one, or one that
    // answers another request, must not reach the handler as card data.
    m_outcome.detail = replyCheckFailure(m_frame, header, body);
    if (!m_outcome.detail.isEmpty()) {
        m_reply.clear();
        return fail(ExchangeEnd::BadReply);
    }
    return finish(ExchangeOk, ExchangeEnd::Reply);
}

ExchangeOutcome Exchange::noReplyPath(bool stopped)
{
    SerialPort &port = m_link.port;
    if (!port.write(QByteArray(1, char(EOT))))
        return portFault();
    log(QStringLiteral("SD: 04") + kCrLf);
    sent(QByteArray(1, char(EOT)));
    m_outcome.elapsedMs = m_link.clock.nowMs() - m_start;
    m_class = FailureClass::NoAnswer;
    if (stopped) {
        // The operator has waited long enough: no further 3 s after the EOT.
        log(stoppedLogLine());
        stoppedEvent();
        m_reply.clear();
        return finish(ExchangeNoReply, ExchangeEnd::Stopped);
    }
    const WaitResult w = waitForBytes(port, m_link.clock, 1, limits::AfterEotMs, m_link.activity);
    if (w.status == WaitStatus::Fault)
        return portFault();
    if (w.status == WaitStatus::Arrived) {
        QByteArray got;
        if (!port.read(0, &got))
            return portFault();
        QString rd = QStringLiteral("RD: ");
        for (int i = 0; i < qMin<int>(2, int(got.size())); ++i)
            rd += byteHex(quint8(got[i])) + QLatin1Char(' ');
        log(rd);
        received(got.left(2));
        if (got.size() == 1) {
            m_outcome.received = quint8(got[0]);
            return fail(ExchangeEnd::ByteAfterEot);
        }
    }
    if (w.status == WaitStatus::Stopped) {
        log(stoppedLogLine());
        stoppedEvent();
    }
    m_reply.clear();
    const qint64 toEot = m_outcome.elapsedMs;
    ExchangeOutcome o = finish(ExchangeNoReply, w.status == WaitStatus::Stopped ? ExchangeEnd::Stopped : ExchangeEnd::NoReply);
    o.elapsedMs = toEot;
    return o;
}

ExchangeOutcome Exchange::fail(ExchangeEnd end)
{
    if (end == ExchangeEnd::PortFault) {
        m_outcome.portLost = !m_link.port.isOpen();
        m_outcome.detail = m_link.port.errorText();
    }
    m_outcome.failureClass = m_class;
    m_link.log.append(kCrLf);
    m_link.log.moveCaretToEnd();
    return finish(ExchangeFailed, end);
}

ExchangeOutcome Exchange::finish(int result, ExchangeEnd end)
{
    m_outcome.result = result;
    m_outcome.end = end;
    if (end != ExchangeEnd::NoReply && end != ExchangeEnd::Stopped)
        m_outcome.elapsedMs = m_link.clock.nowMs() - m_start;
    return m_outcome;
}
}  // namespace

ExchangeScope::ExchangeScope(LineActivity *activity)
    : m_busy([activity] {
        if (activity)
            activity->requestStop();
    })
{
}

bool exchangeInProgress() { return LineBusy::active(); }

QString hexSpaced(const QByteArray &bytes)
{
    QString s;
    s.reserve(int(bytes.size()) * 3);
    for (const char b : bytes)
        s += byteHex(quint8(b)) + QLatin1Char(' ');
    return s;
}

QString stoppedEventText()
{
    return QStringLiteral("Stopped by the operator");
}

QString stoppedLogLine()
{
    return QStringLiteral("-- ") + stoppedEventText() + QStringLiteral("\r\n");
}

ExchangeOutcome ExecuteCommand(LinkContext &link, const QByteArray &frame, Reply &reply)
{
    if (!link.state.PortOpened) {
        ExchangeOutcome o;
        o.end = ExchangeEnd::PortNotOpened;
        return o;
    }
    ExchangeScope busy(link.activity);
    if (link.activity)
        link.activity->begin(QStringLiteral("Waiting for the reader's reply..."));
    const ExchangeOutcome outcome = Exchange(link, frame, reply).run();
    if (link.trace)
        link.trace->verdict(outcome);
    if (link.activity)
        link.activity->end(outcome.summary());
    return outcome;
}

}  // namespace mdq
