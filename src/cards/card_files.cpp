#include "cards/card_files.h"

#include <QFile>
#include <cctype>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace mdq::cards {

namespace {

const QByteArray Creator = "qtest820";
const QByteArray UnknownBlock(2 * BlockSize, '-');
const QByteArray UnknownKey(2 * KeySize, '-');

QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

QByteArray quoted(const QByteArray &text)
{
    return '"' + text + '"';
}

bool isHex(const QByteArray &text, int digits)
{
    if (text.size() != digits)
        return false;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// Lines without their line ends and surrounding blanks; blank lines dropped.
QList<QByteArray> textLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    for (const QByteArray &raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

// A JSON object written in the order given (QJsonObject would sort the keys,
// and "10" would come before "2").
QByteArray jsonObject(const QList<QPair<QByteArray, QByteArray>> &members, int indent)
{
    if (members.isEmpty())
        return "{}";
    const QByteArray pad(indent + 2, ' ');
    QByteArray out = "{\n";
    for (int i = 0; i < members.size(); ++i) {
        out += pad + quoted(members.at(i).first) + ": " + members.at(i).second;
        out += i + 1 < members.size() ? ",\n" : "\n";
    }
    return out + QByteArray(indent, ' ') + '}';
}

// The block with the known keys in place of what the card let us read, and
// '-' for keys not known (.mct only).
QByteArray mctLine(const MifareImage &image, int block)
{
    const QByteArray data = image.blocks.value(block);
    if (data.isEmpty())
        return UnknownBlock;
    QByteArray line = hex(data);
    if (isTrailerBlock(block)) {
        const int sector = sectorOfBlock(block);
        if (image.keyA.value(sector).isEmpty())
            line.replace(0, 2 * KeySize, UnknownKey);
        if (image.keyB.value(sector).isEmpty())
            line.replace(20, 2 * KeySize, UnknownKey);
    }
    return line;
}

QByteArray mifareJson(const MifareImage &image)
{
    QList<QPair<QByteArray, QByteArray>> card = {
        {"UID", quoted(hex(image.uid))},
        {"ATQA", quoted(hex(image.atqa))},
        {"SAK", quoted(hex(QByteArray(1, char(image.sak))))},
    };
    QList<QPair<QByteArray, QByteArray>> blocks;
    for (int b = 0; b < image.blocks.size(); ++b) {
        if (!image.blocks.at(b).isEmpty())
            blocks.append({QByteArray::number(b), quoted(hex(image.blocks.at(b)))});
    }
    QList<QPair<QByteArray, QByteArray>> sectors;
    for (int s = 0; s < sectorCount(image.kind); ++s) {
        QList<QPair<QByteArray, QByteArray>> keys;
        if (!image.keyA.value(s).isEmpty())
            keys.append({"KeyA", quoted(hex(image.keyA.at(s)))});
        if (!image.keyB.value(s).isEmpty())
            keys.append({"KeyB", quoted(hex(image.keyB.at(s)))});
        const QByteArray trailer = image.blocks.value(firstBlock(s) + blocksIn(s) - 1);
        if (!trailer.isEmpty())
            keys.append({"AccessConditions", quoted(hex(trailer.mid(6, 4)))});
        if (!keys.isEmpty())
            sectors.append({QByteArray::number(s), jsonObject(keys, 4)});
    }
    const QList<QPair<QByteArray, QByteArray>> top = {
        {"Created", quoted(Creator)},
        {"FileType", quoted("mfc v2")},
        {"Card", jsonObject(card, 2)},
        {"blocks", jsonObject(blocks, 2)},
        {"SectorKeys", jsonObject(sectors, 2)},
    };
    return jsonObject(top, 0) + '\n';
}

QString fail(const QString &fileName, const QString &why)
{
    return QStringLiteral("%1: %2").arg(fileName, why);
}

// Keys, UID, ATQA and SAK of an image read from plain blocks (.bin, .eml,
// .mct): the keys are what the trailers hold, the card data what block 0 holds.
void deriveFromBlocks(MifareImage &image, bool keysFromTrailers)
{
    const QByteArray b0 = image.blocks.value(0);
    if (!b0.isEmpty()) {
        image.uid = b0.left(4);
        image.atqa = b0.mid(6, 2);
    }
    if (!keysFromTrailers)
        return;
    for (int s = 0; s < sectorCount(image.kind); ++s) {
        const QByteArray trailer = image.blocks.value(firstBlock(s) + blocksIn(s) - 1);
        if (!trailer.isEmpty()) {
            image.keyA[s] = trailer.left(KeySize);
            image.keyB[s] = trailer.right(KeySize);
        }
    }
}

std::optional<MifareKind> kindOfBlockCount(int blocks)
{
    if (blocks == 64)
        return MifareKind::S50;
    if (blocks == 256)
        return MifareKind::S70;
    return std::nullopt;
}

DumpParse parseMifareBin(const QByteArray &content, const QString &fileName)
{
    DumpParse p;
    p.format = DumpFormat::Bin;
    if (content.size() == UltralightPages * PageSize) {
        p.kind = DumpKind::Ultralight;
        p.ultralight = UltralightImage::empty();
        for (int i = 0; i < UltralightPages; ++i)
            p.ultralight.pages[i] = content.mid(i * PageSize, PageSize);
        p.ultralight.uid = content.left(3) + content.mid(4, 4);
        return p;
    }
    const auto kind = kindOfBlockCount(int(content.size() / BlockSize));
    if (!kind || content.size() % BlockSize) {
        p.error = fail(fileName, QStringLiteral("%1 bytes: a .bin dump holds 1024 (S50), 4096 (S70) or 64 (Ultralight)")
                                     .arg(content.size()));
        return p;
    }
    p.mifare = MifareImage::empty(*kind);
    for (int b = 0; b < blockCount(*kind); ++b)
        p.mifare.blocks[b] = content.mid(b * BlockSize, BlockSize);
    deriveFromBlocks(p.mifare, true);
    return p;
}

DumpParse parseMifareEml(const QByteArray &content, const QString &fileName)
{
    DumpParse p;
    p.format = DumpFormat::Eml;
    const QList<QByteArray> lines = textLines(content);
    const auto kind = kindOfBlockCount(int(lines.size()));
    if (!kind) {
        p.error = fail(fileName, QStringLiteral("%1 lines: an .eml dump holds 64 (S50) or 256 (S70)").arg(lines.size()));
        return p;
    }
    p.mifare = MifareImage::empty(*kind);
    for (int b = 0; b < lines.size(); ++b) {
        if (lines.at(b) == UnknownBlock)
            continue;
        if (!isHex(lines.at(b), 2 * BlockSize)) {
            p.error = fail(fileName, QStringLiteral("block %1 is not 32 hex digits").arg(b));
            return p;
        }
        p.mifare.blocks[b] = QByteArray::fromHex(lines.at(b));
    }
    deriveFromBlocks(p.mifare, true);
    return p;
}

DumpParse parseMifareMct(const QByteArray &content, const QString &fileName)
{
    DumpParse p;
    p.format = DumpFormat::Mct;
    const QList<QByteArray> lines = textLines(content);
    // Sectors first, to know the kind; then the blocks.
    QList<QPair<int, QList<QByteArray>>> sectors;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.startsWith("+Sector:")) {
            bool ok = false;
            const int n = line.mid(8).trimmed().toInt(&ok);
            if (!ok || n < 0 || n >= 40) {
                p.error = fail(fileName, QStringLiteral("line %1: bad sector number").arg(i + 1));
                return p;
            }
            sectors.append(qMakePair(n, QList<QByteArray>()));
        } else if (sectors.isEmpty()) {
            p.error = fail(fileName, QStringLiteral("line %1: a block before the first \"+Sector:\" line").arg(i + 1));
            return p;
        } else {
            sectors.last().second.append(line);
        }
    }
    if (sectors.isEmpty()) {
        p.error = fail(fileName, QStringLiteral("no \"+Sector:\" line"));
        return p;
    }
    int highest = 0;
    for (const auto &s : sectors)
        highest = std::max(highest, s.first);
    const MifareKind kind = highest < 16 ? MifareKind::S50 : MifareKind::S70;
    p.mifare = MifareImage::empty(kind);
    for (const auto &[sector, blockLines] : sectors) {
        if (blockLines.size() != blocksIn(sector)) {
            p.error = fail(fileName, QStringLiteral("sector %1 has %2 blocks, not %3")
                                         .arg(sector)
                                         .arg(blockLines.size())
                                         .arg(blocksIn(sector)));
            return p;
        }
        for (int i = 0; i < blockLines.size(); ++i) {
            const int block = firstBlock(sector) + i;
            QByteArray line = blockLines.at(i);
            if (line == UnknownBlock)
                continue;
            const bool trailer = i == blocksIn(sector) - 1;
            bool keyAKnown = true, keyBKnown = true;
            if (trailer && line.size() == 2 * BlockSize) {
                keyAKnown = line.left(2 * KeySize) != UnknownKey;
                keyBKnown = line.mid(20, 2 * KeySize) != UnknownKey;
                if (!keyAKnown)
                    line.replace(0, 2 * KeySize, QByteArray(2 * KeySize, '0'));
                if (!keyBKnown)
                    line.replace(20, 2 * KeySize, QByteArray(2 * KeySize, '0'));
            }
            if (!isHex(line, 2 * BlockSize)) {
                p.error = fail(fileName, QStringLiteral("sector %1 block %2 is not 32 hex digits").arg(sector).arg(i));
                return p;
            }
            p.mifare.blocks[block] = QByteArray::fromHex(line);
            if (trailer) {
                if (keyAKnown)
                    p.mifare.keyA[sector] = p.mifare.blocks[block].left(KeySize);
                if (keyBKnown)
                    p.mifare.keyB[sector] = p.mifare.blocks[block].right(KeySize);
            }
        }
    }
    deriveFromBlocks(p.mifare, false);
    return p;
}

// A JSON member as hex of the given length; *error set when present but wrong.
QByteArray jsonHex(const QJsonObject &o, const QString &name, int digits, bool required, QString *error)
{
    const QJsonValue v = o.value(name);
    if (v.isUndefined() && !required)
        return {};
    const QByteArray text = v.toString().toLatin1();
    if (!isHex(text, digits > 0 ? digits : int(text.size())) || text.isEmpty() || text.size() % 2) {
        *error = QStringLiteral("\"%1\" is not %2 hex digits").arg(name, digits > 0 ? QString::number(digits) : QStringLiteral("an even number of"));
        return {};
    }
    return QByteArray::fromHex(text);
}

DumpParse parseJson(const QByteArray &content, const QString &fileName)
{
    DumpParse p;
    p.format = DumpFormat::Json;
    QJsonParseError jsonError;
    const QJsonDocument doc = QJsonDocument::fromJson(content, &jsonError);
    if (!doc.isObject()) {
        p.error = fail(fileName, QStringLiteral("not a JSON dump: %1").arg(jsonError.errorString()));
        return p;
    }
    const QJsonObject top = doc.object();
    const QString type = top.value(QStringLiteral("FileType")).toString();
    const QJsonObject card = top.value(QStringLiteral("Card")).toObject();
    const QJsonObject blocks = top.value(QStringLiteral("blocks")).toObject();
    QString why;
    if (type == QLatin1String("mfu")) {
        p.kind = DumpKind::Ultralight;
        p.ultralight = UltralightImage::empty();
        p.ultralight.uid = jsonHex(card, QStringLiteral("UID"), 0, false, &why);
        for (auto it = blocks.begin(); it != blocks.end() && why.isEmpty(); ++it) {
            bool ok = false;
            const int page = it.key().toInt(&ok);
            const QByteArray text = it.value().toString().toLatin1();
            if (!ok || page < 0 || page >= UltralightPages || !isHex(text, 2 * PageSize))
                why = QStringLiteral("page \"%1\" is not a page number 0..15 with 8 hex digits").arg(it.key());
            else
                p.ultralight.pages[page] = QByteArray::fromHex(text);
        }
    } else if (type.startsWith(QLatin1String("mfc"))) {
        int highest = -1;
        for (auto it = blocks.begin(); it != blocks.end(); ++it)
            highest = std::max(highest, it.key().toInt());
        const QByteArray sak = jsonHex(card, QStringLiteral("SAK"), 2, false, &why);
        const MifareKind kind = !sak.isEmpty() ? (quint8(sak[0]) == 0x18 ? MifareKind::S70 : MifareKind::S50)
                                               : (highest >= 64 ? MifareKind::S70 : MifareKind::S50);
        p.mifare = MifareImage::empty(kind);
        p.mifare.uid = jsonHex(card, QStringLiteral("UID"), 0, false, &why);
        const QByteArray atqa = jsonHex(card, QStringLiteral("ATQA"), 4, false, &why);
        if (!atqa.isEmpty())
            p.mifare.atqa = atqa;
        if (!sak.isEmpty())
            p.mifare.sak = quint8(sak[0]);
        for (auto it = blocks.begin(); it != blocks.end() && why.isEmpty(); ++it) {
            bool ok = false;
            const int block = it.key().toInt(&ok);
            const QByteArray text = it.value().toString().toLatin1();
            if (!ok || block < 0 || block >= blockCount(kind) || !isHex(text, 2 * BlockSize))
                why = QStringLiteral("block \"%1\" is not a block number of an %2 with 32 hex digits")
                          .arg(it.key(), kindName(kind));
            else
                p.mifare.blocks[block] = QByteArray::fromHex(text);
        }
        const QJsonObject keys = top.value(QStringLiteral("SectorKeys")).toObject();
        for (auto it = keys.begin(); it != keys.end() && why.isEmpty(); ++it) {
            bool ok = false;
            const int sector = it.key().toInt(&ok);
            if (!ok || sector < 0 || sector >= sectorCount(kind)) {
                why = QStringLiteral("sector \"%1\" is not a sector of an %2").arg(it.key(), kindName(kind));
                break;
            }
            const QJsonObject k = it.value().toObject();
            p.mifare.keyA[sector] = jsonHex(k, QStringLiteral("KeyA"), 2 * KeySize, false, &why);
            p.mifare.keyB[sector] = jsonHex(k, QStringLiteral("KeyB"), 2 * KeySize, false, &why);
        }
    } else {
        why = QStringLiteral("FileType \"%1\" is neither \"mfc v2\" nor \"mfu\"").arg(type);
    }
    if (!why.isEmpty())
        p.error = fail(fileName, why);
    return p;
}

bool looksLikeHexLines(const QByteArray &content)
{
    for (const QByteArray &line : textLines(content)) {
        if (!isHex(line, 2 * BlockSize) && line != UnknownBlock)
            return false;
    }
    return !content.trimmed().isEmpty();
}

}  // namespace

