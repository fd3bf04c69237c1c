#pragma once
// Monotonic time for the protocol's time limits. Unlike the time of day it
// never jumps, so a wait cannot break across midnight.

#include "platform/line_busy.h"

#include <QtGlobal>

namespace mdq {

// The real clocks may be read and slept on by several threads at once (the
// scan's workers).
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    // Lets ms milliseconds pass without spinning the CPU (and, for the real
    // clock, while keeping the windows painted).
    virtual void sleepMs(int ms) = 0;
};

class SystemClock : public Clock
{
public:
    qint64 nowMs() const override;
    void sleepMs(int ms) override;
};

}  // namespace mdq
