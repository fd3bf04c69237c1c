#include "reader_model.h"

#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {

bool allDigits(const QByteArray &text)
{
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

void setError(QString *error, const char *text)
{
    if (error)
        *error = QString::fromLatin1(text);
}

}  // namespace

Reply ReaderModel::handle(quint8 cm, quint8 pm, const QByteArray &data)
{
    switch (cm) {
    case CmInitialize: return initialise(pm);
    case CmStatus: return status(pm);
    case CmMoveCard: return moveCard(pm);
    case CmEntryControl: return entryControl(pm);
    case CmSerialNumber: return serialNumberCommand(pm, data);
    case CmConfig: return configCommand(pm);
    case CmCounter: return counterCommand(pm, data);
    default: break;
    }
    if (CardSlots::routes(cm))
        return m_cards.handle(cm, pm, data, cardStatus());
    return Reply::error(codes::UnknownCommand);
}

QByteArray ReaderModel::cardStatus() const
{
    QByteArray st(3, '0');
    switch (m_position) {
    case CardPosition::None: st[0] = '0'; break;
    case CardPosition::Front: st[0] = '1'; break;
    case CardPosition::IcPosition:
    case CardPosition::RfPosition: st[0] = '2'; break;
    }
    switch (m_stacker) {
    case StackerLevel::Empty: st[1] = '0'; break;
    case StackerLevel::Low: st[1] = '1'; break;
    case StackerLevel::Enough: st[1] = '2'; break;
    }
    st[2] = m_binFull ? '1' : '0';
    return st;
}

QByteArray ReaderModel::counterText() const
{
    return QByteArray::number(m_counter).rightJustified(3, '0');
}

Reply ReaderModel::initialise(quint8 pm)
{
    bool toFront = false, toBin = false, counts = false;
    switch (pm) {
    case PmInitFront: toFront = true; break;
    case PmInitErrorBin: toBin = true; break;
    case PmInitRetain: break;
    case PmInitFrontCounted: toFront = counts = true; break;
    case PmInitErrorBinCounted: toBin = counts = true; break;
    case PmInitRetainCounted: counts = true; break;
    default: return Reply::error(codes::BadParameter);
    }
    if (m_position != CardPosition::None) {
        if (m_jammed && (toFront || toBin))
            return Reply::error(codes::CardJam);
        if (toBin && m_binFull)
            return Reply::error(codes::ErrorBinFull);
        if (counts && m_counter >= CounterMax)
            return Reply::error(codes::CounterOverflow);
        if (counts)
            ++m_counter;
        if (toFront)
            m_position = CardPosition::Front;
        else if (toBin)
            m_position = CardPosition::None;
    }
    return ok(m_version);
}

Reply ReaderModel::status(quint8 pm) const
{
    if (pm == PmCardStatus)
        return ok();
    if (pm == PmSensorStatus)
        return ok(m_sensors);
    return Reply::error(codes::BadParameter);
}

Reply ReaderModel::moveCard(quint8 pm)
{
    CardPosition target = CardPosition::None;
    const bool toBin = pm == PmMoveErrorBin;
    switch (pm) {
    case PmMoveFront:
    case PmMoveFrontHold: target = CardPosition::Front; break;
    case PmMoveIcPosition: target = CardPosition::IcPosition; break;
    case PmMoveRfPosition: target = CardPosition::RfPosition; break;
    case PmMoveErrorBin: break;
    default: return Reply::error(codes::BadParameter);
    }
    if (m_jammed)
        return Reply::error(codes::CardJam);
    if (toBin && m_binFull)
        return Reply::error(codes::ErrorBinFull);
    if (m_position == CardPosition::None && m_stacker == StackerLevel::Empty)
        return Reply::error(codes::NoCardAnywhere);
    if (toBin) {
        if (m_counter >= CounterMax)
            return Reply::error(codes::CounterOverflow);
        ++m_counter;
    }
    m_position = target;  // a card from the stacker when the channel was empty
    return ok();
}

Reply ReaderModel::entryControl(quint8 pm)
{
    if (pm != PmEntryAllow && pm != PmEntryProhibit)
        return Reply::error(codes::BadParameter);
    m_entryAllowed = pm == PmEntryAllow;
    return ok();
}

Reply ReaderModel::serialNumberCommand(quint8 pm, const QByteArray &data) const
{
    if (pm != PmSerialNumberRead)
        return Reply::error(codes::BadParameter);
    if (data != QByteArray(1, SerialNumberRequest))
        return Reply::error(codes::BadData);
    return ok(m_serial);
}

Reply ReaderModel::configCommand(quint8 pm) const
{
    if (pm != PmConfigRead)
        return Reply::error(codes::BadParameter);
    return ok(m_config);
}

Reply ReaderModel::counterCommand(quint8 pm, const QByteArray &data)
{
    if (pm == PmCounterRead)
        return ok(counterText());
    if (pm != PmCounterSet)
        return Reply::error(codes::BadParameter);
    if (data.size() != 3)
        return Reply::error(codes::BadData);
    if (!allDigits(data))
        return Reply::error(codes::BadParameter);
    m_counter = data.toInt();
    return ok();
}

bool ReaderModel::insertCard(QString *error)
{
    if (m_position != CardPosition::None) {
        setError(error, "there is already a card in the channel");
        return false;
    }
    if (!m_entryAllowed) {
        setError(error, "card entry is prohibited");
        return false;
    }
    m_position = CardPosition::Front;
    return true;
}

bool ReaderModel::takeCard(QString *error)
{
    if (m_position != CardPosition::Front) {
        setError(error, "no card at the front");
        return false;
    }
    if (m_jammed) {
        setError(error, "the card is jammed");
        return false;
    }
    m_position = CardPosition::None;
    return true;
}

bool ReaderModel::jamCard(QString *error)
{
    if (m_position == CardPosition::None) {
        setError(error, "no card in the channel");
        return false;
    }
    m_jammed = true;
    return true;
}

bool ReaderModel::setAddress(int address)
{
    if (address < 0 || address > 0x0F)
        return false;
    m_address = quint8(address);
    return true;
}

bool ReaderModel::setSensor(int index, bool on)
{
    if (index < 0 || index >= SensorCount)
        return false;
    m_sensors[index] = on ? '1' : '0';
    return true;
}

bool ReaderModel::setSensors(const QByteArray &bits)
{
    if (bits.size() != SensorCount)
        return false;
    for (char c : bits) {
        if (c != '0' && c != '1')
            return false;
    }
    m_sensors = bits;
    return true;
}

bool ReaderModel::setCounter(int value)
{
    if (value < 0 || value > CounterMax)
        return false;
    m_counter = value;
    return true;
}

bool ReaderModel::setConfig(const QByteArray &record)
{
    if (record.size() != ConfigSize)
        return false;
    m_config = record;
    return true;
}

}  // namespace sim
