#pragma once
// The Mifare command layout: CmRf, PmRfMifare, data 00h then an operation
// byte (MifareReadBlocks ...) and its arguments; and the status word a
// positive reply ends with (the two bytes before ETX and BCC). Shared by the
// RF card panels and the card data tools.

#include "link/commands.h"
#include "link/reply.h"

#include <QByteArray>
#include <QString>

namespace mdq::mifare {

constexpr int KeyLength = 6;
constexpr int BlockSize = 16;

// 00h, the operation, its arguments: the data of a Mifare request.
QByteArray data(quint8 op, const QByteArray &arguments);
QByteArray frame(quint8 address, quint8 op, const QByteArray &arguments);

// Reply bytes L-4 and L-3 as four hex characters, e.g. "9000".
QString statusWord(const Reply &reply);
bool succeeded(const Reply &reply);

}  // namespace mdq::mifare
