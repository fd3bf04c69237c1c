#pragma once
// Small byte helpers shared by the virtual reader's tests.

#include <QByteArray>
#include <QList>

#include "line_protocol.h"

namespace simtest {

// "F2 00 0A" -> bytes; blanks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Everything the protocol sends, pauses ignored.
inline QByteArray joined(const QList<sim::Transmission> &out)
{
    QByteArray all;
    for (const auto &t : out)
        all += t.bytes;
    return all;
}

}  // namespace simtest
