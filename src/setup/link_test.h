#pragma once
// The connection check run by OK in the settings window: one status request
// with its own 3-second stages, logged like an exchange but without wrapping.

#include <QString>

namespace mdq {

class Clock;
class SerialPort;
struct LinkContext;

// Waits, sleeping on the port, until `count` bytes are waiting or limitMs have
// passed. True when they arrived; false on timeout or a port fault.
bool waitForBytes(SerialPort &port, Clock &clock, int count, int limitMs);

// "OK" when a reader answered, "ERROR" when not, "" for a well-formed reply
// whose first byte is neither 'P' nor 'N' (OK counts that as a pass).
QString IRUnitIfOk(LinkContext &link, quint8 address, bool recordData);

namespace limits {
constexpr int LinkTestStageMs = 3000;
}

}  // namespace mdq
