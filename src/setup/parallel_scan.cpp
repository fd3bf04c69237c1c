#include "setup/parallel_scan.h"

#include "link/execute_command.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "platform/clock.h"

#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace mdq {

namespace {
constexpr int kSliceMs = 10;
constexpr qint64 kHourMs = 3'600'000;

// A worker's time: the tool's clock, until the worker is stopped. From then
// on every look at the clock is an hour after the one before, so every wait,
// begun or under way, is over at its next look, and sleeps return at once.
class StoppableClock : public Clock
{
public:
    StoppableClock(Clock &base, const std::atomic<bool> &stop) : m_base(base), m_stop(stop) {}

    qint64 nowMs() const override
    {
        if (m_stop.load())
            m_skipped += kHourMs;
        return m_base.nowMs() + m_skipped;
    }
    void sleepMs(int ms) override
    {
        const qint64 end = m_base.nowMs() + ms;
        for (qint64 left = ms; left > 0 && !m_stop.load(); left = end - m_base.nowMs())
            m_base.sleepMs(int(qMin<qint64>(left, kSliceMs)));
    }

private:
    Clock &m_base;
    const std::atomic<bool> &m_stop;
    mutable qint64 m_skipped = 0;  // only ever read and written by its worker
};

struct PortJob
{
    int port = 0;
    std::atomic<bool> stop{false};
    // Guarded by Board::mutex:
    qint32 baud = 0;  // the rate being probed; 0 before the first open
    bool done = false;
    bool opened = false;  // some rate opened
    ScanResult hit;
};

struct Board
{
    std::mutex mutex;
    std::condition_variable changed;
    std::array<PortJob, limits::ScanLastPort - limits::ScanFirstPort + 1> jobs;

    template <class Change>
    void update(Change change)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            change();
        }
        changed.notify_all();
    }
};

// One worker: its ports one after another (several COM numbers may stand for
// one device, which only one port object can hold at a time), each as the
// walk does it.
void probePorts(Board &board, const std::vector<PortJob *> &jobs, const SerialPort::PortMaker &makePort,
                Clock &shared, const QList<quint8> &addresses)
{
    const std::unique_ptr<SerialPort> port = makePort();  // made here: it belongs to this thread
    SharedState state;  // this worker's CommOpenOk
    for (PortJob *job : jobs) {
        StoppableClock clock(shared, job->stop);
        ScanResult hit;
        bool opened = false;
        for (const qint32 baud : ScanBauds) {
            for (const quint8 address : addresses) {
                if (job->stop)
                    break;
                if (!OpenComm(*port, state, job->port, baud))
                    break;  // the next baud rate, as in the walk
                opened = true;
                board.update([&] { job->baud = baud; });
                const bool answered = probeReader(*port, clock, address);
                port->close();
                if (answered) {
                    hit = {job->port, baud, address};
                    break;
                }
            }
            if (hit.found() || job->stop)
                break;
        }
        board.update([&] {
            job->hit = hit;
            job->opened = opened;
            job->done = true;
        });
    }
}

// COM numbers standing for the same device share one worker.
QString deviceKey(const SerialPort &port, int portNumber)
{
    const QString device = port.deviceFor(portNumber);
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return device.isEmpty() ? QStringLiteral("COM%1").arg(portNumber) : device;
}
}  // namespace

ScanResult scanInParallel(LinkContext &link, const SerialPort::PortMaker &makePort, const ScanOptions &options)
{
    SharedState &state = link.state;
    LineActivity *activity = link.activity;
    state.CommOpenOk = false;
    // A worker may need the device the tool holds.
    if (link.port.isOpen())
        link.port.close();
    const QList<quint8> addresses = scanAddresses(options);

    Board board;
    std::vector<std::pair<QString, std::vector<PortJob *>>> groups;
    for (int i = 0; i < int(board.jobs.size()); ++i) {
        PortJob &job = board.jobs[size_t(i)];
        job.port = limits::ScanFirstPort + i;
        const QString key = deviceKey(link.port, job.port);
        auto it = std::find_if(groups.begin(), groups.end(), [&key](const auto &g) { return g.first == key; });
        if (it == groups.end())
            groups.push_back({key, {&job}});
        else
            it->second.push_back(&job);
    }
    std::vector<std::unique_ptr<QThread>> workers;
    for (const auto &group : groups) {
        workers.emplace_back(QThread::create(probePorts, std::ref(board), group.second, std::cref(makePort),
                                             std::ref(link.clock), std::cref(addresses)));
        workers.back()->start();
    }

    ScanResult result;
    int shownPort = 0;
    qint32 shownBaud = 0;
    std::unique_lock<std::mutex> lock(board.mutex);
    for (;;) {
        const PortJob *busy = nullptr;  // the lowest port still being probed
        const PortJob *hit = nullptr;   // the lowest port that answered
        for (const PortJob &job : board.jobs) {
            if (!job.done && !busy)
                busy = &job;
            if (job.done && job.hit.found() && !hit)
                hit = &job;
        }
        if (hit && (!busy || busy->port > hit->port)) {
            result = hit->hit;
            break;
        }
        if (!busy)
            break;
        if (activity && activity->stopRequested()) {
            result.stopped = true;
            break;
        }
        if (hit)
            for (PortJob &job : board.jobs)
                if (job.port > hit->port)
                    job.stop = true;
        const int port = busy->port;
        const qint32 baud = busy->baud;
        lock.unlock();
        if (baud && (port != shownPort || baud != shownBaud)) {
            shownPort = port;
            shownBaud = baud;
            if (activity)
                activity->update(QStringLiteral("Scanning COM%1 at %2 baud...").arg(port).arg(baud));
            if (options.progress)
                options.progress(port, baud);
        }
        keepWindowsPainted();
        lock.lock();
        board.changed.wait_for(lock, std::chrono::milliseconds(kSliceMs));
    }
    for (PortJob &job : board.jobs)
        job.stop = true;
    lock.unlock();
    for (const auto &worker : workers)
        worker->wait();

    // Left open where it was found, on the tool's own port, as the walk leaves it.
    if (result.found() && OpenComm(link.port, state, result.port, result.baud)) {
        state.CommTestOk = true;
        return result;
    }
    const bool stopped = result.stopped;
    result = {};
    result.stopped = stopped;
    state.CommOpenOk = false;
    if (std::any_of(board.jobs.begin(), board.jobs.end(), [](const PortJob &job) { return job.opened; }))
        state.CommTestOk = false;
    return result;
}

}  // namespace mdq
