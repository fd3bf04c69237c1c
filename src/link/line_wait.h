#pragma once
// Waiting for bytes from the reader, written once for the engine, the link
// test and the scan probe: sleeps on the port in short slices (the windows
// stay painted), never spins, and ends early when the operator stops it.

#include <QtGlobal>

namespace mdq {

class Clock;
class LineActivity;
class SerialPort;

enum class WaitStatus {
    Arrived,   // at least `count` bytes are waiting
    TimedOut,  // the limit passed first
    Fault,     // the port failed (closed underneath, device gone)
    Stopped,   // the operator asked the wait to stop
};

struct WaitResult
{
    WaitStatus status;
    int waiting;  // bytes waiting when the wait ended (0 on a fault)
};

// The limit counts from the start of this wait. `activity` may be null.
WaitResult waitForBytes(SerialPort &port, Clock &clock, int count, int limitMs, const LineActivity *activity = nullptr);

}  // namespace mdq
