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

// One answer on its way out: bytes, the pause before them, how far it got.
struct Outgoing
{
    Transmission t;
    int sent = 0;
    bool started = false;
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
    Clock::time_point nextByte = Clock::now();  // earliest time the next byte may go out
    char buffer[4096];

    while (!m_stopping) {
        const Clock::time_point now = Clock::now();

        if (!queue.empty() && !queue.front().started) {
            Outgoing &head = queue.front();
            head.started = true;
            nextByte = std::max(nextByte, now) + std::chrono::milliseconds(head.t.delayMs);
        }
        const bool haveOutput = !queue.empty();
        const bool due = haveOutput && now >= nextByte;

        pollfd fds[2] = {{m_master, short(POLLIN | (due ? POLLOUT : 0)), 0}, {m_wakeRead, POLLIN, 0}};
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        if (haveOutput && !due) {
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(nextByte - now).count();
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
            const bool lineMatches = !m_pace || hostBaud() == m_baud;
            if (n > 0 && lineMatches) {
                if (m_pace) {
                    // The host's bytes take their wire time to arrive: nothing
                    // goes back before the last of them would be in.
                    const auto inTime = std::chrono::nanoseconds(10'000'000'000LL / std::max(1, int(m_baud))) * n;
                    nextByte = std::max(nextByte, Clock::now() + inTime);
                }
                for (const Transmission &t : m_responder(QByteArray(buffer, int(n))))
                    queue.push_back(Outgoing{t});
            }
        }

        if (!queue.empty() && queue.front().started && Clock::now() >= nextByte) {
            Outgoing &head = queue.front();
            const int remaining = int(head.t.bytes.size()) - head.sent;
            const bool pace = m_pace;  // read now: the line may have changed while waiting
            const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / std::max(1, int(m_baud)));
            int count = remaining;
            if (pace) {
                const auto behind = Clock::now() - nextByte;
                count = int(std::min<long long>(remaining, 1 + behind / byteTime));
            }
            const ssize_t written = count > 0 ? write(m_master, head.t.bytes.constData() + head.sent, count) : 0;
            if (written > 0) {
                head.sent += int(written);
                nextByte = pace ? nextByte + byteTime * written : Clock::now();
            }
            if (head.sent >= head.t.bytes.size())
                queue.pop_front();
        }
    }
}

}  // namespace sim
