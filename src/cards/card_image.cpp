#include "cards/card_image.h"

namespace mdq::cards {

int sectorCount(MifareKind kind)
{
    return kind == MifareKind::S50 ? 16 : 40;
}

int blockCount(MifareKind kind)
{
    return kind == MifareKind::S50 ? 64 : 256;
}

int blocksIn(int sector)
{
    return sector < 32 ? 4 : 16;
}

int firstBlock(int sector)
{
    return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16;
}

int sectorOfBlock(int block)
{
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

bool isTrailerBlock(int block)
{
    const int sector = sectorOfBlock(block);
    return block == firstBlock(sector) + blocksIn(sector) - 1;
}

QString kindName(MifareKind kind)
{
    return kind == MifareKind::S50 ? QStringLiteral("S50") : QStringLiteral("S70");
}

MifareImage MifareImage::empty(MifareKind kind)
{
    MifareImage image;
    image.kind = kind;
    image.atqa = kind == MifareKind::S50 ? QByteArray::fromHex("0400") : QByteArray::fromHex("0200");
    image.sak = kind == MifareKind::S50 ? 0x08 : 0x18;
    for (int i = 0; i < blockCount(kind); ++i)
        image.blocks.append(QByteArray());
    for (int i = 0; i < sectorCount(kind); ++i) {
        image.keyA.append(QByteArray());
        image.keyB.append(QByteArray());
    }
    return image;
}

bool MifareImage::sectorKnown(int sector) const
{
    for (int b = firstBlock(sector); b < firstBlock(sector) + blocksIn(sector); ++b) {
        if (blocks.value(b).isEmpty())
            return false;
    }
    return true;
}

bool MifareImage::complete() const
{
    for (const QByteArray &b : blocks) {
        if (b.isEmpty())
            return false;
    }
    return true;
}

UltralightImage UltralightImage::empty()
{
    UltralightImage image;
    for (int i = 0; i < UltralightPages; ++i)
        image.pages.append(QByteArray());
    return image;
}

Comparison compareBlocks(const QList<QByteArray> &first, const QList<QByteArray> &second)
{
    Comparison c;
    if (first.size() != second.size()) {
        c.mismatch = QStringLiteral("%1 blocks against %2: not the same kind of card").arg(first.size()).arg(second.size());
        return c;
    }
    for (int i = 0; i < first.size(); ++i) {
        if (first.at(i).isEmpty() || second.at(i).isEmpty())
            ++c.notCompared;
        else if (first.at(i) != second.at(i))
            c.differences.append({i, first.at(i), second.at(i)});
    }
    return c;
}

QString comparisonText(const Comparison &c, const QString &unit)
{
    if (!c.mismatch.isEmpty())
        return c.mismatch + QLatin1Char('\n');
    QString out;
    for (const BlockDifference &d : c.differences) {
        out += QStringLiteral("%1 %2: %3 / %4\n")
                   .arg(unit)
                   .arg(d.block)
                   .arg(QString::fromLatin1(d.first.toHex().toUpper()), QString::fromLatin1(d.second.toHex().toUpper()));
    }
    out += c.differences.isEmpty() ? QStringLiteral("No differences") : QStringLiteral("%1 differing").arg(c.differences.size());
    if (c.notCompared)
        out += QStringLiteral(" (%1 not compared: unknown on one side)").arg(c.notCompared);
    return out + QLatin1Char('\n');
}

}  // namespace mdq::cards
