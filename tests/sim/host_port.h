#pragma once
// The host's side of the pty in tests: the slave device opened as a serial
// port (Qt's own, not the tool's), raw, at the given speed.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QSerialPort>

namespace simtest {

class HostPort
{
public:
    explicit HostPort(const QString &device, qint32 baud = 9600)
    {
        m_port.setPortName(device);
        if (m_port.open(QIODevice::ReadWrite))
            m_port.setBaudRate(baud);
    }
    bool isOpen() const { return m_port.isOpen(); }
    bool setSpeed(qint32 baud) { return m_port.setBaudRate(baud); }
    bool send(const QByteArray &bytes) { return m_port.write(bytes) == bytes.size() && m_port.waitForBytesWritten(5000); }
    void discardInput() { m_port.clear(QSerialPort::Input); }

    // Reads until one byte and a whole frame after it have arrived (ACK and
    // reply), or until timeoutMs passes; returns what arrived.
    QByteArray readAnswer(int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        auto complete = [&got] { return got.size() >= 5 && got.size() >= quint8(got[3]) * 256 + quint8(got[4]) + 7; };
        while (!complete() && timer.elapsed() < timeoutMs && m_port.waitForReadyRead(int(timeoutMs - timer.elapsed())))
            got += m_port.readAll();
        return got;
    }

    // For each of count bytes (or those within timeoutMs): clock's ns when the read bringing it returned.
    QList<qint64> readArrivals(int count, int timeoutMs, const QElapsedTimer &clock)
    {
        QList<qint64> times;
        const qint64 endNs = clock.nsecsElapsed() + qint64(timeoutMs) * 1'000'000;
        while (times.size() < count && clock.nsecsElapsed() < endNs
               && m_port.waitForReadyRead(int((endNs - clock.nsecsElapsed()) / 1'000'000) + 1)) {
            const qint64 n = m_port.readAll().size();
            const qint64 at = clock.nsecsElapsed();
            for (qint64 i = 0; i < n; ++i)
                times.append(at);
        }
        return times;
    }

private:
    QSerialPort m_port;
};

}  // namespace simtest
