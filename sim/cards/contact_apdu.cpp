#include "cards/contact_apdu.h"

namespace sim {

std::optional<MemoryApdu> MemoryApdu::parse(const QByteArray &data)
{
    if (data.size() < 5)
        return std::nullopt;
    auto b = [&](int i) { return quint8(data[i]); };
    return MemoryApdu{b(0), b(1), b(2), b(3), b(4), data.mid(5)};
}

QByteArray withSw(const QByteArray &data, quint16 statusWord)
{
    QByteArray out = data;
    out.append(char(statusWord >> 8));
    out.append(char(statusWord & 0xFF));
    return out;
}

}  // namespace sim
