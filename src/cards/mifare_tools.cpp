#include "cards/mifare_tools.h"

#include "cards/key_dictionary.h"

namespace mdq::cards {

namespace {

const QString NotFound = QStringLiteral("------------");

QString keyText(const QByteArray &key)
{
    return key.isEmpty() ? NotFound : QString::fromLatin1(key.toHex().toUpper());
}

std::optional<MifareKind> classicKind(RfCardInfo::Kind kind)
{
    if (kind == RfCardInfo::Kind::S50)
        return MifareKind::S50;
    if (kind == RfCardInfo::Kind::S70)
        return MifareKind::S70;
    return std::nullopt;
}

QString noClassicCard(const RfCardInfo &info)
{
    switch (info.kind) {
    case RfCardInfo::Kind::None: return QStringLiteral("No card found at the RF position");
    case RfCardInfo::Kind::Ultralight: return QStringLiteral("The card is a Mifare Ultralight, not a Mifare Classic card");
    default: return QStringLiteral("The card is not a Mifare Classic card");
    }
}

// The first key of `candidates` that opens the sector as keyType; empty when
// none does (or the session failed).
QByteArray findKey(CardSession &session, int sector, int keyType, const QList<QByteArray> &candidates)
{
    for (const QByteArray &key : candidates) {
        if (session.checkKey(sector, keyType, key))
            return key;
        if (session.failed())
            break;
    }
    return {};
}

// What to try for a sector: its own known key, keys found so far, then the dictionary.
QList<QByteArray> candidatesFor(const QByteArray &own, const QList<QByteArray> &found, const QList<QByteArray> &dictionary)
{
    QList<QByteArray> keys;
    appendKeys(keys, {own});
    appendKeys(keys, found);
    appendKeys(keys, dictionary);
    return keys;
}

// Key search for one sector; leaves the sector authenticated with the last
// key found (B when both were).
void searchSector(CardSession &session, int sector, QList<QByteArray> &found, const QList<QByteArray> &dictionary,
                  const KeyTable *known, KeyTable &table)
{
    for (int keyType = 0; keyType < 2 && !session.failed(); ++keyType) {
        const QByteArray own = known ? (keyType == 0 ? known->keyA : known->keyB).value(sector) : QByteArray();
        const QByteArray key = findKey(session, sector, keyType, candidatesFor(own, found, dictionary));
        (keyType == 0 ? table.keyA : table.keyB)[sector] = key;
        appendKeys(found, {key});
    }
}

// The trailer as it goes into a dump: the keys that opened the sector in
// place of what the card lets us read.
QByteArray trailerWithKeys(QByteArray trailer, const QByteArray &keyA, const QByteArray &keyB)
{
    if (keyA.size() == KeySize)
        trailer.replace(0, KeySize, keyA);
    if (keyB.size() == KeySize && trailer.right(KeySize) == QByteArray(KeySize, '\0'))
        trailer.replace(BlockSize - KeySize, KeySize, keyB);
    return trailer;
}

}  // namespace

// Each access bit is kept twice, once inverted; a trailer whose copies
// disagree makes the card refuse the sector from then on.
bool accessBitsConsistent(const QByteArray &trailer)
{
    const quint8 b6 = quint8(trailer.at(6)), b7 = quint8(trailer.at(7)), b8 = quint8(trailer.at(8));
    return (b7 >> 4) == (~b6 & 0x0F) && (b8 & 0x0F) == (~b6 >> 4 & 0x0F) && (b8 >> 4) == (~b7 & 0x0F);
}

QString trailerQuestion()
{
    return QStringLiteral("Write the sector trailers too?\n"
                          "They hold the sector keys and access bits: a wrong trailer locks its sector for good.");
}

QString block0Question()
{
    return QStringLiteral("Write block 0 too?\n"
                          "It holds the card's serial number and maker data: most cards refuse it, and a wrong "
                          "block 0 can make the card unreadable.");
}

QString ultralightHeaderQuestion()
{
    return QStringLiteral("Write pages 0 to 3 too?\n"
                          "They hold the serial number, the lock bits and the one-time bits: lock and one-time bits "
                          "can never be cleared again.");
}

std::optional<MifareImage> activateClassic(CardSession &session)
{
    const auto info = session.activate();
    if (!info)
        return std::nullopt;
    const auto kind = classicKind(info->kind);
    if (!kind) {
        session.fail(noClassicCard(*info));
        return std::nullopt;
    }
    MifareImage image = MifareImage::empty(*kind);
    image.uid = info->uid;
    image.atqa = info->atqa;
    return image;
}

std::optional<KeyTable> searchKeys(CardSession &session, MifareKind kind, const QList<QByteArray> &dictionary,
                                   const KeyTable *known)
{
    KeyTable table;
    table.kind = kind;
    const int sectors = sectorCount(kind);
    for (int s = 0; s < sectors; ++s) {
        table.keyA.append(QByteArray());
        table.keyB.append(QByteArray());
    }
    QList<QByteArray> found;
    for (int s = 0; s < sectors; ++s) {
        if (!session.step(s, sectors, QStringLiteral("Key search: sector %1 of %2").arg(s).arg(sectors)))
            return std::nullopt;
        searchSector(session, s, found, dictionary, known, table);
        if (session.failed())
            return std::nullopt;
    }
    session.step(sectors, sectors, QStringLiteral("Key search done"));
    return table;
}

QString keyTableText(const KeyTable &table)
{
    QString out = QStringLiteral("Sector  Key A         Key B\n");
    for (int s = 0; s < table.keyA.size(); ++s)
        out += QStringLiteral("%1  %2  %3\n").arg(s, 6).arg(keyText(table.keyA.at(s)), keyText(table.keyB.value(s)));
    return out;
}

std::optional<MifareImage> dumpClassic(CardSession &session, const QList<QByteArray> &dictionary, KeyTable *keysOut)
{
    auto image = activateClassic(session);
    if (!image)
        return std::nullopt;
    const int sectors = sectorCount(image->kind);
    KeyTable table;
    table.kind = image->kind;
    for (int s = 0; s < sectors; ++s) {
        table.keyA.append(QByteArray());
        table.keyB.append(QByteArray());
    }
    QList<QByteArray> found;
    int unknown = 0;
    for (int s = 0; s < sectors; ++s) {
        if (!session.step(s, sectors, QStringLiteral("Dump: sector %1 of %2").arg(s).arg(sectors)))
            return std::nullopt;
        searchSector(session, s, found, dictionary, nullptr, table);
        if (session.failed())
            return std::nullopt;
        const QByteArray keyA = table.keyA.at(s), keyB = table.keyB.at(s);
        image->keyA[s] = keyA;
        image->keyB[s] = keyB;
        if (keyA.isEmpty() && keyB.isEmpty()) {
            ++unknown;
            continue;
        }
        // The search leaves the sector open with Key B when it was found;
        // otherwise Key A has to be checked again (the failed B checks closed it).
        int openWith = keyB.isEmpty() ? 0 : 1;
        if (keyB.isEmpty() && !session.checkKey(s, 0, keyA))
            continue;
        for (int b = 0; b < blocksIn(s); ++b) {
            auto data = session.readBlock(s, b);
            // A block the access bits keep from one key may open to the other.
            const QByteArray other = openWith == 0 ? keyB : keyA;
            if (!data && !session.failed() && !other.isEmpty() && session.checkKey(s, 1 - openWith, other)) {
                openWith = 1 - openWith;
                data = session.readBlock(s, b);
            }
            if (session.failed())
                return std::nullopt;
            if (data)
                image->blocks[firstBlock(s) + b] = b == blocksIn(s) - 1 ? trailerWithKeys(*data, keyA, keyB) : *data;
        }
    }
    session.step(sectors, sectors, QStringLiteral("Dump done"));
    if (unknown)
        session.warn(QStringLiteral("%1 sector%2 opened by no key: left out of the dump").arg(unknown).arg(unknown > 1 ? "s" : ""));
    if (keysOut)
        *keysOut = table;
    return image;
}

std::optional<RestoreReport> restoreClassic(CardSession &session, const MifareImage &image,
                                            const QList<QByteArray> &dictionary, const RestoreOptions &options)
{
    auto card = activateClassic(session);
    if (!card)
        return std::nullopt;
    if (card->kind != image.kind) {
        session.fail(QStringLiteral("The dump is of an %1 card, the card is an %2: nothing written")
                         .arg(kindName(image.kind), kindName(card->kind)));
        return std::nullopt;
    }
    // The risky parts are confirmed before anything is written.
    const bool trailers = options.trailers && options.confirm && options.confirm(trailerQuestion());
    const bool block0 = options.block0 && options.confirm && options.confirm(block0Question());
    if ((options.trailers && !trailers) || (options.block0 && !block0)) {
        session.fail(QStringLiteral("Not confirmed: nothing written"));
        return std::nullopt;
    }
    RestoreReport report;
    const int sectors = sectorCount(image.kind);
    for (int s = 0; s < sectors; ++s) {
        if (!session.step(s, sectors, QStringLiteral("Restore: sector %1 of %2").arg(s).arg(sectors)))
            return std::nullopt;
        QList<int> blocks;
        for (int b = 0; b < blocksIn(s); ++b) {
            const int index = firstBlock(s) + b;
            const bool trailer = b == blocksIn(s) - 1;
            if (image.blocks.at(index).isEmpty() || (trailer && !trailers) || (index == 0 && !block0))
                continue;
            blocks.append(b);
        }
        if (blocks.isEmpty())
            continue;
        // Key A from the dump, then the dictionary; else Key B the same way.
        QByteArray key = findKey(session, s, 0, candidatesFor(image.keyA.at(s), {}, dictionary));
        if (key.isEmpty() && !session.failed())
            key = findKey(session, s, 1, candidatesFor(image.keyB.at(s), {}, dictionary));
        if (session.failed())
            return std::nullopt;
        if (key.isEmpty()) {
            report.problems << QStringLiteral("Sector %1: no key opens it, %2 block%3 not written")
                                   .arg(s)
                                   .arg(blocks.size())
                                   .arg(blocks.size() > 1 ? "s" : "");
            continue;
        }
        for (int b : blocks) {
            const int index = firstBlock(s) + b;
            const QByteArray data = image.blocks.at(index);
            const bool trailer = b == blocksIn(s) - 1;
            // A trailer that would lock the sector is never written.
            if (trailer && (image.keyA.at(s).isEmpty() || image.keyB.at(s).isEmpty())) {
                report.problems << QStringLiteral("Block %1 (sector %2): trailer not written, the dump does not hold both its keys").arg(index).arg(s);
                continue;
            }
            if (trailer && !accessBitsConsistent(data)) {
                report.problems << QStringLiteral("Block %1 (sector %2): trailer not written, its access bits %3 contradict "
                                                  "their inverted copies and would lock the sector")
                                       .arg(index)
                                       .arg(s)
                                       .arg(QString::fromLatin1(data.mid(6, 3).toHex().toUpper()));
                continue;
            }
            if (!session.writeBlock(s, b, data)) {
                if (session.failed())
                    return std::nullopt;
                report.problems << QStringLiteral("Block %1 (sector %2): the card refused the write").arg(index).arg(s);
                continue;
            }
            // Read back. A new trailer is checked by opening the sector with
            // its new Key A and comparing the access bits and Key B.
            std::optional<QByteArray> back;
            if (trailer) {
                if (session.checkKey(s, 0, data.left(KeySize)))
                    back = session.readBlock(s, b);
                if (back && back->right(KeySize) == QByteArray(KeySize, '\0'))
                    back->replace(BlockSize - KeySize, KeySize, data.right(KeySize));  // Key B may not read back
                if (back)
                    back->replace(0, KeySize, data.left(KeySize));
            } else {
                back = session.readBlock(s, b);
            }
            if (session.failed())
                return std::nullopt;
            if (!back || *back != data) {
                report.problems << QStringLiteral("Block %1 (sector %2): %3")
                                       .arg(index)
                                       .arg(s)
                                       .arg(back ? QStringLiteral("reads back as %1").arg(QString::fromLatin1(back->toHex().toUpper()))
                                                 : QStringLiteral("written, but does not read back"));
                continue;
            }
            ++report.written;
        }
    }
    session.step(sectors, sectors, QStringLiteral("Restore done"));
    return report;
}

std::optional<UltralightImage> dumpUltralight(CardSession &session)
{
    const auto info = session.activate();
    if (!info)
        return std::nullopt;
    if (info->kind != RfCardInfo::Kind::Ultralight) {
        session.fail(info->kind == RfCardInfo::Kind::None ? QStringLiteral("No card found at the RF position")
                                                          : QStringLiteral("The card is not a Mifare Ultralight"));
        return std::nullopt;
    }
    UltralightImage image = UltralightImage::empty();
    image.uid = info->uid;
    for (int p = 0; p < UltralightPages; ++p) {
        if (!session.step(p, UltralightPages, QStringLiteral("Dump: page %1 of %2").arg(p).arg(UltralightPages)))
            return std::nullopt;
        const auto page = session.readPage(p);
        if (session.failed())
            return std::nullopt;
        if (page)
            image.pages[p] = *page;
        else
            session.warn(QStringLiteral("Page %1 could not be read").arg(p));
    }
    session.step(UltralightPages, UltralightPages, QStringLiteral("Dump done"));
    return image;
}

std::optional<RestoreReport> restoreUltralight(CardSession &session, const UltralightImage &image, bool all,
                                               const Confirm &confirm)
{
    const auto info = session.activate();
    if (!info)
        return std::nullopt;
    if (info->kind != RfCardInfo::Kind::Ultralight) {
        session.fail(QStringLiteral("The card is not a Mifare Ultralight: nothing written"));
        return std::nullopt;
    }
    if (all && !(confirm && confirm(ultralightHeaderQuestion()))) {
        session.fail(QStringLiteral("Not confirmed: nothing written"));
        return std::nullopt;
    }
    RestoreReport report;
    constexpr int FirstUserPage = 4;
    for (int p = all ? 0 : FirstUserPage; p < UltralightPages; ++p) {
        if (!session.step(p, UltralightPages, QStringLiteral("Restore: page %1 of %2").arg(p).arg(UltralightPages)))
            return std::nullopt;
        const QByteArray data = image.pages.value(p);
        if (data.isEmpty())
            continue;
        const bool written = session.writePage(p, data);
        const auto back = written ? session.readPage(p) : std::nullopt;
        if (session.failed())
            return std::nullopt;
        if (!written)
            report.problems << QStringLiteral("Page %1: the card refused the write").arg(p);
        else if (!back || *back != data)
            report.problems << QStringLiteral("Page %1: %2").arg(p).arg(
                back ? QStringLiteral("reads back as %1").arg(QString::fromLatin1(back->toHex().toUpper()))
                     : QStringLiteral("written, but does not read back"));
        else
            ++report.written;
    }
    session.step(UltralightPages, UltralightPages, QStringLiteral("Restore done"));
    return report;
}

}  // namespace mdq::cards
