#include "card_slots.h"

namespace sim {

namespace {

constexpr quint8 CmTypeTest = 0x50;
constexpr quint8 CmContactCpu = 0x51;
constexpr quint8 CmSam = 0x52;
constexpr quint8 CmAt24 = 0x54;
constexpr quint8 CmContactless = 0x60;
constexpr quint8 PmSelectSam = 0x40;
constexpr quint8 PmContactlessStatus = '2';

const QByteArray NoCardType = QByteArrayLiteral("00");
constexpr quint8 PmStatus = '2';
const QByteArray NotActivated = QByteArrayLiteral("0");

// Positive contact card answers carry the reader's own status characters.
Reply withReaderStatus(Reply reply, const QByteArray &readerStatus)
{
    if (reply.positive)
        reply.status = readerStatus;
    return reply;
}

// A card answers without status characters when the reader's own belong there.
Reply withStatus(Reply reply, const QByteArray &readerStatus)
{
    if (reply.positive && reply.status.isEmpty())
        reply.status = readerStatus;
    return reply;
}

}  // namespace

bool CardSlots::routes(quint8 cm)
{
    return (cm >= CmTypeTest && cm <= CmAt24) || cm == CmContactless;
}

Reply CardSlots::handle(quint8 cm, quint8 pm, const QByteArray &data, const QByteArray &readerStatus)
{
    if (cm == CmTypeTest) {
        if (pm == '0')
            return m_contact ? withReaderStatus(m_contact->command(cm, pm, data), readerStatus)
                             : Reply::ok(readerStatus, NoCardType);
        if (pm == '1')
            return m_contactless ? withStatus(m_contactless->command(cm, pm, data), readerStatus)
                                 : Reply::ok(readerStatus, NoCardType);
        return Reply::error(codes::BadParameter);
    }
    if (cm == CmSam)
        return samCommand(pm, data, readerStatus);
    if (cm >= CmContactCpu && cm <= CmAt24)
        return m_contact ? withReaderStatus(m_contact->command(cm, pm, data), readerStatus)
                         : Reply::error(codes::CardNotResponding);
    if (cm == CmContactless) {
        QByteArray command = data;
        if (auto stored = m_rfKeys.handle(pm, command))
            return withStatus(*stored, readerStatus);
        if (m_contactless)
            return withStatus(m_contactless->command(cm, pm, command), readerStatus);
        if (pm == PmContactlessStatus)
            return Reply::ok(readerStatus, NoCardType);
        return Reply::error(codes::CardNotResponding);
    }
    return Reply::error(codes::UnknownCommand);
}

Reply CardSlots::samCommand(quint8 pm, const QByteArray &data, const QByteArray &readerStatus)
{
    if (pm == PmSelectSam) {
        // One character: '0' for the first socket.
        const int index = data.size() == 1 ? static_cast<quint8>(data[0]) - '0' : -1;
        if (index < 0 || index >= SamSockets)
            return Reply::error(codes::BadData);
        m_selectedSam = index;
        return Reply::ok(readerStatus);
    }
    ContactCard *sam = m_sams[m_selectedSam].get();
    if (pm == PmStatus) {
        // The reader adds which socket is selected, card or no card.
        Reply status = sam ? sam->command(CmSam, pm, data) : Reply::ok(readerStatus, NotActivated);
        if (status.positive)
            status.data = status.data.left(1) + char('0' + m_selectedSam);
        return withReaderStatus(status, readerStatus);
    }
    return sam ? withReaderStatus(sam->command(CmSam, pm, data), readerStatus)
               : Reply::error(codes::CardNotResponding);
}

bool CardSlots::setSamCard(int index, std::unique_ptr<ContactCard> card)
{
    if (index < 0 || index >= SamSockets)
        return false;
    m_sams[index] = std::move(card);
    return true;
}

ContactCard *CardSlots::samCard(int index) const
{
    return index >= 0 && index < SamSockets ? m_sams[index].get() : nullptr;
}

}  // namespace sim
