#include "cards/rf_card.h"

#include "link/commands.h"

namespace sim {

using namespace mdq;

CardReply rf::swReply(quint16 sw, const QByteArray &payload)
{
    QByteArray data = payload;
    data.append(char(sw >> 8));
    data.append(char(sw & 0xFF));
    return CardReply::ok(QByteArray(), data);
}

namespace {

struct SearchOrder
{
    char first;
    char second;
};

// Type A first, Type B first, A only, B only.
constexpr SearchOrder kSearchOrders[] = {{'A', 'B'}, {'B', 'A'}, {'A', '0'}, {'B', '0'}};

}  // namespace

bool RfCard::searchFinds(const QByteArray &order, Protocol protocol, bool *valid)
{
    *valid = false;
    if (order.size() != 2)
        return false;
    const char letter = protocol == Protocol::TypeA ? 'A' : 'B';
    for (const auto &o : kSearchOrders) {
        if (order[0] == o.first && order[1] == o.second) {
            *valid = true;
            return o.first == letter || o.second == letter;
        }
    }
    return false;
}

CardReply RfCard::command(quint8 cm, quint8 pm, const QByteArray &data)
{
    if (cm == CmCardType)
        return CardReply::ok(QByteArray(), typeCode());
    if (cm != CmRf)
        return CardReply::error(codes::UnknownCommand);

    switch (pm) {
    case PmRfActivate: {
        bool valid = false;
        const bool found = searchFinds(data, protocol(), &valid);
        if (!valid)
            return CardReply::error(codes::BadParameter);
        deactivate();
        m_active = found;
        if (!found)
            return CardReply::error(codes::CardNotResponding);
        return CardReply::ok(QByteArray(), activate());
    }
    case PmRfDeactivate:
        deactivate();
        m_active = false;
        return CardReply::ok(QByteArray());
    case PmRfStatus:
        return CardReply::ok(QByteArray(), typeCode());
    default:
        break;
    }

    if (!m_active)
        return CardReply::error(codes::CardNotResponding);
    if (pm == PmRfMifare) {
        if (data.size() < 2 || data[0] != '\0')
            return rf::swReply(rf::SwRefused);
        return mifare(data.mid(1));
    }
    if (pm == PmRfTypeAApdu || pm == PmRfTypeBApdu) {
        const Protocol wanted = pm == PmRfTypeAApdu ? Protocol::TypeA : Protocol::TypeB;
        const QByteArray response = wanted == protocol() ? apdu(data) : QByteArray();
        if (response.isEmpty())
            return CardReply::error(codes::CardNotResponding);
        return CardReply::ok(QByteArray(), response);
    }
    return CardReply::error(codes::BadParameter);
}

CardReply RfCard::mifare(const QByteArray &)
{
    return rf::swReply(rf::SwRefused);
}

QByteArray RfCard::apdu(const QByteArray &)
{
    return QByteArray();
}

}  // namespace sim
