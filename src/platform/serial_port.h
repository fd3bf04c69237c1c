#pragma once
// The serial line as the link layer sees it. One implementation drives real
// devices (and ptys) through Qt's serial port; tests use a scripted fake.

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace mdq {

enum class OpenError {
    None,
    NotFound,      // no such port (the "8002" case)
    InUse,         // held by another program (the "8005" case)
    NoPermission,  // exists, but this user may not open it
    Other,
};

// What happened to an open port's device while nobody asked.
enum class LinkChange {
    Lost,      // the device went away (unplugged): the port is closed
    Returned,  // a device with the same identity came back and was reopened
};

class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Opens COM<portNumber> at baud, 8N1, no flow control, and empties both
    // buffers. Any port already open in this object is closed first.
    virtual OpenError open(int portNumber, qint32 baud) = 0;
    // RTS and DTR off, then close. Never fails as far as the caller can tell.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The COM number last asked for (0 before any open).
    virtual int portNumber() const = 0;
    // The line speed of the last successful open.
    virtual qint32 baudRate() const = 0;
    // The device COM<portNumber> stands for, for messages.
    virtual QString deviceName() const = 0;
    // The device any COM number stands for here (before it is opened).
    virtual QString deviceFor(int portNumber) const = 0;

    // The following return false (or -1) on a run-time fault: the port is
    // closed, or the device went away.
    virtual bool discardBuffers() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual int bytesWaiting() = 0;
    // Reads up to n bytes, or everything waiting when n <= 0.
    virtual bool read(int n, QByteArray *out) = 0;
    // Blocks until more data may be waiting or ms have passed. Implementations
    // keep the user interface painted while they wait.
    virtual void waitForData(int ms) = 0;

    virtual QString errorText() const = 0;

    // Bytes that arrive while no command is on the line answer nothing: they
    // are read and dropped as they come (so a chattering device cannot fill
    // memory), and `handler` is told the running total. Ports that cannot
    // receive unasked may ignore this.
    virtual void setIdleInputHandler(std::function<void(qint64 totalDiscarded)> handler) { Q_UNUSED(handler); }

    // Ports that can tell: the device of the open port disappeared, or came
    // back. While lost, lostDevice() names it; it is empty otherwise.
    virtual void setLinkWatcher(std::function<void(LinkChange)> watcher) { Q_UNUSED(watcher); }
    virtual QString lostDevice() const { return {}; }
    // How the open port's device can be found again after a replug
    // ("usb:A12345"), empty when nothing identifies it beyond its name.
    virtual QString identity() const { return {}; }
    // Makes independent ports of this kind on the same COM numbering, so that
    // several ports can be probed at once (the scan). The maker may be called
    // on any thread; a port it makes belongs to the thread that made it, keeps
    // every byte it receives (nothing is dropped as idle input) and never
    // touches the windows. Empty when this kind of port cannot be duplicated.
    using PortMaker = std::function<std::unique_ptr<SerialPort>()>;
    virtual PortMaker probePortMaker() const { return {}; }
};

}  // namespace mdq
