#include "platform/port_map.h"

#include <QRegularExpression>

namespace mdq {

QString PortMap::defaultDevice(int port)
{
    if (port < 1 || port > MaxPort)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    // USB adapters first: that is what a bench technician plugs in today.
    if (port <= 8)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    if (port <= 12)
        return QStringLiteral("/dev/ttyACM%1").arg(port - 9);
    return QStringLiteral("/dev/ttyS%1").arg(port - 13);
#endif
}

QString PortMap::device(int port) const
{
    const auto it = m_overrides.constFind(port);
    return it != m_overrides.constEnd() ? *it : defaultDevice(port);
}

std::optional<std::pair<int, QString>> PortMap::parseMapping(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^COM([1-9]|1[0-6])=(.+)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return std::make_pair(m.captured(1).toInt(), m.captured(2));
}

}  // namespace mdq
