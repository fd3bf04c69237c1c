#pragma once
// One complete exchange with the reader: send the frame, wait for ACK, read
// the reply header and body, acknowledge, log every byte. Synchronous, as the
// windows expect, but the waits sleep on the port instead of spinning.

#include "link/reply.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QString>

namespace mdq {

class Clock;
class Prompter;
class SerialPort;
class TrafficLog;
struct SharedState;

namespace limits {
constexpr int AckMs = 3000;
constexpr int HeaderMs = 6000;
constexpr int BodyMs = 6000;
constexpr int AfterEotMs = 3000;
}  // namespace limits

namespace text {
QString unitNotDetected();  // the five-line "Unit not detected" message
QString dataError();        // "Error:Please Check The Data Effective"
QString portSetupFirst();   // "Comm. Port Setup First"
QString caution();          // "Caution"
}  // namespace text

// Everything the engine and the handlers reach through the main window.
struct LinkContext
{
    SerialPort &port;
    Clock &clock;
    Prompter &prompter;
    TrafficLog &log;
    SharedState &state;
};

enum ExchangeResult : int { ExchangeOk = 0, ExchangeFailed = -1, ExchangeNoReply = -2 };

// Returns 0 (reply copied, or port not opened: then the reply is untouched),
// -1 (failure, already reported) or -2 (no reply; EOT was sent).
int ExecuteCommand(LinkContext &link, const QByteArray &frame, Reply &reply);

// True while an exchange (or the link test or scan probe) is on the line.
// The script runner never starts a step then.
bool exchangeInProgress();

class ExchangeScope
{
public:
    ExchangeScope();
    ~ExchangeScope();
    ExchangeScope(const ExchangeScope &) = delete;
    ExchangeScope &operator=(const ExchangeScope &) = delete;

private:
    LineBusy m_busy;
};

// Log helpers shared with the link test.
QString hexSpaced(const QByteArray &bytes);  // "F2 00 " ...

}  // namespace mdq
