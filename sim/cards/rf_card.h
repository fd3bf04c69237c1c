#pragma once
// What every card on the RF antenna shares: the type test, activation in the
// reader's search order, deactivation and status. A model supplies its type
// code, its answer to activation and its Mifare or APDU commands.
//
// Positive answers carry no status characters: the reader puts its own in
// (CardSlots). Mifare operations answer positively with a two-byte status word
// at the end of the data: 90 00 done, 6F 00 refused (no authentication, bad
// block, malformed value block ...).

#include "cards/card.h"

namespace sim {

namespace rf {
constexpr quint16 SwOk = 0x9000;
constexpr quint16 SwRefused = 0x6F00;

// A positive answer: data followed by the status word, high byte first.
CardReply swReply(quint16 sw, const QByteArray &payload = {});
}  // namespace rf

class RfCard : public ContactlessCard
{
public:
    enum class Protocol { TypeA, TypeB };

    CardReply command(quint8 cm, quint8 pm, const QByteArray &data) override;
    bool isActive() const { return m_active; }

    // The two search-order bytes of the activate command ('A'/'B' first, then
    // 'A', 'B' or '0'); false for any other pair.
    static bool searchFinds(const QByteArray &order, Protocol protocol, bool *valid);

protected:
    virtual Protocol protocol() const = 0;
    // "10" S50, "11" S70, "12" Ultralight, "20" Type A CPU, "30" Type B CPU.
    virtual QByteArray typeCode() const = 0;
    // The activation answer from the kind letter on ('M', 'A' or 'B' ...).
    virtual QByteArray activate() = 0;
    virtual void deactivate() {}
    // Data after the leading 00h of a Mifare command (PmRfMifare).
    virtual CardReply mifare(const QByteArray &command);
    // The response APDU (data and SW1 SW2); empty when the card does not speak APDUs.
    virtual QByteArray apdu(const QByteArray &command);

private:
    bool m_active = false;
};

}  // namespace sim
