#pragma once
// Where the reader's chip commands go: CM 50h..54h to the contact card at the IC
// position (CM 52h to the selected SAM socket), CM 60h to the card on the RF
// antenna. The reader itself answers the type tests and the SAM selection, and
// answers for empty slots: type tests and the RF status report "00" (no card),
// every other command to an empty slot "63" (the card does not respond).

#include "cards/card.h"
#include "cards/rf_key_store.h"

#include <array>
#include <memory>

namespace sim {

class CardSlots
{
public:
    static constexpr int SamSockets = 8;

    static bool routes(quint8 cm);

    // readerStatus: the reader's three status characters, used when the reader
    // answers itself.
    Reply handle(quint8 cm, quint8 pm, const QByteArray &data, const QByteArray &readerStatus);

    void setContactCard(std::unique_ptr<ContactCard> card) { m_contact = std::move(card); }
    void setContactlessCard(std::unique_ptr<ContactlessCard> card) { m_contactless = std::move(card); }
    bool setSamCard(int index, std::unique_ptr<ContactCard> card);

    ContactCard *contactCard() const { return m_contact.get(); }
    ContactlessCard *contactlessCard() const { return m_contactless.get(); }
    ContactCard *samCard(int index) const;
    int selectedSam() const { return m_selectedSam; }
    RfKeyStore &rfKeys() { return m_rfKeys; }

private:
    Reply samCommand(quint8 pm, const QByteArray &data, const QByteArray &readerStatus);

    std::unique_ptr<ContactCard> m_contact;
    std::unique_ptr<ContactlessCard> m_contactless;
    std::array<std::unique_ptr<ContactCard>, SamSockets> m_sams;
    int m_selectedSam = 0;
    RfKeyStore m_rfKeys;  // the reader's EEPROM, not the card's
};

}  // namespace sim
