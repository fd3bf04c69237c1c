#include "link/mifare_layout.h"

#include "link/frame.h"

namespace mdq::mifare {

QByteArray data(quint8 op, const QByteArray &arguments)
{
    QByteArray bytes;
    bytes.append('\0');
    bytes.append(char(op));
    bytes.append(arguments);
    return bytes;
}

QByteArray frame(quint8 address, quint8 op, const QByteArray &arguments)
{
    return CommandFrame(address, CmRf, PmRfMifare, data(op, arguments));
}

QString statusWord(const Reply &reply)
{
    const int l = reply.length();
    return DoubleType(byteHex(reply.at(l - 4))) + DoubleType(byteHex(reply.at(l - 3)));
}

bool succeeded(const Reply &reply)
{
    return statusWord(reply).trimmed() == QLatin1String("9000");
}

}  // namespace mdq::mifare
