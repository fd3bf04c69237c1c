#include "platform/qt_serial_port.h"

#include "platform/clock.h"
#include "platform/line_busy.h"
#include "platform/port_map.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace mdq {

QtSerialPort::QtSerialPort(const PortMap &map) : m_map(map)
{
    m_port.setReadBufferSize(ReadBufferLimit);
    QObject::connect(&m_port, &QSerialPort::readyRead, [this] { dropIdleInput(); });
    // An unplugged adapter is noticed at once while idle; the timer catches
    // devices that vanish without a word (a pty's link removed, say).
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
        if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && m_dropIdle && !LineBusy::active())
            QTimer::singleShot(0, &m_watch, [this] { watch(); });
    });
    m_watch.setInterval(WatchIntervalMs);
    QObject::connect(&m_watch, &QTimer::timeout, [this] { watch(); });
}

QString QtSerialPort::identity() const
{
    return m_device.isEmpty() ? QString() : m_directory.identify(m_device).binding();
}

void QtSerialPort::markLost()
{
    m_lost = m_device;
    closeHandle();
    if (m_watcher)
        m_watcher(LinkChange::Lost);
}

void QtSerialPort::watch()
{
    if (m_port.isOpen()) {
        // During an exchange the waits find out for themselves.
        if (LineBusy::active())
            return;
        const bool gone = !QFileInfo::exists(m_openedPath) || m_port.error() == QSerialPort::ResourceError
                          || m_port.error() == QSerialPort::ReadError;
        if (gone)
            markLost();
        return;
    }
    if (m_lost.isEmpty()) {
        m_watch.stop();
        return;
    }
    // Lost: the same binding (or path) leading to a device again brings it back.
    const QString device = m_directory.resolve(m_map.device(m_portNumber));
    if (device.isEmpty() || !QFileInfo::exists(device) || LineBusy::active())
        return;
    const QString lost = m_lost;
    if (open(m_portNumber, m_baud) != OpenError::None) {
        m_lost = lost;  // not ready yet: try again on the next tick
        m_watch.start();
        return;
    }
    if (m_watcher)
        m_watcher(LinkChange::Returned);
}

void QtSerialPort::dropIdleInput()
{
    // During an exchange (or the link test, or the scan) the waits read.
    if (!m_dropIdle || LineBusy::active() || !m_port.isOpen())
        return;
    const qint64 n = m_port.bytesAvailable();
    if (n <= 0)
        return;
    m_port.skip(n);
    m_idleDiscarded += n;
    if (m_idleHandler)
        m_idleHandler(m_idleDiscarded);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

SerialPort::PortMaker QtSerialPort::probePortMaker() const
{
    // Reads only the port map, which nobody changes during a scan.
    return [map = &m_map]() -> std::unique_ptr<SerialPort> {
        auto port = std::make_unique<QtSerialPort>(*map);
        port->m_dropIdle = false;
        return port;
    };
}

QString QtSerialPort::deviceName() const
{
    if (!m_device.isEmpty() && (m_port.isOpen() || !m_lost.isEmpty()))
        return m_device;
    return deviceFor(m_portNumber);
}

QString QtSerialPort::deviceFor(int portNumber) const
{
    const QString wanted = m_map.device(portNumber);
    if (!PortDirectory::isBinding(wanted))
        return wanted;
    const QString device = m_directory.resolve(wanted);
    return device.isEmpty() ? wanted : device;
}

OpenError QtSerialPort::open(int portNumber, qint32 baud)
{
    close();
    m_portNumber = portNumber;
    m_errorText.clear();
    const QString wanted = m_map.device(portNumber);
    const QString device = m_directory.resolve(wanted);
    if (device.isEmpty()) {
        m_errorText = wanted.isEmpty() ? QStringLiteral("no device for COM%1").arg(portNumber)
                                       : QStringLiteral("%1: no such adapter is attached").arg(wanted);
        return OpenError::NotFound;
    }
#ifdef Q_OS_UNIX
    // Qt reports a busy port and a forbidden one alike; tell them apart here.
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), F_OK) != 0) {
        m_errorText = QStringLiteral("%1 does not exist").arg(device);
        return OpenError::NotFound;
    }
    if (::access(path.constData(), R_OK | W_OK) != 0) {
        m_errorText = QStringLiteral("no permission to open %1").arg(device);
        return OpenError::NoPermission;
    }
