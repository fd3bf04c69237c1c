#include "link/exchange_outcome.h"

#include "link/frame.h"
#include "link/line_activity.h"

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

std::optional<OperatorMessage> ExchangeOutcome::operatorMessage() const
{
    if (end == ExchangeEnd::PortNotOpened)
        return OperatorMessage{Icon::Exclamation, text::caution(), text::portSetupFirst()};
    if (!failed())
        return std::nullopt;
    return OperatorMessage{Icon::Exclamation, text::caution(),
                           failureClass == FailureClass::NoAnswer ? text::unitNotDetected() : text::dataError()};
}

QString ExchangeOutcome::summary() const
{
    const QString after = secondsText(elapsedMs);
    switch (end) {
    case ExchangeEnd::Reply:
        return QStringLiteral("Reply received after %1").arg(after);
    case ExchangeEnd::PortNotOpened:
        return QStringLiteral("Not connected: nothing sent (Setup Comm first)");
    case ExchangeEnd::NoReply:
        return QStringLiteral("No reply from the reader: EOT sent after %1").arg(after);
    case ExchangeEnd::Stopped:
        return QStringLiteral("Stopped by the operator after %1: EOT sent").arg(after);
    case ExchangeEnd::Refused:
        return QStringLiteral("The reader refused the command: received %1h instead of ACK (06h)")
            .arg(byteHex(received));
    case ExchangeEnd::ByteAfterEot:
        return QStringLiteral("No reply from the reader: only one byte (%1h) came after EOT").arg(byteHex(received));
    case ExchangeEnd::BodyMissing:
        return QStringLiteral("Reply cut off: header received, then %1 of %2 bytes within 6 s")
            .arg(got)
            .arg(expected);
    case ExchangeEnd::ReplyTooLong:
        return QStringLiteral("Reply too long: %1 bytes do not fit the %2-byte reply buffer").arg(expected).arg(1025);
    case ExchangeEnd::BadReply:
        return QStringLiteral("Reply rejected: %1").arg(detail);
    case ExchangeEnd::PortFault:
        if (portLost)
            return QStringLiteral("Port lost: %1 is gone").arg(device);
        return detail.isEmpty() ? QStringLiteral("Port error on %1").arg(device)
                                : QStringLiteral("Port error on %1: %2").arg(device, detail);
    }
    return QString();
}

namespace text {
QString portLost(const QString &device)
{
    return QStringLiteral("The reader's port is gone: %1 was unplugged or switched off.\r\n"
                          "Nothing was sent. The port is opened again by itself when the device comes back.")
        .arg(device);
}
}  // namespace text

}  // namespace mdq
