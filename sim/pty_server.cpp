#include "pty_server.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

struct SpeedEntry
{
    speed_t speed;
    int baud;
};

const SpeedEntry kSpeeds[] = {
    {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(strerror(errno)));
}

bool setCloseOnExec(int fd)
{
    return fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// When the last of `bytes` bytes started at `start` is complete on a line
// of `baud` (10 bits a byte), rounded up to the nanosecond: never early.
Clock::time_point wireEnd(Clock::time_point start, long long bytes, int baud)
{
    const long long perSecond = std::max(1, baud);
    return start + std::chrono::nanoseconds((bytes * 10'000'000'000LL + perSecond - 1) / perSecond);
}

// One answer on its way out. While paced, its bytes follow a schedule from
// `start`: byte `base + k` goes out no sooner than the wire time of k + 1
// bytes after it, at the rate `baud`.
struct Outgoing
{
    Transmission t;
    Clock::time_point readyAt;  // when the request it answers was all in
    int sent = 0;
    bool started = false;
    bool paced = false;
    int baud = 0;
    Clock::time_point start;
    int base = 0;

    Clock::time_point due() const { return paced ? wireEnd(start, sent - base + 1, baud) : start; }
};

}  // namespace

PtyServer::~PtyServer()
{
    stop();
}

int PtyServer::baudFromSpeed(unsigned speed)
{
    for (const auto &e : kSpeeds) {
        if (e.speed == speed)
            return e.baud;
    }
    return 0;
}

unsigned PtyServer::speedFromBaud(int baud)
{
    for (const auto &e : kSpeeds) {
        if (e.baud == baud)
            return e.speed;
    }
    return B9600;
}

void PtyServer::setLine(int baud, bool pace)
{
    m_baud = baud;
    m_pace = pace;
}

int PtyServer::hostBaud() const
{
    termios tio{};
    if (m_master < 0 || tcgetattr(m_master, &tio) != 0)
        return 0;
    return baudFromSpeed(cfgetospeed(&tio));
}

bool PtyServer::start(Responder responder, QString *error)
{
    if (isRunning()) {
        if (error)
            *error = QStringLiteral("already running");
        return false;
    }
    if (!openPty(error)) {
        closeAll();
        return false;
    }
    m_responder = std::move(responder);
    m_stopping = false;
    m_thread = std::thread([this] { serve(); });
    return true;
}

bool PtyServer::openPty(QString *error)
{
    auto fail = [error](const char *what) {
        if (error)
            *error = systemError(what);
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0)
        return fail("grantpt");
    if (unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_devicePath = QString::fromLocal8Bit(name);
    if (!setCloseOnExec(m_master) || fcntl(m_master, F_SETFL, O_NONBLOCK) != 0)
        return fail("fcntl");

    // Our own slave descriptor: keeps the line up between host sessions and
    // gives the line its raw settings before anyone opens it.
    m_slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, speedFromBaud(m_baud));
    cfsetospeed(&tio, speedFromBaud(m_baud));
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");

    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    return true;
}

void PtyServer::stop()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        const char b = 'x';
        [[maybe_unused]] ssize_t n = write(m_wakeWrite, &b, 1);
        m_thread.join();
    }
    closeAll();
}

void PtyServer::closeAll()
{
    for (int *fd : {&m_master, &m_slave, &m_wakeRead, &m_wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void PtyServer::serve()
{
    std::deque<Outgoing> queue;
    // Both directions of the line, each busy until its last byte is complete.
    Clock::time_point hostLineFree = Clock::now();
    Clock::time_point ourLineFree = hostLineFree;
    char buffer[4096];

    // Puts the answer at the head of the queue on its schedule at the line's
    // present setting.
    auto keepToLine = [this, &ourLineFree](Outgoing &head, Clock::time_point now) {
        const bool pace = m_pace;
        const int baud = m_baud;
        if (!head.started) {
            // An answer goes out once its request is in and the line is free,
            // after its pause.
            head.started = true;
            head.paced = pace;
            head.baud = baud;
            const auto from = pace ? std::max(head.readyAt, ourLineFree) : now;
            head.start = from + std::chrono::milliseconds(head.t.delayMs);
        } else if (head.paced != pace || head.baud != baud) {
            // The line changed under way: the rest keeps to the new setting
            // from the end of the byte that went out last.
            if (head.sent > head.base)
                head.start = head.paced ? wireEnd(head.start, head.sent - head.base, head.baud) : now;
            head.paced = pace;
            head.baud = baud;
            head.base = head.sent;
        }
    };

    while (!m_stopping) {
        Clock::time_point now = Clock::now();
        if (!queue.empty())
            keepToLine(queue.front(), now);
        const bool haveOutput = !queue.empty();
        const bool due = haveOutput && now >= queue.front().due();

        pollfd fds[2] = {{m_master, short(POLLIN | (due ? POLLOUT : 0)), 0}, {m_wakeRead, POLLIN, 0}};
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        if (haveOutput && !due) {
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(queue.front().due() - now).count();
            timeout.tv_sec = wait / 1'000'000'000;
            timeout.tv_nsec = wait % 1'000'000'000;
            timeoutPtr = &timeout;
        }
        if (ppoll(fds, 2, timeoutPtr, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            while (read(m_wakeRead, buffer, sizeof buffer) > 0) {
            }
            continue;  // re-check m_stopping
        }

        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            const bool pace = m_pace;  // read now: the line may have changed while waiting
            const int baud = m_baud;
            const bool lineMatches = !pace || hostBaud() == baud;
            if (n > 0 && lineMatches) {
                // The host's bytes take their wire time to come in, after any
                // still coming: what they ask for waits until the last is in.
                now = Clock::now();
                hostLineFree = pace ? wireEnd(std::max(hostLineFree, now), n, baud) : now;
                for (const Transmission &t : m_responder(QByteArray(buffer, int(n)))) {
                    queue.emplace_back();
                    queue.back().t = t;
                    queue.back().readyAt = hostLineFree;
                }
            }
        }

        if (queue.empty())
            continue;
        Outgoing &head = queue.front();
        now = Clock::now();
        keepToLine(head, now);
        if (now < head.due())
            continue;
        const int remaining = int(head.t.bytes.size()) - head.sent;
        int count = remaining;
        if (head.paced) {
            // Every byte whose time has come, none before (the loop may have
            // woken late: those go out together).
            count = 0;
            while (count < remaining && now >= wireEnd(head.start, head.sent - head.base + count + 1, head.baud))
                ++count;
        }
        const ssize_t written = count > 0 ? write(m_master, head.t.bytes.constData() + head.sent, count) : 0;
        if (written > 0)
            head.sent += int(written);
        if (head.sent >= head.t.bytes.size()) {
            ourLineFree = head.paced ? wireEnd(head.start, head.sent - head.base, head.baud) : Clock::now();
            queue.pop_front();
        }
    }
}

}  // namespace sim
