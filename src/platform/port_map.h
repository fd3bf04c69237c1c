#pragma once
// Which device each "COMn" stands for. The tool keeps the COM numbers of its
// windows; on Linux they are mapped to device files by a fixed, documented
// table that `--map COMn=DEVICE` overrides.

#include <QMap>
#include <QString>
#include <optional>
#include <utility>

namespace mdq {

class PortMap
{
public:
    static constexpr int MaxPort = 16;  // the scan probes one port more than OK accepts

    // Built-in default for this platform: COMn itself on Windows; on Linux
    // COM1..COM8 -> /dev/ttyUSB0..7, COM9..COM12 -> /dev/ttyACM0..3,
    // COM13..COM16 -> /dev/ttyS0..3.
    static QString defaultDevice(int port);

    QString device(int port) const;
    bool isOverridden(int port) const { return m_overrides.contains(port); }
    void map(int port, const QString &device) { m_overrides.insert(port, device); }
    void clear() { m_overrides.clear(); }

    // "COM3=/dev/pts/4" -> {3, "/dev/pts/4"}; nullopt when malformed.
    static std::optional<std::pair<int, QString>> parseMapping(const QString &text);

private:
    QMap<int, QString> m_overrides;
};

}  // namespace mdq