std::optional<DumpFormat> formatOfName(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("json"))
        return DumpFormat::Json;
    if (ext == QLatin1String("bin"))
        return DumpFormat::Bin;
    if (ext == QLatin1String("eml"))
        return DumpFormat::Eml;
    if (ext == QLatin1String("mct"))
        return DumpFormat::Mct;
    return std::nullopt;
}

QString formatName(DumpFormat format)
{
    switch (format) {
    case DumpFormat::Json: return QStringLiteral("json");
    case DumpFormat::Bin: return QStringLiteral("bin");
    case DumpFormat::Eml: return QStringLiteral("eml");
    case DumpFormat::Mct: return QStringLiteral("mct");
    }
    return {};
}

FileBytes writeMifare(const MifareImage &image, DumpFormat format, bool partial)
{
    FileBytes out;
    if (format == DumpFormat::Json) {
        out.bytes = mifareJson(image);
        return out;
    }
    if (format == DumpFormat::Mct) {
        for (int s = 0; s < sectorCount(image.kind); ++s) {
            out.bytes += "+Sector: " + QByteArray::number(s) + '\n';
            for (int b = firstBlock(s); b < firstBlock(s) + blocksIn(s); ++b)
                out.bytes += mctLine(image, b) + '\n';
        }
        return out;
    }
    QList<int> unknown;
    for (int s = 0; s < sectorCount(image.kind); ++s) {
        if (!image.sectorKnown(s))
            unknown.append(s);
    }
    if (!unknown.isEmpty()) {
        QStringList names;
        for (int s : unknown)
            names << QString::number(s);
        const QString which = QStringLiteral("sector%1 %2").arg(unknown.size() > 1 ? QStringLiteral("s") : QString(),
                                                                  names.join(QStringLiteral(", ")));
        if (!partial) {
            out.error = QStringLiteral("%1 not read: a .%2 file cannot mark unknown blocks (use .json or .mct, or "
                                       "--partial to write zeros)")
                            .arg(which, formatName(format));
            return out;
        }
        out.warnings << QStringLiteral("%1 not read: written as zeros").arg(which);
    }
    for (int b = 0; b < blockCount(image.kind); ++b) {
        const QByteArray block = image.blocks.value(b).isEmpty() ? QByteArray(BlockSize, '\0') : image.blocks.at(b);
        out.bytes += format == DumpFormat::Bin ? block : hex(block) + '\n';
    }
    return out;
}

