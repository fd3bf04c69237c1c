#include "platform/port_directory.h"

#include "platform/port_map.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace mdq {

namespace {
QString hex4(quint16 v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
}

QString realPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// The serial number in a by-id name: usb-<vendor>_<product>_<serial>-if<nn>-port<n>.
QString serialFromByIdName(const QString &name)
{
    QString core = name;
    const int suffix = core.lastIndexOf(QLatin1String("-if"));
    if (suffix > 0)
        core.truncate(suffix);
    const int underscore = core.lastIndexOf(QLatin1Char('_'));
    return underscore > 0 ? core.mid(underscore + 1) : QString();
}
}  // namespace

QString PortIdentity::binding() const
{
    if (!serialNumber.isEmpty())
        return QStringLiteral("usb:") + serialNumber;
    if (vendorId || productId)
        return QStringLiteral("usb:%1:%2").arg(hex4(vendorId), hex4(productId));
    return {};
}

QString PortIdentity::what() const
{
    if (!attached)
        return QStringLiteral("nothing attached");
    QString text = description;
    if (!manufacturer.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("(%1)").arg(manufacturer);
    return text.isEmpty() ? QStringLiteral("serial device") : text;
}

QString PortIdentity::ids() const
{
    return vendorId || productId ? QStringLiteral("%1:%2").arg(hex4(vendorId), hex4(productId)) : QString();
}

QString PortIdentity::summary() const
{
    QStringList parts{what()};
    if (attached && !ids().isEmpty())
        parts << ids();
    if (attached && !serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(serialNumber);
    return parts.join(QStringLiteral(", "));
}

PortDirectory::PortDirectory(QString byIdFolder) : m_byIdFolder(std::move(byIdFolder)) {}

QString PortDirectory::defaultByIdFolder()
{
    const QString configured = qEnvironmentVariable("QTEST820_BY_ID_DIR");
    return configured.isEmpty() ? QStringLiteral("/dev/serial/by-id") : configured;
}

QList<PortDirectory::ById> PortDirectory::byId() const
{
    QList<ById> found;
    const QDir dir(m_byIdFolder);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.exists())  // a link whose device is gone leads nowhere
            found.append({entry.fileName(), realPath(entry.absoluteFilePath())});
    }
    return found;
}

void PortDirectory::holdPorts()
{
    m_hold = true;
    m_held.reset();
}

QList<QSerialPortInfo> PortDirectory::ports() const
{
    if (!m_hold)
        return QSerialPortInfo::availablePorts();
    if (!m_held)
        m_held = QSerialPortInfo::availablePorts();
    return *m_held;
}

PortIdentity PortDirectory::identify(const QString &device) const
{
    PortIdentity id;
    id.device = realPath(device);
    id.attached = !device.isEmpty() && QFileInfo::exists(device);
    if (!id.attached)
        return id;
    for (const QSerialPortInfo &info : ports()) {
        if (realPath(info.systemLocation()) != id.device)
            continue;
        id.description = info.description();
        id.manufacturer = info.manufacturer();
        id.serialNumber = info.serialNumber();
        id.vendorId = info.hasVendorIdentifier() ? info.vendorIdentifier() : 0;
        id.productId = info.hasProductIdentifier() ? info.productIdentifier() : 0;
    }
    for (const ById &entry : byId()) {
        if (entry.target != id.device)
            continue;
        id.byIdName = entry.name;
        if (id.serialNumber.isEmpty())
            id.serialNumber = serialFromByIdName(entry.name);
    }
    return id;
}

QString PortDirectory::resolve(const QString &bindingOrDevice) const
{
    if (!isBinding(bindingOrDevice))
        return bindingOrDevice;  // a device file, or a by-id link the open follows
    const QStringList parts = bindingOrDevice.mid(4).split(QLatin1Char(':'));
    if (parts.size() == 2) {
        bool vendorOk = false, productOk = false;
        const quint16 vendor = quint16(parts.at(0).toUInt(&vendorOk, 16));
        const quint16 product = quint16(parts.at(1).toUInt(&productOk, 16));
        if (!vendorOk || !productOk)
            return {};
        for (const QSerialPortInfo &info : ports())
            if (info.vendorIdentifier() == vendor && info.productIdentifier() == product)
                return realPath(info.systemLocation());
        return {};
    }
    const QString serial = parts.value(0);
    if (serial.isEmpty())
        return {};
    for (const QSerialPortInfo &info : ports())
        if (info.serialNumber() == serial)
            return realPath(info.systemLocation());
    for (const ById &entry : byId())
        if (serialFromByIdName(entry.name) == serial)
            return entry.target;
    return {};
}

QString portTable(const PortMap &map, const PortDirectory &directory)
{
    struct Row
    {
        QString com, device, what, ids, serial;
    };
    QList<Row> rows{{QStringLiteral("COM"), QStringLiteral("device"), QStringLiteral("description"),
                     QStringLiteral("usb ids"), QStringLiteral("serial number")}};
    QStringList covered;
    auto rowFor = [](const QString &com, const QString &shown, const PortIdentity &id) {
        return Row{com, shown, id.what(), id.attached ? id.ids() : QString(), id.serialNumber};
    };
    for (int n = 1; n <= PortMap::MaxPort; ++n) {
        const QString wanted = map.device(n);
        const QString device = directory.resolve(wanted);
        const PortIdentity id = directory.identify(device);
        QString shown = device.isEmpty() ? wanted : device;
        if (PortDirectory::isBinding(wanted) && !device.isEmpty())
            shown = QStringLiteral("%1 (%2)").arg(device, wanted);
        rows.append(rowFor(QStringLiteral("COM%1").arg(n), shown, id));
        if (id.attached)
            covered << id.device;
    }
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const PortIdentity id = directory.identify(info.systemLocation());
        if (id.attached && !covered.contains(id.device)) {
            rows.append(rowFor(QStringLiteral("-"), id.device, id));
            covered << id.device;
        }
    }
    int width[4] = {0, 0, 0, 0};
    for (const Row &r : rows) {
        width[0] = qMax(width[0], int(r.com.size()));
        width[1] = qMax(width[1], int(r.device.size()));
        width[2] = qMax(width[2], int(r.what.size()));
        width[3] = qMax(width[3], int(r.ids.size()));
    }
    QString out;
    for (const Row &r : rows)
        out += QStringLiteral("%1  %2  %3  %4  %5")
                   .arg(r.com, -width[0])
                   .arg(r.device, -width[1])
                   .arg(r.what, -width[2])
                   .arg(r.ids, -width[3])
                   .arg(r.serial)
                   .trimmed()
               + QLatin1Char('\n');
    return out;
}

}  // namespace mdq
