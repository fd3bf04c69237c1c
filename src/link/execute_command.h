#pragma once
// One complete exchange with the reader: send the frame, wait for ACK, read
// the reply header and body, acknowledge, log every byte. Synchronous, as the
// windows expect, but the waits sleep on the port instead of spinning. It
// shows nothing: how the exchange ended comes back as a value.

#include "link/exchange_outcome.h"
#include "link/reply.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QString>

namespace mdq {

class LineActivity;
class SerialPort;
class Trace;
class TrafficLog;
struct SharedState;

namespace limits {
constexpr int AckMs = 3000;
constexpr int HeaderMs = 6000;
constexpr int BodyMs = 6000;
constexpr int AfterEotMs = 3000;
}  // namespace limits

// Everything the engine reaches through the main window.
struct LinkContext
{
    SerialPort &port;
    Clock &clock;
    TrafficLog &log;
    SharedState &state;
    LineActivity *activity = nullptr;  // progress and stop requests; may be null
    Trace *trace = nullptr;            // the decoded trace; may be null
};

// result 0 (reply copied, or port not opened: then the reply is untouched),
// -1 (failure: operatorMessage() gives the rules' message) or -2 (no reply;
// EOT was sent).
ExchangeOutcome ExecuteCommand(LinkContext &link, const QByteArray &frame, Reply &reply);

// True while an exchange (or the link test or scan probe) is on the line.
// The script runner never starts a step then.
bool exchangeInProgress();

// Marks the line busy for its lifetime: user input is refused (Escape stops
// the wait) and the activity, if any, is told.
class ExchangeScope
{
public:
    explicit ExchangeScope(LineActivity *activity = nullptr);
    ExchangeScope(const ExchangeScope &) = delete;
    ExchangeScope &operator=(const ExchangeScope &) = delete;

private:
    LineBusy m_busy;
};

// Log helpers shared with the link test.
QString hexSpaced(const QByteArray &bytes);  // "F2 00 " ...
// The line the log gets when the operator stops a wait, and the trace's event.
QString stoppedLogLine();
QString stoppedEventText();

}  // namespace mdq
