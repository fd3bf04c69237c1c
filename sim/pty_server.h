#pragma once
// The virtual reader's end of a pseudo terminal (POSIX only). The host opens the
// slave device like a serial port; this side reads the master on its own
// thread, hands what arrives to a responder and sends the answers back, each
// after its pause.
//
// The server keeps a slave descriptor open itself, so the master never sees a
// hang-up when the host closes and reopens the port. With pacing on, both
// directions take their wire time at the set baud rate (10 bits a byte): an
// answer starts no sooner than the host's bytes would all be in (plus its
// pause), and byte k of an answer starting at t0 goes out no sooner than
// t0 + (k + 1) byte times, timed from t0 on the monotonic clock so that a late
// wake-up never makes the following bytes early. Bytes from a host whose line
// speed differs from that rate are dropped as the garbage they would be on a
// real line, so the host gets no answer. Linux reports the host's speed
// setting through the master, which is read for every chunk that arrives.

#include "line_protocol.h"

#include <QString>
#include <atomic>
#include <functional>
#include <thread>

namespace sim {

class PtyServer
{
public:
    // Runs on the server thread.
    using Responder = std::function<QList<Transmission>(const QByteArray &fromHost)>;

    PtyServer() = default;
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    bool start(Responder responder, QString *error);
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    QString devicePath() const { return m_devicePath; }

    // Thread-safe; takes effect with the next byte.
    void setLine(int baud, bool pace);

    // The line speed the host has set, or 0 when it is not a known rate.
    int hostBaud() const;

    static int baudFromSpeed(unsigned speed);
    static unsigned speedFromBaud(int baud);

private:
    bool openPty(QString *error);
    void closeAll();
    void serve();

    Responder m_responder;
    QString m_devicePath;
    int m_master = -1;
    int m_slave = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<int> m_baud{9600};
    std::atomic<bool> m_pace{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace sim
