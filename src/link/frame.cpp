#include "link/frame.h"

namespace mdq {

quint8 ComputeBcc(const QByteArray &frame)
{
    quint8 bcc = 0;
    for (int i = 0; i + 1 < frame.size(); ++i)
        bcc ^= static_cast<quint8>(frame[i]);
    return bcc;
}

QByteArray CommandFrame(quint8 address, quint8 cm, quint8 pm, const QByteArray &data)
{
    Q_ASSERT(data.size() <= MaxFrameData);
    const int len = 3 + int(data.size());
    QByteArray f;
    f.reserve(len + 6);
    f.append(char(STX));
    f.append(char(address));
    f.append(char((len >> 8) & 0xFF));
    f.append(char(len & 0xFF));
    f.append(char(MarkerCommand));
    f.append(char(cm));
    f.append(char(pm));
    f.append(data);
    f.append(char(ETX));
    f.append(char(0));
    f[f.size() - 1] = char(ComputeBcc(f));
    return f;
}

QString DoubleType(const QString &hex)
{
    switch (hex.size()) {
    case 0: return QStringLiteral("00");
    case 1: return QStringLiteral("0") + hex;
    case 2: return hex;
    default: return QString();
    }
}

QString PadBinary8(const QString &bits)
{
    const int r = int(bits.size() % 8);
    if (r == 0)
        return bits;
    return QString(8 - r, QLatin1Char('0')) + bits;
}

std::optional<double> HexTextToNumber(const QString &hex)
{
    double sum = 0;
    for (const QChar c : hex) {
        int v;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            v = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            v = c.unicode() - 'A' + 10;
        else
            return std::nullopt;
        sum = sum * 16 + v;
    }
    return sum;
}

static std::optional<quint32> hexValue(const QString &text, quint32 max)
{
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    quint32 v = 0;
    for (const QChar c : text) {
        const int d = QChar::isPrint(c.unicode()) ? QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper()) : -1;
        if (d < 0 || c.unicode() > 0x7F)
            return std::nullopt;
        v = v * 16 + quint32(d);
    }
    if (v > max)
        return std::nullopt;
    return v;
}

std::optional<quint8> hexToByte(const QString &text)
{
    if (auto v = hexValue(text, 0xFF))
        return quint8(*v);
    return std::nullopt;
}

std::optional<qint16> hexToInt16(const QString &text)
{
    // "&H8000".."&HFFFF" are negative 16-bit values; none of them is a
    // usable length, so the callers treat them as out of range anyway.
    if (auto v = hexValue(text, 0xFFFF))
        return qint16(quint16(*v));
    return std::nullopt;
}

QString byteHex(quint8 b)
{
    static const char digits[] = "0123456789ABCDEF";
    const QChar s[2] = {QLatin1Char(digits[b >> 4]), QLatin1Char(digits[b & 0xF])};
    return QString(s, 2);
}

QString bytesHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

std::optional<quint8> addressFromText(const QString &text)
{
    return hexToByte(text);
}

}  // namespace mdq