FileBytes writeUltralight(const UltralightImage &image, DumpFormat format)
{
    FileBytes out;
    QList<int> unknown;
    for (int i = 0; i < image.pages.size(); ++i) {
        if (image.pages.at(i).isEmpty())
            unknown.append(i);
    }
    if (format == DumpFormat::Json) {
        QList<QPair<QByteArray, QByteArray>> pages;
        for (int i = 0; i < image.pages.size(); ++i) {
            if (!image.pages.at(i).isEmpty())
                pages.append({QByteArray::number(i), quoted(hex(image.pages.at(i)))});
        }
        const QList<QPair<QByteArray, QByteArray>> top = {
            {"Created", quoted(Creator)},
            {"FileType", quoted("mfu")},
            {"Card", jsonObject({{"UID", quoted(hex(image.uid))}}, 2)},
            {"blocks", jsonObject(pages, 2)},
        };
        out.bytes = jsonObject(top, 0) + '\n';
        return out;
    }
    if (format != DumpFormat::Bin) {
        out.error = QStringLiteral("an Ultralight dump is written as .json or .bin, not .%1").arg(formatName(format));
        return out;
    }
    if (!unknown.isEmpty()) {
        out.error = QStringLiteral("%1 pages not read: a .bin file cannot mark them (use .json)").arg(unknown.size());
        return out;
    }
    for (const QByteArray &page : image.pages)
        out.bytes += page;
    return out;
}

