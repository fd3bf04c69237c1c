#pragma once
// Purse values: decimal text in the value box, four bytes on the wire, least
// significant first. What is sent must fit a signed 32-bit number; what is read
// back is shown unsigned (0 to 4294967295).

#include <QByteArray>
#include <QString>
#include <optional>

namespace mdq {

// Decimal digits (blanks around allowed) of 0 to 2147483647 -> b0 b1 b2 b3.
// nullopt for an empty text, anything but digits, or a value too large.
std::optional<QByteArray> encodePurseValue(const QString &decimal);

// Four bytes, least significant first -> unsigned decimal text.
QString decodePurseValue(const QByteArray &lsbFirst);

}  // namespace mdq
