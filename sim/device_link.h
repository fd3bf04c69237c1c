#pragma once
// A symbolic link to the virtual reader's device, so that scripts can use a
// fixed port name. An existing path is only replaced when it is a symbolic
// link to a pty (left behind by an earlier run); a regular file, a directory
// or a link to anything else is refused. The link is removed again by
// remove() or on destruction, if it still points at our device.

#include <QString>

namespace sim {

class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    bool create(const QString &path, const QString &device, QString *error = nullptr);
    void remove();

    static bool isPtyDevice(const QString &target);

private:
    QString m_path;
    QString m_device;
};

}  // namespace sim
