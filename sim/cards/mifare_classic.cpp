#include "cards/mifare_classic.h"

#include "link/commands.h"

#include <QtEndian>

namespace sim {

using namespace mdq;

namespace {

constexpr int BlockSize = 16;
constexpr int KeySize = 6;
const QByteArray kFactoryTrailer = QByteArray::fromHex("FFFFFFFFFFFFFF078069FFFFFFFFFFFF");

quint8 at(const QByteArray &bytes, int i)
{
    return i < bytes.size() ? quint8(bytes[i]) : 0;
}

}  // namespace

QByteArray valueBlock(quint32 value, quint8 address)
{
    QByteArray b(BlockSize, '\0');
    qToLittleEndian(value, b.data());
    qToLittleEndian(~value, b.data() + 4);
    qToLittleEndian(value, b.data() + 8);
    b[12] = char(address);
    b[13] = char(~address);
    b[14] = char(address);
    b[15] = char(~address);
    return b;
}

bool parseValueBlock(const QByteArray &block, quint32 *value)
{
    if (block.size() != BlockSize)
        return false;
    const quint32 v = qFromLittleEndian<quint32>(block.constData());
    const quint32 inverted = qFromLittleEndian<quint32>(block.constData() + 4);
    const quint32 copy = qFromLittleEndian<quint32>(block.constData() + 8);
    const quint8 a = quint8(block[12]);
    if (inverted != ~v || copy != v || quint8(block[13]) != quint8(~a) || quint8(block[14]) != a
        || quint8(block[15]) != quint8(~a))
        return false;
    *value = v;
    return true;
}

MifareClassic::MifareClassic(Model model, QByteArray uid) : m_model(model), m_uid(std::move(uid))
{
    const int total = firstBlock(sectorCount() - 1) + blocksIn(sectorCount() - 1);
    m_blocks.fill(QByteArray(BlockSize, '\0'), total);
    for (int s = 0; s < sectorCount(); ++s)
        m_blocks[firstBlock(s) + blocksIn(s) - 1] = kFactoryTrailer;

    // Manufacturer block: UID, its BCC, SAK, ATQA (LSB first), maker data.
    QByteArray b0 = m_uid.left(4);
    b0.append(char(at(m_uid, 0) ^ at(m_uid, 1) ^ at(m_uid, 2) ^ at(m_uid, 3)));
    b0.append(char(m_model == Model::S50 ? 0x08 : 0x18));
    b0.append(char(m_model == Model::S50 ? 0x04 : 0x02));
    b0.append('\0');
    b0.append(QByteArray::fromHex("6263646566676869"));
    m_blocks[0] = b0;
}

void MifareClassic::setSectorKeys(int sector, const QByteArray &keyA, const QByteArray &keyB)
{
    QByteArray &trailer = m_blocks[firstBlock(sector) + blocksIn(sector) - 1];
    trailer.replace(0, KeySize, keyA);
    trailer.replace(BlockSize - KeySize, KeySize, keyB);
}

void MifareClassic::stageMixedKeys()
{
    static const struct
    {
        int sector;
        const char *keyA, *keyB;
    } kKeys[] = {
        {1, "A0A1A2A3A4A5", "B0B1B2B3B4B5"}, {2, "D3F7D3F7D3F7", "FFFFFFFFFFFF"},
        {3, "4D3A99C351DD", "1A982C7E459A"}, {4, "000000000000", "AABBCCDDEEFF"},
        {5, "5A1B2C3D4E5F", "6C7D8E9FA0B1"}, {6, "714C5C886E97", "587EE5F9350F"},
        {33, "A0478CC39091", "533CB6C723F6"}, {39, "8FD0A4F256E9", "FFFFFFFFFFFF"},
    };
    for (const auto &k : kKeys) {
        if (k.sector < sectorCount())
            setSectorKeys(k.sector, QByteArray::fromHex(k.keyA), QByteArray::fromHex(k.keyB));
    }
    for (int s = 0; s < sectorCount(); ++s) {
        for (int b = 0; b + 1 < blocksIn(s); ++b) {
            const int index = firstBlock(s) + b;
            if (index == 0)
                continue;
            QByteArray data(BlockSize, '\0');
            for (int j = 0; j < BlockSize; ++j)
                data[j] = char((index * 7 + j * 13) & 0xFF);
            m_blocks[index] = data;
        }
    }
}

QString MifareClassic::kind() const
{
    return m_model == Model::S50 ? QStringLiteral("s50") : QStringLiteral("s70");
}

QByteArray MifareClassic::typeCode() const
{
    return m_model == Model::S50 ? QByteArrayLiteral("10") : QByteArrayLiteral("11");
}

QByteArray MifareClassic::activate()
{
    QByteArray answer("M");
    answer.append('\0');
    answer.append(char(m_model == Model::S50 ? 0x04 : 0x02));
    answer.append(char(m_uid.size()));
    answer.append(m_uid);
    return answer;
}

bool MifareClassic::validBlock(int sector, int block) const
{
    return sector >= 0 && sector < sectorCount() && block >= 0 && block < blocksIn(sector);
}

CardReply MifareClassic::mifare(const QByteArray &command)
{
    const quint8 op = at(command, 0);
    const QByteArray args = command.mid(1);
    switch (op) {
    case MifareCheckKey: return checkKey(args);
    case MifareChangeKey: return changeKey(args);
    case MifareReadBlocks: return readBlocks(args);
    case MifareWriteBlocks: return writeBlocks(args);
    case MifareInitValue:
    case MifareIncrement:
    case MifareDecrement: return valueOperation(op, args);
    case MifareReadValue: return readValue(args);
    default: return rf::swReply(rf::SwRefused);
    }
}

// key type, sector, 06h, six key bytes
CardReply MifareClassic::checkKey(const QByteArray &args)
{
    m_authSector = -1;
    const int keyType = at(args, 0);
    const int sector = at(args, 1);
    if (args.size() != 3 + KeySize || at(args, 2) != KeySize || keyType > 1 || !validBlock(sector, 0))
        return rf::swReply(rf::SwRefused);
    const QByteArray trailer = m_blocks.at(firstBlock(sector) + blocksIn(sector) - 1);
    const QByteArray stored = keyType == 0 ? trailer.left(KeySize) : trailer.right(KeySize);
    if (stored != args.mid(3))
        return rf::swReply(rf::SwRefused);
    m_authSector = sector;
    return rf::swReply(rf::SwOk);
}

// 00h, sector, 06h, six key bytes: the new Key A of the sector.
CardReply MifareClassic::changeKey(const QByteArray &args)
{
    const int sector = at(args, 1);
    if (args.size() != 3 + KeySize || at(args, 0) != 0 || at(args, 2) != KeySize || !authenticated(sector))
        return rf::swReply(rf::SwRefused);
    QByteArray &trailer = m_blocks[firstBlock(sector) + blocksIn(sector) - 1];
    trailer.replace(0, KeySize, args.mid(3));
    return rf::swReply(rf::SwOk);
}

// sector, block, count
CardReply MifareClassic::readBlocks(const QByteArray &args) const
{
    const int sector = at(args, 0), first = at(args, 1), count = at(args, 2);
    if (args.size() != 3 || count < 1 || !validBlock(sector, first + count - 1) || !authenticated(sector))
        return rf::swReply(rf::SwRefused);
    QByteArray data;
    for (int b = first; b < first + count; ++b) {
        QByteArray block = m_blocks.at(firstBlock(sector) + b);
        if (isTrailer(sector, b))
            block.replace(0, KeySize, QByteArray(KeySize, '\0'));  // Key A never reads back
        data += block;
    }
    return rf::swReply(rf::SwOk, data);
}

// sector, block, count, 16 bytes per block
CardReply MifareClassic::writeBlocks(const QByteArray &args)
{
    const int sector = at(args, 0), first = at(args, 1), count = at(args, 2);
    if (count < 1 || args.size() != 3 + count * BlockSize || !validBlock(sector, first + count - 1)
        || !authenticated(sector) || (sector == 0 && first == 0))
        return rf::swReply(rf::SwRefused);
    for (int i = 0; i < count; ++i)
        m_blocks[firstBlock(sector) + first + i] = args.mid(3 + i * BlockSize, BlockSize);
    return rf::swReply(rf::SwOk);
}

// sector, block, 04h, value LSB first
CardReply MifareClassic::valueOperation(quint8 op, const QByteArray &args)
{
    const int sector = at(args, 0), block = at(args, 1);
    if (args.size() != 7 || at(args, 2) != 4 || !validBlock(sector, block) || !authenticated(sector)
        || isTrailer(sector, block) || (sector == 0 && block == 0))
        return rf::swReply(rf::SwRefused);
    const quint32 amount = qFromLittleEndian<quint32>(args.constData() + 3);
    const int index = firstBlock(sector) + block;
    quint32 value = 0;
    if (op != MifareInitValue && !parseValueBlock(m_blocks.at(index), &value))
        return rf::swReply(rf::SwRefused);
    // The card counts in 32 bits and wraps, as the chip does.
    if (op == MifareInitValue)
        value = amount;
    else if (op == MifareIncrement)
        value += amount;
    else
        value -= amount;
    m_blocks[index] = valueBlock(value, quint8(index));
    return rf::swReply(rf::SwOk);
}

// sector, block
CardReply MifareClassic::readValue(const QByteArray &args) const
{
    const int sector = at(args, 0), block = at(args, 1);
    quint32 value = 0;
    if (args.size() != 2 || !validBlock(sector, block) || !authenticated(sector)
        || !parseValueBlock(m_blocks.at(firstBlock(sector) + block), &value))
        return rf::swReply(rf::SwRefused);
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return rf::swReply(rf::SwOk, bytes);
}

}  // namespace sim
