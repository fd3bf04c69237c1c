#pragma once
// Monotonic time for the protocol's time limits. Unlike the time of day it
// never jumps, so a wait cannot break across midnight.

#include <QtGlobal>

namespace mdq {

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

// Lets the window system repaint while refusing user input; a no-op without
// an application object. Used by every wait on the line.
void keepWindowsPainted();

// While a LineBusy scope is alive, keepWindowsPainted() drops the operator's
// clicks, keys and window closes instead of queueing them for later: a click
// made during a 12-second wait must not fire a second command afterwards.
class LineBusy
{
public:
    LineBusy();
    ~LineBusy();
    LineBusy(const LineBusy &) = delete;
    LineBusy &operator=(const LineBusy &) = delete;
    static bool active();
};

}  // namespace mdq
