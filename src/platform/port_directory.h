#pragma once
// What is attached where. USB serial adapters come back under another
// ttyUSBn after a replug or a reboot; what stays is their identity: the USB
// serial number (else vendor:product and where they are plugged in), which
// the system also shows as a name under /dev/serial/by-id. A COM number can
// be bound to that identity instead of a device file:
//   usb:SERIAL     the adapter with that USB serial number
//   usb:VID:PID    the (first) adapter with those USB ids, in hex
//   a by-id path   /dev/serial/by-id/usb-..., followed to its device
// and is resolved to whichever device has it when the port is opened.

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <optional>

namespace mdq {

class PortMap;

struct PortIdentity
{
    QString device;        // e.g. /dev/ttyUSB0 (links followed)
    bool attached = false; // the device file exists
    QString description;
    QString manufacturer;
    QString serialNumber;  // USB serial number, may be empty
    quint16 vendorId = 0;  // 0: not a USB device, or unknown
    quint16 productId = 0;
    QString byIdName;      // its name under the by-id folder, if any

    // The binding that finds this device again ("usb:A12345", "usb:0403:6001")
    // or empty when nothing identifies it beyond its device name.
    QString binding() const;
    // "FT232R USB UART (FTDI)", "serial device" or "nothing attached".
    QString what() const;
    // "0403:6001", empty when not known.
    QString ids() const;
    // "FT232R USB UART (FTDI), 0403:6001, serial A12345" or "nothing attached".
    QString summary() const;
};

class PortDirectory
{
public:
    // byIdFolder: where the system lists devices by identity; tests give their own.
    explicit PortDirectory(QString byIdFolder = defaultByIdFolder());
    // $QTEST820_BY_ID_DIR when set, else /dev/serial/by-id.
    static QString defaultByIdFolder();

    static bool isBinding(const QString &text) { return text.startsWith(QLatin1String("usb:")); }

    // From now on the system's serial ports are listed once, at the first
    // lookup that needs them, and that list serves every lookup after it (a
    // burst of lookups, such as describing all COM numbers). Listing asks the
    // device manager and is not free, so nothing is listed before it is needed.
    void holdPorts();

    PortIdentity identify(const QString &device) const;
    // The device a binding (or a by-id path, or a plain device) leads to now;
    // empty when a binding finds nothing attached.
    QString resolve(const QString &bindingOrDevice) const;

private:
    struct ById
    {
        QString name;    // usb-Maker_Product_SERIAL-if00-port0
        QString target;  // the device it points to
    };
    QList<ById> byId() const;
    QList<QSerialPortInfo> ports() const;

    QString m_byIdFolder;
    bool m_hold = false;
    mutable std::optional<QList<QSerialPortInfo>> m_held;
};

// The table of `qtest820 --list-ports`: each COMn, the device it stands for
// and what is attached there; then serial devices no COM number leads to.
QString portTable(const PortMap &map, const PortDirectory &directory);

}  // namespace mdq
