#include "contactless/purse_value.h"

#include <limits>

namespace mdq {

std::optional<QByteArray> encodePurseValue(const QString &decimal)
{
    const QString text = decimal.trimmed();
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

QString decodePurseValue(const QByteArray &lsbFirst)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | (i < lsbFirst.size() ? quint8(lsbFirst[i]) : 0);
    return QString::number(value);
}

}  // namespace mdq
