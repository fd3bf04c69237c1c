#pragma once
// A clock that only moves when the code under test waits: time limits of
// seconds are tested in microseconds.

#include "platform/clock.h"

namespace mdqtest {

class FakeClock : public mdq::Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void sleepMs(int ms) override { m_now += ms; m_slept += ms; }
    void setNow(qint64 ms) { m_now = ms; }
    qint64 slept() const { return m_slept; }

private:
    qint64 m_now = 1'000'000;  // not zero: nothing may assume time starts at 0
    qint64 m_slept = 0;
};

}  // namespace mdqtest
