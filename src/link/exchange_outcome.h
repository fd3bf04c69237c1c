#pragma once
// How one exchange ended, as a value. The engine reports it; the operation
// runner shows the operator's message after the line has been released, and
// the status bar says what was seen.

#include "platform/prompter.h"

#include <QString>
#include <optional>

namespace mdq {

enum ExchangeResult : int { ExchangeOk = 0, ExchangeFailed = -1, ExchangeNoReply = -2 };

// The message class of a failed exchange: which of the two messages it shows.
enum class FailureClass { NoAnswer, BadData };

enum class ExchangeEnd {
    Reply,          // 0: a reply was received, acknowledged and copied
    PortNotOpened,  // 0: nothing was sent ("Comm. Port Setup First")
    NoReply,        // -2: no header; EOT sent, nothing (or two bytes and more) after it
    Stopped,        // -2: the operator stopped the wait; EOT sent
    Refused,        // -1: the first byte was not ACK
    ByteAfterEot,   // -1: a single byte came after the EOT
    BodyMissing,    // -1: header in, the rest did not come within the limit
    ReplyTooLong,   // -1: the reply does not fit the reply buffer
    BadReply,       // -1: STX, ETX, BCC or the echoed CM/PM is wrong (detail says which)
    PortFault,      // -1: the port failed while driving it
};

struct OperatorMessage
{
    Icon icon;
    QString title;
    QString text;
};

struct ExchangeOutcome
{
    int result = ExchangeOk;
    ExchangeEnd end = ExchangeEnd::Reply;
    FailureClass failureClass = FailureClass::BadData;
    quint8 received = 0;   // Refused, ByteAfterEot: the byte that came
    int expected = 0;      // BodyMissing: bytes awaited after the header; ReplyTooLong: reply bytes
    int got = 0;           // BodyMissing: bytes that came
    qint64 elapsedMs = 0;  // from the request to the end (NoReply: to the EOT)
    QString device;        // the port's device
    bool portLost = false; // PortFault: the port is closed underneath (device gone)
    QString detail;        // PortFault: the port's own words; BadReply: the failed check

    bool failed() const { return result == ExchangeFailed; }
    // The message box the rules give for this ending, if any.
    std::optional<OperatorMessage> operatorMessage() const;
    // One line for the status bar, e.g. "No reply from the reader: EOT sent after 9.0 s".
    QString summary() const;
};

namespace text {
QString unitNotDetected();  // the five-line "Unit not detected" message
QString dataError();        // "Error:Please Check The Data Effective"
QString portSetupFirst();   // "Comm. Port Setup First"
QString caution();          // "Caution"
// The device of the open port went away (an unplugged adapter).
QString portLost(const QString &device);
}  // namespace text

}  // namespace mdq
