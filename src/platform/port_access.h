#pragma once
// What the operator is told when a serial device exists but may not be opened
// for lack of permission. The usual cure is membership of the group that owns
// the device. A device owned by a system group (gid 0, or a group that hands
// out administration or other users' terminals) gets a udev rule instead:
// joining such a group to reach one serial port would give away far more.

#include <QString>
#include <QtGlobal>
#include <optional>

namespace mdq {

// What the system says about a device node.
struct DeviceAccessFacts
{
    struct UsbId
    {
        quint16 vendor = 0;
        quint16 product = 0;
    };

    QString group;               // the owning group's name; empty when unknown
    std::optional<uint> gid;     // the owning group's id, when known
    QString kernelName;          // the node's own name, links resolved: "ttyUSB0"
    std::optional<UsbId> usbId;  // USB adapters only
};

// Looks the device up: its owner, the node a link leads to, the adapter's
// USB ids (as PortDirectory identifies it).
DeviceAccessFacts deviceAccessFacts(const QString &device);

// The advice for a device with these facts ...
QString noPermissionAdvice(const QString &device, const DeviceAccessFacts &facts);
// ... and with what the system says about it.
QString noPermissionAdvice(const QString &device);

}  // namespace mdq
