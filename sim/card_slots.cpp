#include "card_slots.h"

#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {

const QByteArray NoCardType = QByteArrayLiteral("00");
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
    return (cm >= CmCardType && cm <= CmAt24) || cm == CmRf;
}

Reply CardSlots::handle(quint8 cm, quint8 pm, const QByteArray &data, const QByteArray &readerStatus)
{
    if (cm == CmCardType) {
        if (pm == PmTypeContact)
            return m_contact ? withReaderStatus(m_contact->command(cm, pm, data), readerStatus)
                             : Reply::ok(readerStatus, NoCardType);
        if (pm == PmTypeRf)
            return m_contactless ? withStatus(m_contactless->command(cm, pm, data), readerStatus)
                                 : Reply::ok(readerStatus, NoCardType);
        return Reply::error(codes::BadParameter);
    }
    if (cm == CmSam)
        return samCommand(pm, data, readerStatus);
    if (cm >= CmContactCpu && cm <= CmAt24)
        return m_contact ? withReaderStatus(m_contact->command(cm, pm, data), readerStatus)
                         : Reply::error(codes::CardNotResponding);
    if (cm == CmRf) {
        QByteArray command = data;
        if (auto stored = m_rfKeys.handle(pm, command))
            return withStatus(*stored, readerStatus);
        if (m_contactless)
            return withStatus(m_contactless->command(cm, pm, command), readerStatus);
        if (pm == PmRfStatus)
            return Reply::ok(readerStatus, NoCardType);
        return Reply::error(codes::CardNotResponding);
    }
    return Reply::error(codes::UnknownCommand);
}

Reply CardSlots::samCommand(quint8 pm, const QByteArray &data, const QByteArray &readerStatus)
{
    if (pm == PmSamSelect) {
        // One character: '0' for the first socket.
        const int index = data.size() == 1 ? static_cast<quint8>(data[0]) - '0' : -1;
        if (index < 0 || index >= SamSockets)
            return Reply::error(codes::BadData);
        m_selectedSam = index;
        return Reply::ok(readerStatus);
    }
    ContactCard *sam = m_sams[m_selectedSam].get();
    if (pm == PmCpuStatus) {
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
