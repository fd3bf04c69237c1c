#pragma once
// Memory cards at the IC position, whole: SLE4442 (256 bytes, 32 protection
// bits), SLE4428 (1024 bytes, a protection bit per byte), AT24C01..AT24C512
// (size by type). Dumped in chunks of 80h bytes (what the reader takes in one
// command), written back as runs of changed bytes only, each read back.
// Files: .bin (the bytes) and .hex (16 bytes a line, address first).

#include "cards/card_session.h"
#include "cards/mifare_tools.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace mdq::cards {

struct MemoryCardType
{
    const char *name;  // "sle4442", "at24c64" ...
    quint8 cm, pm;     // the APDU command
    int size;
    int pscBytes;      // 0: no security code
    char sizeCode;     // AT24Cxx: the activation's size code; 0 for SLE cards
};

std::optional<MemoryCardType> memoryCardType(const QString &name);
QStringList memoryCardTypeNames();
bool memoryPscOk(const MemoryCardType &type, const QString &hex);
bool memoryFileNameOk(const QString &fileName);  // .bin or .hex

struct MemoryImage
{
    QByteArray data;
    QList<int> protectedAddresses;  // as far as the card tells
    int protectionKnownUpTo = 0;     // addresses below this have a known protection state
};

std::optional<MemoryImage> dumpMemoryCard(CardSession &session, const MemoryCardType &type);
// Verifies the PSC (SLE cards; FF.. when psc is empty), refuses before any
// write when a byte to change is protected, writes the changed runs and
// reads the whole card back.
std::optional<RestoreReport> writeMemoryCard(CardSession &session, const MemoryCardType &type, const QByteArray &data,
                                             const QByteArray &psc);

QByteArray writeMemoryFile(const MemoryImage &image, const QString &fileName);
QByteArray memoryHexText(const QByteArray &data);

struct MemoryParse
{
    QByteArray data;
    QString error;
};
MemoryParse parseMemoryFile(const QByteArray &content, const QString &fileName, const MemoryCardType &type);
// The same for a file of any size (comparing two files).
MemoryParse parseMemoryContent(const QByteArray &content, const QString &fileName);
// A memory card file rather than a Mifare or Ultralight dump: .hex, or a .bin
// whose size is no Mifare or Ultralight card's.
bool isMemoryFile(const QString &fileName, qint64 size);
MemoryParse readMemoryFile(const QString &path, const MemoryCardType &type);

}  // namespace mdq::cards
