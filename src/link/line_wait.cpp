#include "link/line_wait.h"

#include "link/line_activity.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace mdq {

WaitResult waitForBytes(SerialPort &port, Clock &clock, int count, int limitMs, const LineActivity *activity)
{
    const qint64 deadline = clock.nowMs() + limitMs;
    for (;;) {
        const int waiting = port.bytesWaiting();
        if (waiting < 0)
            return {WaitStatus::Fault, 0};
        if (waiting >= count)
            return {WaitStatus::Arrived, waiting};
        if (activity && activity->stopRequested())
            return {WaitStatus::Stopped, waiting};
        const qint64 left = deadline - clock.nowMs();
        if (left <= 0)
            return {WaitStatus::TimedOut, waiting};
        port.waitForData(int(qMin<qint64>(left, 50)));
    }
}

}  // namespace mdq
