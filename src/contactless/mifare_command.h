#pragma once
// What the key, block, value and Ultralight panels share beyond the command
// layout (link/mifare_layout.h): the status word's result text and message,
// the sector geometry of the write guards, and the cell and question helpers.

#include "link/mifare_layout.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace mdq {

class CommandRunner;
class HexCellRow;
class Prompter;

namespace mifare {

// "9000" -> success, "6F00" -> "Execute Error", anything else -> empty.
QString resultText(const QString &statusWord, const QString &success = QStringLiteral("Execute OK"));
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
