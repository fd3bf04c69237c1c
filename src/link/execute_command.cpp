#include "link/execute_command.h"

#include "link/frame.h"
#include "link/line_activity.h"
#include "link/line_wait.h"
#include "link/shared_state.h"
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
    WaitResult wait(int count, int limitMs)
    {
        return waitForBytes(m_link.port, m_link.clock, count, limitMs, m_link.activity);
    }
    void log(const QString &s) { m_link.log.append(s); }

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

    // Acknowledgement. Silence here is not yet a failure: the reply may follow.
    m_class = FailureClass::NoAnswer;
    WaitResult w = wait(1, limits::AckMs);
    if (w.status == WaitStatus::Fault)
        return portFault();
    if (w.status == WaitStatus::Stopped)
        return noReplyPath(true);
    if (w.status == WaitStatus::Arrived) {
        QByteArray ack;
        if (!port.read(1, &ack) || ack.size() != 1)
            return portFault();
        log(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + kCrLf);
        if (quint8(ack[0]) != ACK) {
            m_outcome.received = quint8(ack[0]);
            return fail(ExchangeEnd::Refused);
        }
    }

    // Header: STX, address, LENH, LENL.
    w = wait(4, limits::HeaderMs);
    if (w.status == WaitStatus::Fault)
        return portFault();
    if (w.status != WaitStatus::Arrived)
        return noReplyPath(w.status == WaitStatus::Stopped);
    QByteArray header;
    if (!port.read(4, &header) || header.size() != 4)
        return portFault();
    m_class = FailureClass::BadData;
    QString rd = QStringLiteral("RD: ");
    for (const char b : header)
        rd += byteHex(quint8(b)) + QLatin1Char(' ');
    log(rd);

    const int remainder = quint8(header[2]) * 256 + quint8(header[3]) + 2;
    w = wait(remainder, limits::BodyMs);
    if (w.status == WaitStatus::Fault)
        return portFault();
    if (w.status == WaitStatus::Stopped) {
        log(kCrLf);
        return noReplyPath(true);
    }
    if (w.status == WaitStatus::TimedOut) {
        m_outcome.expected = remainder;
        m_outcome.got = w.waiting;
        return fail(ExchangeEnd::BodyMissing);
    }
    QByteArray body;
    if (!port.read(0, &body))
        return portFault();

    QString rb;
    rb.reserve(int(body.size()) * 3 + 16);
    for (int i = 0; i < body.size(); ++i) {
        rb += byteHex(quint8(body[i])) + QLatin1Char(' ');
        if ((i + 4) % 25 == 0 && i != body.size() - 1)
            rb += kContinuation;
    }
    log(rb + kCrLf);

    if (!port.write(QByteArray(1, char(ACK))))
        return portFault();
    log(QStringLiteral("SD: 06") + kCrLf);
    // A reply larger than the buffer cannot be handed over whole.
    if (!m_reply.assign(body)) {
        m_outcome.expected = int(body.size());
        return fail(ExchangeEnd::ReplyTooLong);
    }
    return finish(ExchangeOk, ExchangeEnd::Reply);
}

ExchangeOutcome Exchange::noReplyPath(bool stopped)
{
    SerialPort &port = m_link.port;
    if (!port.write(QByteArray(1, char(EOT))))
        return portFault();
    log(QStringLiteral("SD: 04") + kCrLf);
    m_outcome.elapsedMs = m_link.clock.nowMs() - m_start;
    m_class = FailureClass::NoAnswer;
    if (stopped) {
        // The operator has waited long enough: no further 3 s after the EOT.
        log(stoppedLogLine());
        m_reply.clear();
        return finish(ExchangeNoReply, ExchangeEnd::Stopped);
    }
    const WaitResult w = wait(1, limits::AfterEotMs);
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
        if (got.size() == 1) {
            m_outcome.received = quint8(got[0]);
            return fail(ExchangeEnd::ByteAfterEot);
        }
    }
    if (w.status == WaitStatus::Stopped)
        log(stoppedLogLine());
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

QString stoppedLogLine()
{
    return QStringLiteral("-- Stopped by the operator\r\n");
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
    if (link.activity)
        link.activity->end(outcome.summary());
    return outcome;
}

}  // namespace mdq
