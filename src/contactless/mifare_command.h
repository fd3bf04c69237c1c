#pragma once
// The Mifare command layout shared by the key, block, value and Ultralight
// panels: CmRf, PmRfMifare, data 00h then an operation byte (MifareReadBlocks
// ...) and its arguments; and the status word a positive reply ends with (the
// two bytes before ETX and BCC), with its result text.

#include "link/commands.h"
#include "link/reply.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace mdq {

class CommandRunner;
class HexCellRow;
class Prompter;

namespace mifare {

constexpr int KeyLength = 6;
constexpr int BlockSize = 16;

// 00h, the operation, its arguments: the data of a Mifare request.
QByteArray data(quint8 op, const QByteArray &arguments);
QByteArray frame(quint8 address, quint8 op, const QByteArray &arguments);

// Reply bytes L-4 and L-3 as four hex characters, e.g. "9000".
QString statusWord(const Reply &reply);
// "9000" -> success, "6F00" -> "Execute Error", anything else -> empty.
QString resultText(const QString &statusWord, const QString &success = QStringLiteral("Execute OK"));
bool succeeded(const Reply &reply);
// firstLine CR LF result CR LF status word, as an information message.
void showResult(CommandRunner &runner, const QString &title, const QString &firstLine, const Reply &reply,
                const QString &success = QStringLiteral("Execute OK"));

// Sector geometry: sectors 0..31 have 4 blocks, 32..39 have 16; the last is the trailer.
bool isTrailer(int sector, int block);
bool isManufacturerBlock(int sector, int block);

// The first n cells as bytes for a write. Shows "Please input the data first"
// and gives nullopt when a cell is not two characters; throws DataError when
// a two-character cell is not hex (pasted text).
std::optional<QByteArray> cellBytes(const HexCellRow &cells, int n, Prompter &prompter);
// The trailer / Ultralight page 2 question; true for OK.
bool confirmOverwrite(Prompter &prompter);

}  // namespace mifare
}  // namespace mdq
