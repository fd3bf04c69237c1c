#pragma once
// The host's side of the pty in tests: the slave device opened with plain
// POSIX calls in raw mode, as a serial port would be.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

class HostPort
{
public:
    explicit HostPort(const QString &device, speed_t speed = B9600)
    {
        m_fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd >= 0)
            setSpeed(speed);
    }
    ~HostPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HostPort(const HostPort &) = delete;
    HostPort &operator=(const HostPort &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool setSpeed(speed_t speed)
    {
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    bool send(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    void discardInput() { tcflush(m_fd, TCIFLUSH); }

    // Reads until one byte and a whole frame after it have arrived (ACK and
    // reply), or until timeoutMs passes; returns what arrived.
    QByteArray readAnswer(int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (!answerComplete(got)) {
            const int left = timeoutMs - int(timer.elapsed());
            if (left <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                break;
            char buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, int(n));
        }
        return got;
    }

private:
    static bool answerComplete(const QByteArray &got)
    {
        if (got.size() < 5)
            return false;
        const int len = quint8(got[3]) * 256 + quint8(got[4]);
        return got.size() >= 1 + len + 6;
    }

    int m_fd = -1;
};

}  // namespace simtest
