#include "cards/sle4442_card.h"

#include "cards/contact_apdu.h"
#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {
constexpr quint8 AreaMain = 0x00, AreaProtection = 0x01, AreaSecurity = 0x02, VerifyP1 = 0x03;
}  // namespace

Sle4442Card::Sle4442Card() : m_main(MainSize, char(0xFF))
{
    m_main.replace(0, 4, answerToReset());
    for (int i = 0; i < 4; ++i)
        m_protected[i] = true;
}

CardReply Sle4442Card::command(quint8 cm, quint8 pm, const QByteArray &data)
{
    static const SleCommandSet set{"20", answerToReset(), "1", PmSle4442Apdu};
    return sleCommand(m_session, set, cm, pm, data, [this](const QByteArray &d) { return apdu(d); });
}

CardReply Sle4442Card::apdu(const QByteArray &data)
{
    const auto a = MemoryApdu::parse(data);
    if (!a)
        return cardSw(sw::WrongLength);
    if (a->cla != 0x00)
        return cardSw(sw::BadCla);
    switch (a->ins) {
    case MemoryVerify:
        if (a->p1 != VerifyP1 || a->p2 != 0x01)
            return cardSw(sw::BadP1P2);
        if (a->p3 != 3 || a->body.size() != 3)
            return cardSw(sw::WrongLength);
        return verify(a->body);
    case MemoryRead:
        if (!a->body.isEmpty())
            return cardSw(sw::WrongLength);
        return read(a->p1, a->p2, a->p3);
    case MemoryWrite:
        if (a->body.size() != a->p3)
            return cardSw(sw::WrongLength);
        return write(a->p1, a->p2, a->body);
    default:
        return cardSw(sw::BadIns);
    }
}

CardReply Sle4442Card::verify(const QByteArray &code)
{
    if (m_attempts == 0)
        return cardSw(sw::Locked);
    if (code == m_psc) {
        m_attempts = Attempts;
        m_session.verified = true;
        return cardSw(sw::Ok);
    }
    m_session.verified = false;
    --m_attempts;
    return cardSw(m_attempts == 0 ? sw::Locked : sw::WrongCode);
}

CardReply Sle4442Card::read(quint8 area, int address, int length) const
{
    QByteArray source;
    switch (area) {
    case AreaMain: source = m_main; break;
    case AreaProtection:
        for (bool p : m_protected)
            source.append(p ? char(0x01) : char(0x00));
        break;
    case AreaSecurity:
        // The error counter as its remaining bits; the code reads as zeros until verified.
        source.append(char((1 << m_attempts) - 1));
        source.append(m_session.verified ? m_psc : QByteArray(3, '\0'));
        break;
    default: return cardSw(sw::BadP1P2);
    }
    if (address + length > source.size())
        return cardSw(sw::BadP1P2);
    return cardSw(sw::Ok, source.mid(address, length));
}

CardReply Sle4442Card::write(quint8 area, int address, const QByteArray &bytes)
{
    if (!m_session.verified)
        return cardSw(sw::ExecuteError);
    const int n = int(bytes.size());
    switch (area) {
    case AreaMain:
        if (address + n > MainSize)
            return cardSw(sw::BadP1P2);
        for (int i = address; i < address + n; ++i) {
            if (isProtected(i))
                return cardSw(sw::ExecuteError);  // nothing written
        }
        m_main.replace(address, n, bytes);
        return cardSw(sw::Ok);
    case AreaProtection:
        // The chip protects a byte only when given its current contents.
        if (address + n > ProtectedRange)
            return cardSw(sw::BadP1P2);
        if (bytes != m_main.mid(address, n))
            return cardSw(sw::ExecuteError);
        for (int i = address; i < address + n; ++i)
            m_protected[i] = true;
        return cardSw(sw::Ok);
    case AreaSecurity:
        if (address != 0x01 || n != 3)
            return cardSw(sw::BadP1P2);
        m_psc = bytes;
        return cardSw(sw::Ok);
    default:
        return cardSw(sw::BadP1P2);
    }
}

}  // namespace sim
