#pragma once
// The reply as the handlers read it: 'P'/'N' at 0, echoed CM and PM, three
// status bytes (or two error-code characters), data from 6 to L-3, ETX, BCC.
// Reading past the copied length gives 00h, as from a fresh zero-filled buffer,
// so no handler can read outside the reply however short it is.

#include <QByteArray>
#include <QString>

namespace mdq {

class Reply
{
public:
    static constexpr int Capacity = 1025;

    int length() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    quint8 at(int i) const { return (i >= 0 && i < m_length) ? quint8(m_bytes[i]) : 0; }
    char marker() const { return char(at(0)); }
    bool isPositive() const { return at(0) == 'P'; }
    bool isNegative() const { return at(0) == 'N'; }

    // Bytes from..to inclusive; positions past the reply read as 00h.
    QByteArray bytes(int from, int to) const;
    // The reply data: indices 6 to L-3.
    QByteArray data() const { return bytes(6, m_length - 3); }
    // The same, each byte taken as one character (Latin-1).
    QString dataText() const { return QString::fromLatin1(data()); }

    // Copies at most Capacity bytes; returns false when some did not fit.
    bool assign(const QByteArray &body);
    void clear() { m_bytes.clear(); m_length = 0; }

private:
    QByteArray m_bytes;
    int m_length = 0;
};

}  // namespace mdq
