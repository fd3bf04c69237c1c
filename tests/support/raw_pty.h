#pragma once
// The far end of a pseudo-terminal for tests that play a misbehaving device:
// a raw master whose slave a PortMap can name as COM1.

#include <QString>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace mdqtest {

class RawPty
{
public:
    explicit RawPty(int extraFlags = 0)
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | extraFlags);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            return;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_fd, TCSANOW, &t);
        m_slave = QString::fromLocal8Bit(::ptsname(m_fd));
    }
    ~RawPty()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawPty(const RawPty &) = delete;
    RawPty &operator=(const RawPty &) = delete;

    bool isOpen() const { return !m_slave.isEmpty(); }
    int fd() const { return m_fd; }
    QString slave() const { return m_slave; }

private:
    int m_fd = -1;
    QString m_slave;
};

}  // namespace mdqtest
