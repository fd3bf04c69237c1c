#pragma once

#include "platform/serial_port.h"

#include <QSerialPort>

namespace mdq {

class PortMap;

// SerialPort over QSerialPort; COM numbers are resolved through a PortMap.
class QtSerialPort : public SerialPort
{
public:
    explicit QtSerialPort(const PortMap &map);
    ~QtSerialPort() override;

    OpenError open(int portNumber, qint32 baud) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    int portNumber() const override { return m_portNumber; }
    qint32 baudRate() const override { return m_baud; }
    QString deviceName() const override;
    QString deviceFor(int portNumber) const override;
    bool discardBuffers() override;
    bool write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    bool read(int n, QByteArray *out) override;
    void waitForData(int ms) override;
    QString errorText() const override { return m_errorText; }
    void setIdleInputHandler(std::function<void(qint64)> handler) override { m_idleHandler = std::move(handler); }
    PortMaker probePortMaker() const override;

    // The most Qt may buffer: the largest reply (LEN 65535 + 6 bytes) fits.
    static constexpr qint64 ReadBufferLimit = 128 * 1024;

private:
    bool healthy();
    void dropIdleInput();
    const PortMap &m_map;
    QSerialPort m_port;
    int m_portNumber = 0;
    qint32 m_baud = 0;
    QString m_errorText;
    qint64 m_idleDiscarded = 0;
    std::function<void(qint64)> m_idleHandler;
    bool m_dropIdle = true;  // off for probe ports, which run on worker threads
};

}  // namespace mdq
