#pragma once
// Whole-card dump files, as pure functions from an image to bytes and back.
// Mifare Classic: .json ("mfc v2"), .bin (every block, 16 bytes each), .eml
// (one block a line, 32 hex digits), .mct ("+Sector: N" then its blocks,
// '-' where a block or key is not known). Ultralight: .json ("mfu") and .bin.

#include "cards/card_image.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace mdq::cards {

enum class DumpFormat { Json, Bin, Eml, Mct };

// By the file name's extension (any case); nullopt for another one.
std::optional<DumpFormat> formatOfName(const QString &fileName);
QString formatName(DumpFormat format);  // "json", "bin", ...

struct FileBytes
{
    QByteArray bytes;
    QString error;         // refused: nothing to write
    QStringList warnings;  // written, but the operator should know
};

// .bin and .eml have no way to say "not read": a sector no key opened is
// refused unless `partial`, then written as zeros with a warning.
FileBytes writeMifare(const MifareImage &image, DumpFormat format, bool partial = false);
FileBytes writeUltralight(const UltralightImage &image, DumpFormat format);

enum class DumpKind { Mifare, Ultralight };

struct DumpParse
{
    DumpKind kind = DumpKind::Mifare;
    DumpFormat format = DumpFormat::Bin;
    MifareImage mifare;
    UltralightImage ultralight;
    QString error;  // "FILE: ..." when the content is not a dump this tool reads
};

// The type comes from the extension and is checked against the content; a
// name without a known extension is typed by its content alone.
DumpParse parseDump(const QByteArray &content, const QString &fileName);
// Reads the file (a regular file of sane size) and parses it.
DumpParse readDump(const QString &path);

}  // namespace mdq::cards
