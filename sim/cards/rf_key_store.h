#pragma once
// The reader's EEPROM key store for Mifare sectors: a Key A and a Key B for
// each of the 40 sector numbers, all FF..FF when the reader leaves the factory.
// "Download" (00h D0h) writes a key into the store, with or without a card on
// the antenna; "load" (00h 21h) authenticates the sector of the card on the
// antenna with the stored key, exactly as a key check would.

#include "cards/card.h"

#include <QByteArray>
#include <array>
#include <optional>

namespace sim {

class ContactlessCard;

class RfKeyStore
{
public:
    static constexpr int Sectors = 40;

    RfKeyStore();

    // The answer to a CM 60h command when the store handles it (download), or
    // the command rewritten for the card (load), else nullopt: pass as it is.
    std::optional<CardReply> handle(quint8 pm, QByteArray &data);

    QByteArray key(int keyType, int sector) const { return m_keys[keyType][sector]; }

private:
    std::array<std::array<QByteArray, Sectors>, 2> m_keys;
};

}  // namespace sim
