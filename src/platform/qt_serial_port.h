#pragma once

#include "platform/port_directory.h"
#include "platform/serial_port.h"

#include <QSerialPort>
#include <QTimer>

namespace mdq {

class PortMap;

// SerialPort over QSerialPort; COM numbers are resolved through a PortMap,
// whose entries may be devices, by-id links or USB bindings ("usb:SERIAL").
// On the user-interface thread an open port's device is watched: when it
// disappears the port is closed and reported lost; when a device with the
// same binding (or at the same path) appears again, it is reopened with the
// same settings and reported back. The watch costs a stat twice a second.
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
    void setLinkWatcher(std::function<void(LinkChange)> watcher) override { m_watcher = std::move(watcher); }
    QString lostDevice() const override { return m_lost; }
    QString identity() const override;

    // How often the device is looked for while open or lost.
    static constexpr int WatchIntervalMs = 400;
    PortMaker probePortMaker() const override;

    // The most Qt may buffer: the largest reply (LEN 65535 + 6 bytes) fits.
    static constexpr qint64 ReadBufferLimit = 128 * 1024;

private:
    bool healthy();
    void dropIdleInput();
    void closeHandle();
    void watch();
    void markLost();
    const PortMap &m_map;
    PortDirectory m_directory;
    QSerialPort m_port;
    QTimer m_watch;
    QString m_device;      // the device the open port (or the lost one) is on
    QString m_openedPath;  // the path it was opened by (a link may vanish first)
    QString m_lost;
    std::function<void(LinkChange)> m_watcher;
    int m_portNumber = 0;
    qint32 m_baud = 0;
    QString m_errorText;
    qint64 m_idleDiscarded = 0;
    std::function<void(qint64)> m_idleHandler;
    bool m_dropIdle = true;  // off for probe ports, which run on worker threads
};

}  // namespace mdq
