#pragma once
// A contact microprocessor card (T=0 or T=1), also used in the SAM sockets:
// cold and warm reset with its answer to reset, APDUs through the shared
// ApduResponder, status and deactivation (CM 51h at the IC position, 52h in a
// SAM socket).

#include "cards/apdu_responder.h"
#include "cards/card.h"

namespace sim {

class CpuCard : public ContactCard
{
public:
    enum class Variant { T0, T1, Sam };

    explicit CpuCard(Variant variant, ApduResponder::RandomByte random = {});
    QString kind() const override;
    CardReply command(quint8 cm, quint8 pm, const QByteArray &data) override;

    QByteArray answerToReset() const;
    bool isActive() const { return m_active; }

private:
    CardReply resetAnswer();

    Variant m_variant;
    ApduResponder m_responder;
    bool m_active = false;
};

}  // namespace sim
