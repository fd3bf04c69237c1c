#pragma once
// What a whole card holds, as the card tools read it from a card or a file:
// every block (or page) that could be read, and the sector keys that opened
// it. An empty QByteArray stands for "not known": a block no key could read,
// a key the search did not find.

#include <QByteArray>
#include <QList>
#include <QString>

namespace mdq::cards {

enum class MifareKind { S50, S70 };

// Sector geometry: S50 has 16 sectors of 4 blocks; S70 32 of 4, then 8 of 16.
int sectorCount(MifareKind kind);
int blockCount(MifareKind kind);
int blocksIn(int sector);
int firstBlock(int sector);
int sectorOfBlock(int block);
bool isTrailerBlock(int block);
QString kindName(MifareKind kind);  // "S50", "S70"

constexpr int BlockSize = 16;
constexpr int KeySize = 6;
constexpr int UltralightPages = 16;
constexpr int PageSize = 4;

struct MifareImage
{
    MifareKind kind = MifareKind::S50;
    QByteArray uid;   // as the activation reply gives it
    QByteArray atqa;  // two bytes in the files' order, low byte first (04 00 for an S50)
    quint8 sak = 0x08;
    QList<QByteArray> blocks;  // blockCount(kind) entries; empty = not read
    QList<QByteArray> keyA;    // sectorCount(kind) entries; empty = not known
    QList<QByteArray> keyB;

    // An image of the given kind with nothing known; ATQA and SAK from the kind.
    static MifareImage empty(MifareKind kind);
    bool sectorKnown(int sector) const;  // every block of the sector was read
    bool complete() const;
};

struct UltralightImage
{
    QByteArray uid;
    QList<QByteArray> pages;  // UltralightPages entries of PageSize bytes; empty = not read

    static UltralightImage empty();
};

// Two images' differing blocks (or pages). Blocks not known on one side are
// counted, not compared.
struct BlockDifference
{
    int block;
    QByteArray first, second;
};

struct Comparison
{
    QList<BlockDifference> differences;
    int notCompared = 0;
    QString mismatch;  // the images cannot be compared at all (different kinds), empty when they can
};

Comparison compareBlocks(const QList<QByteArray> &first, const QList<QByteArray> &second);
// "Block 4: 00...00 / 11...11" lines, then a summary line.
QString comparisonText(const Comparison &c, const QString &unit = QStringLiteral("Block"));

}  // namespace mdq::cards
