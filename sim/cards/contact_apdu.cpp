#include "cards/contact_apdu.h"

#include "link/commands.h"

namespace sim {

using namespace mdq;

std::optional<MemoryApdu> MemoryApdu::parse(const QByteArray &data)
{
    if (data.size() < 5)
        return std::nullopt;
    auto b = [&](int i) { return quint8(data[i]); };
    return MemoryApdu{b(0), b(1), b(2), b(3), b(4), data.mid(5)};
}

QByteArray withSw(const QByteArray &data, quint16 statusWord)
{
    QByteArray out = data;
    out.append(char(statusWord >> 8));
    out.append(char(statusWord & 0xFF));
    return out;
}

Reply sleCommand(SleSession &session, const SleCommandSet &set, quint8 cm, quint8 pm, const QByteArray &data,
                 const std::function<Reply(const QByteArray &)> &apdu)
{
    if (cm == CmCardType)
        return cardOk(set.typeCode);
    if (cm != CmSle)
        return Reply::error(cardcodes::NotSupported);
    if (pm == set.apduPm)
        return session.active ? apdu(data) : Reply::error(cardcodes::NoAtrYet);
    switch (pm) {
    case PmSleActivate:
        session.active = true;
        session.verified = false;  // a new power-up forgets the verification
        return cardOk(set.answerToReset);
    case PmSleDeactivate:
        session.active = session.verified = false;
        return cardOk();
    case PmSleStatus:
        return cardOk(session.active ? set.activeStatus : QByteArrayLiteral("0"));
    default:
        return Reply::error(codes::BadParameter);
    }
}

}  // namespace sim