#endif
    m_port.setPortName(device);
    const bool opened = m_port.open(QIODevice::ReadWrite);
    if (!opened || m_port.error() != QSerialPort::NoError) {
        const auto error = m_port.error();
        m_errorText = m_port.errorString();
        if (m_port.isOpen())
            m_port.close();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError: return OpenError::NotFound;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError: return OpenError::InUse;
        default:
            // Qt's words ("Inappropriate ioctl for device") do not say what is wrong.
            m_errorText = QFileInfo(device).isDir() ? QStringLiteral("%1 is a folder, not a serial device").arg(device)
                                                    : QStringLiteral("%1 is not a serial device").arg(device);
            return OpenError::Other;
        }
    }
    if (!m_port.setBaudRate(baud) || !m_port.setDataBits(QSerialPort::Data8)
        || !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_errorText = m_port.errorString();
        m_port.close();
        m_port.clearError();
        return OpenError::Other;
    }
    m_baud = baud;
    m_openedPath = device;
    m_device = QFileInfo(device).canonicalFilePath();
    if (m_device.isEmpty())
        m_device = device;
    // Bytes that arrived before the open would otherwise be taken for a reply.
    discardBuffers();
    // Watched on the user-interface thread only; a scan's probe ports are not.
    if (m_dropIdle && QThread::currentThread() == m_watch.thread())
        m_watch.start();
    return OpenError::None;
}

void QtSerialPort::close()
{
    m_lost.clear();
    m_watch.stop();
    closeHandle();
}

void QtSerialPort::closeHandle()
{
    if (!m_port.isOpen())
        return;
    // A pty (or a vanished adapter) may refuse the modem lines; closing goes on.
    m_port.setRequestToSend(false);
    m_port.setDataTerminalReady(false);
    m_port.close();
    m_port.clearError();
}

bool QtSerialPort::healthy()
{
    if (!m_port.isOpen())
        return false;
    switch (m_port.error()) {
    case QSerialPort::NoError:
        return true;
    case QSerialPort::TimeoutError:
        m_port.clearError();
        return true;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // The device went away: reading will never work again on this handle.
        // A pty whose far end closed reads as end of file, which Qt reports
        // as a read error rather than a resource error.
        m_errorText = m_port.errorString();
        markLost();
        return false;
    default:
        m_errorText = m_port.errorString();
        m_port.clearError();
        return true;
    }
}

bool QtSerialPort::discardBuffers()
{
    if (!healthy())
        return false;
    m_port.waitForReadyRead(0);
    m_port.clearError();
    m_port.clear(QSerialPort::AllDirections);
    m_port.readAll();
    return healthy();
}

bool QtSerialPort::write(const QByteArray &bytes)
{
    if (!healthy())
        return false;
    if (m_port.write(bytes) != bytes.size())
        return false;
    // Hand the bytes to the driver now: the reader's time limits start at once.
    QElapsedTimer t;
    t.start();
    while (m_port.bytesToWrite() > 0 && t.elapsed() < 2000) {
        if (!m_port.waitForBytesWritten(20) && !healthy())
            return false;
    }
    return healthy();
}

int QtSerialPort::bytesWaiting()
{
    if (!healthy())
        return -1;
    // Qt's buffer only grows inside waitFor*/the event loop: pull what the driver has.
    m_port.waitForReadyRead(0);
    if (!healthy())
        return -1;
    return int(qMin<qint64>(m_port.bytesAvailable(), 1 << 30));
}

bool QtSerialPort::read(int n, QByteArray *out)
{
    if (!healthy())
        return false;
    *out = n > 0 ? m_port.read(n) : m_port.readAll();
    return healthy();
}

void QtSerialPort::waitForData(int ms)
{
    if (!healthy())
        return;
    QElapsedTimer t;
    t.start();
    const qint64 before = m_port.bytesAvailable();
    while (t.elapsed() < ms) {
        const int slice = int(qMin<qint64>(ms - t.elapsed(), 20));
        const bool got = m_port.waitForReadyRead(qMax(slice, 1));
        keepWindowsPainted();
        if (!healthy())
            return;
        if (got || m_port.bytesAvailable() > before)
            return;
    }
}

}  // namespace mdq
