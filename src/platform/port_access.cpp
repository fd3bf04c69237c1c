#include "platform/port_access.h"

#include "platform/port_directory.h"

#include <QFileInfo>

namespace mdq {

namespace {
// Groups whose members can administer the machine, read its disks, memory,
// passwords or logs, or write to other users' terminals.
const char *const kSystemGroups[] = {"root", "wheel", "sudo", "admin", "adm", "disk", "kmem", "shadow", "tty"};

QString hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// One line for /etc/udev/rules.d that lets the group dialout use the device:
// by the adapter's USB ids when known (any port it gets), else by the node.
QString udevRule(const QString &device, const DeviceAccessFacts &facts)
{
    QString match;
    if (facts.usbId) {
        match = QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"")
                    .arg(hex4(facts.usbId->vendor), hex4(facts.usbId->product));
    } else {
        const QString kernel = facts.kernelName.isEmpty() ? QFileInfo(device).fileName() : facts.kernelName;
        match = QStringLiteral("KERNEL==\"%1\"").arg(kernel);
    }
    return QStringLiteral("SUBSYSTEM==\"tty\", %1, GROUP=\"dialout\", MODE=\"0660\"").arg(match);
}

bool isSystemGroup(const QString &group, std::optional<uint> gid)
{
    if (gid && *gid == 0)
        return true;
    for (const char *name : kSystemGroups) {
        if (group == QLatin1String(name))
            return true;
    }
    return false;
}
}  // namespace

DeviceAccessFacts deviceAccessFacts(const QString &device)
{
    DeviceAccessFacts facts;
    const QFileInfo info(device);
    if (!info.exists())
        return facts;
    facts.group = info.group();
    if (info.groupId() != uint(-2))
        facts.gid = info.groupId();
    const PortIdentity identity = PortDirectory().identify(device);
    facts.kernelName = QFileInfo(identity.device).fileName();
    if (identity.vendorId != 0 || identity.productId != 0)
        facts.usbId = DeviceAccessFacts::UsbId{identity.vendorId, identity.productId};
    return facts;
}

QString noPermissionAdvice(const QString &device, const DeviceAccessFacts &facts)
{
    if (isSystemGroup(facts.group, facts.gid)) {
        const QString adapter = facts.usbId ? QStringLiteral(" (USB adapter %1:%2)")
                                                  .arg(hex4(facts.usbId->vendor), hex4(facts.usbId->product))
                                            : QString();
        return QStringLiteral("No permission to open %1%2.\r\n"
                              "It belongs to a system group, which no user should join for a serial port. "
                              "Ask an administrator to let the group \"dialout\" use it with this line in "
                              "/etc/udev/rules.d/99-qtest820.rules:\r\n"
                              "%3\r\n"
                              "then to run \"udevadm control --reload-rules\" and \"udevadm trigger\" "
                              "(or plug the adapter in again), and to make you a member of \"dialout\"; "
                              "then log in again.")
            .arg(device, adapter, udevRule(device, facts));
    }
    const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
    return QStringLiteral("No permission to open %1.\r\nAdd your user to the group \"%2\" "
                          "(sudo usermod -aG %2 $USER), then log in again.")
        .arg(device, group);
}

QString noPermissionAdvice(const QString &device)
{
    return noPermissionAdvice(device, deviceAccessFacts(device));
}

}  // namespace mdq
