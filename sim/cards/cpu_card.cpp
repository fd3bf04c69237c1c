#include "cards/cpu_card.h"

#include "cards/contact_apdu.h"
#include "link/commands.h"

namespace sim {

using namespace mdq;

CpuCard::CpuCard(Variant variant, ApduResponder::RandomByte random)
    : m_variant(variant)
    , m_responder(variant == Variant::T1 ? ApduResponder::Transport::Direct : ApduResponder::Transport::T0,
                  std::move(random))
{
}

QString CpuCard::kind() const
{
    switch (m_variant) {
    case Variant::T0: return QStringLiteral("cpu-t0");
    case Variant::T1: return QStringLiteral("cpu-t1");
    case Variant::Sam: return QStringLiteral("sam");
    }
    return QString();
}

QByteArray CpuCard::answerToReset() const
{
    if (m_variant == Variant::T1) {
        // TB1 TC1 TD1 (T=1 follows) TD2 (T=1: TA3 TB3) TA3 TB3, 9 historical bytes, TCK.
        QByteArray atr = QByteArray::fromHex("3BE900008131FE45") + QByteArrayLiteral("SIMCPU-T1");
        quint8 tck = 0;
        for (int i = 1; i < atr.size(); ++i)
            tck ^= quint8(atr[i]);
        return atr.append(char(tck));
    }
    // TB1 TC1 and 9 historical bytes; T=0 needs no TCK.
    return QByteArray::fromHex("3B690000")
        + (m_variant == Variant::Sam ? QByteArrayLiteral("SIMSAM-T0") : QByteArrayLiteral("SIMCPU-T0"));
}

CardReply CpuCard::resetAnswer()
{
    m_active = true;
    m_responder.reset();
    const char protocol = m_variant == Variant::T1 ? '1' : '0';
    return cardOk(QByteArray(1, protocol) + answerToReset());
}

CardReply CpuCard::command(quint8 cm, quint8 pm, const QByteArray &data)
{
    if (cm == CmCardType)
        return cardOk(m_variant == Variant::T1 ? "11" : "10");
    if (cm != CmContactCpu && cm != CmSam)
        return Reply::error(cardcodes::NotSupported);
    switch (pm) {
    case PmCpuColdReset:
        if (data != QByteArray(1, ColdResetEmv) && data != QByteArray(1, ColdResetIso))
            return Reply::error(codes::BadData);
        return resetAnswer();
    case PmCpuWarmReset:
        return m_active ? resetAnswer() : Reply::error(cardcodes::NoAtrYet);
    case PmCpuApdu:
        return m_active ? cardOk(m_responder.process(data)) : Reply::error(cardcodes::NoAtrYet);
    case PmCpuStatus:
        return cardOk(m_active ? "1" : "0");
    case PmCpuDeactivate:
        m_active = false;
        return cardOk();
    default:
        return Reply::error(codes::BadParameter);
    }
}

}  // namespace sim