DumpParse parseDump(const QByteArray &content, const QString &fileName)
{
    std::optional<DumpFormat> format = formatOfName(fileName);
    const QByteArray start = content.trimmed().left(16);
    if (!format) {
        if (start.startsWith('{'))
            format = DumpFormat::Json;
        else if (start.startsWith("+Sector"))
            format = DumpFormat::Mct;
        else if (looksLikeHexLines(content))
            format = DumpFormat::Eml;
        else
            format = DumpFormat::Bin;
    }
    // The content has to agree with the extension: a text dump named .bin
    // would otherwise be restored as garbage.
    DumpParse p;
    switch (*format) {
    case DumpFormat::Json:
        return parseJson(content, fileName);
    case DumpFormat::Mct:
        return parseMifareMct(content, fileName);
    case DumpFormat::Eml:
        return parseMifareEml(content, fileName);
    case DumpFormat::Bin:
        if (formatOfName(fileName) && (start.startsWith('{') || start.startsWith("+Sector"))) {
            p.error = fail(fileName, QStringLiteral("a text dump, not a .bin one"));
            return p;
        }
        return parseMifareBin(content, fileName);
    }
    return p;
}

DumpParse readDump(const QString &path)
{
    constexpr qint64 MaxSize = 1024 * 1024;  // far above any card
    QFile file(path);
    DumpParse p;
    if (!QFileInfo(path).isFile()) {
        p.error = fail(path, QFileInfo::exists(path) ? QStringLiteral("not a regular file") : QStringLiteral("no such file"));
        return p;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        p.error = fail(path, file.errorString());
        return p;
    }
    if (file.size() > MaxSize) {
        p.error = fail(path, QStringLiteral("too large for a card dump"));
        return p;
    }
    return parseDump(file.readAll(), path);
}

}  // namespace mdq::cards
