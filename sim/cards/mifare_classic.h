#pragma once
// Mifare Classic S50 (16 sectors of 4 blocks) and S70 (32 sectors of 4 blocks
// and 8 of 16), as fresh from the factory: every sector trailer holds Key A
// FF..FF, access bits FF 07 80 69 and Key B FF..FF. Reading, writing, value
// operations and changing the key need the sector to be authenticated first,
// by checking a key (or by the reader loading one from its key store).
// Access bits are kept as written but not enforced.

#include "cards/rf_card.h"

#include <QList>

namespace sim {

class MifareClassic : public RfCard
{
public:
    enum class Model { S50, S70 };
    explicit MifareClassic(Model model, QByteArray uid = QByteArrayLiteral("\xA1\x2B\x3C\x4D"));

    QString kind() const override;
    int sectorCount() const { return m_model == Model::S50 ? 16 : 40; }
    static int blocksIn(int sector) { return sector < 32 ? 4 : 16; }
    static int firstBlock(int sector) { return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16; }
    static bool isTrailer(int sector, int block) { return block == blocksIn(sector) - 1; }

    // A card as a bench finds them in the field: sectors under different
    // well-known keys, data in every data block, and sector 5 under a key no
    // public dictionary holds (5A1B2C3D4E5F / 6C7D8E9FA0B1).
    void stageMixedKeys();
    void setSectorKeys(int sector, const QByteArray &keyA, const QByteArray &keyB);

    QByteArray uid() const { return m_uid; }
    QByteArray block(int sector, int block) const { return m_blocks.at(firstBlock(sector) + block); }
    int authenticatedSector() const { return m_authSector; }

protected:
    Protocol protocol() const override { return Protocol::TypeA; }
    QByteArray typeCode() const override;
    QByteArray activate() override;
    void deactivate() override { m_authSector = -1; }
    CardReply mifare(const QByteArray &command) override;

private:
    bool validBlock(int sector, int block) const;
    bool authenticated(int sector) const { return m_authSector >= 0 && m_authSector == sector; }
    CardReply checkKey(const QByteArray &args);
    CardReply changeKey(const QByteArray &args);
    CardReply readBlocks(const QByteArray &args) const;
    CardReply writeBlocks(const QByteArray &args);
    CardReply valueOperation(quint8 op, const QByteArray &args);
    CardReply readValue(const QByteArray &args) const;

    Model m_model;
    QByteArray m_uid;
    QList<QByteArray> m_blocks;
    int m_authSector = -1;
};

// The value-block layout: value, inverted value, value (LSB first), then the
// block address, inverted, address, inverted.
QByteArray valueBlock(quint32 value, quint8 address);
// The value of a well-formed value block; false when the copies disagree.
bool parseValueBlock(const QByteArray &block, quint32 *value);

}  // namespace sim
