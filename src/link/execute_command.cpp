#include "link/execute_command.h"

#include "link/frame.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/serial_port.h"

namespace mdq {

namespace text {
QString unitNotDetected()
{
    return QStringLiteral("Unit not detected\r\n1.Comm port setup error\r\n2.No power on Unit\r\n"
                          "Device Address Error\r\n3.Communication line not connected");
}
QString dataError() { return QStringLiteral("Error:Please Check The Data Effective"); }
QString portSetupFirst() { return QStringLiteral("Comm. Port Setup First"); }
QString caution() { return QStringLiteral("Caution"); }
}  // namespace text

namespace {
int g_exchanges = 0;

const QString kCrLf = QStringLiteral("\r\n");
const QString kContinuation = QStringLiteral("\r\n       ");

enum class FailureClass { NoAnswer, BadData };

// Polls until `count` bytes wait or the limit passes. Returns the count seen
// (-1 on a port fault). The limit counts from the start of this wait.
int waitForBytes(SerialPort &port, Clock &clock, int count, int limitMs)
{
    const qint64 deadline = clock.nowMs() + limitMs;
    for (;;) {
        const int waiting = port.bytesWaiting();
        if (waiting < 0 || waiting >= count)
            return waiting;
        const qint64 left = deadline - clock.nowMs();
        if (left <= 0)
            return waiting;
        port.waitForData(int(qMin<qint64>(left, 50)));
    }
}

class Exchange
{
public:
    Exchange(LinkContext &link, const QByteArray &frame, Reply &reply)
        : m_link(link), m_frame(frame), m_reply(reply)
    {
    }

    int run();

private:
    int fail();
    int noReplyPath();
    void log(const QString &s) { m_link.log.append(s); }

    LinkContext &m_link;
    const QByteArray &m_frame;
    Reply &m_reply;
    FailureClass m_class = FailureClass::BadData;
};

int Exchange::run()
{
    SerialPort &port = m_link.port;
    Clock &clock = m_link.clock;

    if (!port.discardBuffers())
        return fail();
    if (!port.write(m_frame))
        return fail();

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
    int waiting = waitForBytes(port, clock, 1, limits::AckMs);
    if (waiting < 0)
        return fail();
    if (waiting >= 1) {
        QByteArray ack;
        if (!port.read(1, &ack) || ack.size() != 1)
            return fail();
        log(QStringLiteral("RD: ") + byteHex(quint8(ack[0])) + kCrLf);
        if (quint8(ack[0]) != ACK)
            return fail();
    }

    // Header: STX, address, LENH, LENL.
    waiting = waitForBytes(port, clock, 4, limits::HeaderMs);
    if (waiting < 0)
        return fail();
    if (waiting < 4)
        return noReplyPath();
    QByteArray header;
    if (!port.read(4, &header) || header.size() != 4)
        return fail();
    m_class = FailureClass::BadData;
    QString rd = QStringLiteral("RD: ");
    for (const char b : header)
        rd += byteHex(quint8(b)) + QLatin1Char(' ');
    log(rd);

    const int remainder = quint8(header[2]) * 256 + quint8(header[3]) + 2;
    waiting = waitForBytes(port, clock, remainder, limits::BodyMs);
    if (waiting < remainder)
        return fail();
    QByteArray body;
    if (!port.read(0, &body))
        return fail();

    QString rb;
    rb.reserve(int(body.size()) * 3 + 16);
    for (int i = 0; i < body.size(); ++i) {
        rb += byteHex(quint8(body[i])) + QLatin1Char(' ');
        if ((i + 4) % 25 == 0 && i != body.size() - 1)
            rb += kContinuation;
    }
    log(rb + kCrLf);

    if (!port.write(QByteArray(1, char(ACK))))
        return fail();
    log(QStringLiteral("SD: 06") + kCrLf);
    // A reply larger than the buffer cannot be handed over whole.
    if (!m_reply.assign(body))
        return fail();
    return ExchangeOk;
}

int Exchange::noReplyPath()
{
    SerialPort &port = m_link.port;
    if (!port.write(QByteArray(1, char(EOT))))
        return fail();
    log(QStringLiteral("SD: 04") + kCrLf);
    m_class = FailureClass::NoAnswer;
    const int waiting = waitForBytes(port, m_link.clock, 1, limits::AfterEotMs);
    if (waiting < 0)
        return fail();
    if (waiting >= 1) {
        QByteArray got;
        if (!port.read(0, &got))
            return fail();
        QString rd = QStringLiteral("RD: ");
        for (int i = 0; i < qMin<int>(2, int(got.size())); ++i)
            rd += byteHex(quint8(got[i])) + QLatin1Char(' ');
        log(rd);
        if (got.size() == 1)
            return fail();
    }
    m_reply.clear();
    return ExchangeNoReply;
}

int Exchange::fail()
{
    if (m_class == FailureClass::NoAnswer)
        m_link.prompter.message(Icon::Exclamation, text::caution(), text::unitNotDetected());
    else
        m_link.prompter.message(Icon::Exclamation, text::caution(), text::dataError());
    m_link.log.append(kCrLf);
    m_link.log.moveCaretToEnd();
    return ExchangeFailed;
}
}  // namespace

ExchangeScope::ExchangeScope() { ++g_exchanges; }
ExchangeScope::~ExchangeScope() { --g_exchanges; }
bool exchangeInProgress() { return g_exchanges > 0; }

QString hexSpaced(const QByteArray &bytes)
{
    QString s;
    s.reserve(int(bytes.size()) * 3);
    for (const char b : bytes)
        s += byteHex(quint8(b)) + QLatin1Char(' ');
    return s;
}

int ExecuteCommand(LinkContext &link, const QByteArray &frame, Reply &reply)
{
    if (!link.state.PortOpened) {
        link.prompter.message(Icon::Exclamation, text::caution(), text::portSetupFirst());
        return ExchangeOk;
    }
    ExchangeScope busy;
    return Exchange(link, frame, reply).run();
}

}  // namespace mdq
