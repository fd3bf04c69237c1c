#include "platform/clock.h"

#include <QThread>
#include <chrono>

namespace mdq {

qint64 SystemClock::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMs(int ms)
{
    const qint64 end = nowMs() + ms;
    for (qint64 left = ms; left > 0; left = end - nowMs()) {
        QThread::msleep(ulong(qMin<qint64>(left, 20)));
        keepWindowsPainted();
    }
}

}  // namespace mdq
