#include "cards/sle4428_card.h"

#include "cards/contact_apdu.h"
#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {
constexpr quint8 ReadBitsP1 = 0x10, WriteProtectFlag = 0x20, HighAddressMask = 0x03;
}  // namespace

Sle4428Card::Sle4428Card() : m_memory(Size, char(0xFF)), m_protected(Size) {}

CardReply Sle4428Card::command(quint8 cm, quint8 pm, const QByteArray &data)
{
    static const SleCommandSet set{"21", answerToReset(), "2", PmSle4428Apdu};
    return sleCommand(m_session, set, cm, pm, data, [this](const QByteArray &d) { return apdu(d); });
}

CardReply Sle4428Card::apdu(const QByteArray &data)
{
    const auto a = MemoryApdu::parse(data);
    if (!a)
        return cardSw(sw::WrongLength);
    if (a->cla != 0x00)
        return cardSw(sw::BadCla);
    const int n = a->p3;
    switch (a->ins) {
    case MemoryVerify:
        if (a->p1 != 0x00 || a->p2 != 0x00)
            return cardSw(sw::BadP1P2);
        if (n != 2 || a->body.size() != 2)
            return cardSw(sw::WrongLength);
        if (m_attempts == 0)
            return cardSw(sw::Locked);
        if (a->body == m_psc) {
            m_attempts = Attempts;
            m_session.verified = true;
            return cardSw(sw::Ok);
        }
        m_session.verified = false;
        --m_attempts;
        return cardSw(m_attempts == 0 ? sw::Locked : sw::WrongCode);
    case MemoryChangeCode:
        if (a->p1 != 0x01 || a->p2 != 0x00)
            return cardSw(sw::BadP1P2);
        if (n != 2 || a->body.size() != 2)
            return cardSw(sw::WrongLength);
        if (!m_session.verified)
            return cardSw(sw::ExecuteError);
        m_psc = a->body;
        return cardSw(sw::Ok);
    case MemoryRead: {
        if (!a->body.isEmpty())
            return cardSw(sw::WrongLength);
        if (a->p1 == ReadBitsP1) {
            if (a->p2 + n > Size)
                return cardSw(sw::BadP1P2);
            QByteArray bits;
            for (int i = a->p2; i < a->p2 + n; ++i)
                bits.append(isProtected(i) ? char(0x01) : char(0x00));
            return cardSw(sw::Ok, bits);
        }
        const int address = (a->p1 << 8) | a->p2;
        if (a->p1 > HighAddressMask || address + n > Size)
            return cardSw(sw::BadP1P2);
        return cardSw(sw::Ok, m_memory.mid(address, n));
    }
    case MemoryWrite: {
        if (a->p1 & ~(WriteProtectFlag | HighAddressMask))
            return cardSw(sw::BadP1P2);
        if (a->body.size() != n)
            return cardSw(sw::WrongLength);
        const int address = ((a->p1 & HighAddressMask) << 8) | a->p2;
        if (address + n > Size)
            return cardSw(sw::BadP1P2);
        if (!m_session.verified)
            return cardSw(sw::ExecuteError);
        for (int i = address; i < address + n; ++i) {
            if (isProtected(i))
                return cardSw(sw::ExecuteError);  // nothing written
        }
        m_memory.replace(address, n, a->body);
        if (a->p1 & WriteProtectFlag) {
            for (int i = address; i < address + n; ++i)
                m_protected.setBit(i);
        }
        return cardSw(sw::Ok);
    }
    default:
        return cardSw(sw::BadIns);
    }
}

}  // namespace sim
