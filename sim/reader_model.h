#pragma once
// The state of the virtual reader and how it answers its own commands
// (initialise, status, card movement, entry control, unit information).
// Chip commands are passed on to the card slots.
//
// Card movement with no card in the channel dispenses one from the stacker
// first ("A0" when the stacker is empty too); dispensing does not change the
// stacker level, which only the operator sets. A card sent to the error bin is
// counted in the captured-card counter; a count past 999 is refused with "50".
// Initialise acts on a card anywhere in the channel (front or inside): PM '0'
// and '4' bring it to the front, '1' and '5' send it to the error bin, '3' and
// '7' leave it where it is; with '4', '5' and '7' the counter counts that card.

#include "card_slots.h"
#include "request_handler.h"

#include <QByteArray>
#include <QString>

namespace sim {

enum class CardPosition { None, Front, IcPosition, RfPosition };
enum class StackerLevel { Empty, Low, Enough };

class ReaderModel : public RequestHandler
{
public:
    static constexpr int SensorCount = 12;
    static constexpr int ConfigSize = 10;
    static constexpr int CounterMax = 999;

    quint8 address() const override { return m_address; }
    Reply handle(quint8 cm, quint8 pm, const QByteArray &data) override;

    // The three status characters of every positive reader reply:
    // card position, stacker level, error bin.
    QByteArray cardStatus() const;

    CardPosition cardPosition() const { return m_position; }
    bool isJammed() const { return m_jammed; }
    StackerLevel stacker() const { return m_stacker; }
    bool isBinFull() const { return m_binFull; }
    bool isEntryAllowed() const { return m_entryAllowed; }
    QByteArray sensors() const { return m_sensors; }
    int counter() const { return m_counter; }
    QByteArray counterText() const;
    QByteArray serialNumber() const { return m_serial; }
    QByteArray config() const { return m_config; }
    QByteArray version() const { return m_version; }
    CardSlots &cards() { return m_cards; }

    // Operator actions; false (and a reason) when the reader's state forbids them.
    bool insertCard(QString *error = nullptr);
    bool takeCard(QString *error = nullptr);
    bool jamCard(QString *error = nullptr);
    void clearJam() { m_jammed = false; }

    bool setAddress(int address);
    void setStacker(StackerLevel level) { m_stacker = level; }
    void setBinFull(bool full) { m_binFull = full; }
    void setEntryAllowed(bool allowed) { m_entryAllowed = allowed; }
    bool setSensor(int index, bool on);  // index 0..11
    bool setSensors(const QByteArray &bits);  // twelve '0'/'1'
    bool setCounter(int value);
    void setSerialNumber(const QByteArray &text) { m_serial = text; }
    bool setConfig(const QByteArray &record);  // exactly ten bytes
    void setVersion(const QByteArray &text) { m_version = text; }

private:
    Reply initialise(quint8 pm);
    Reply status(quint8 pm) const;
    Reply moveCard(quint8 pm);
    Reply entryControl(quint8 pm);
    Reply serialNumberCommand(quint8 pm, const QByteArray &data) const;
    Reply configCommand(quint8 pm) const;
    Reply counterCommand(quint8 pm, const QByteArray &data);
    Reply ok(const QByteArray &data = {}) const { return Reply::ok(cardStatus(), data); }

    quint8 m_address = 0;
    CardPosition m_position = CardPosition::None;
    bool m_jammed = false;
    StackerLevel m_stacker = StackerLevel::Enough;
    bool m_binFull = false;
    bool m_entryAllowed = true;
    QByteArray m_sensors = QByteArray(SensorCount, '0');
    int m_counter = 0;
    QByteArray m_serial = QByteArrayLiteral("MDQ820SIM0001");
    QByteArray m_config = QByteArrayLiteral("7105ER2221");
    QByteArray m_version = QByteArrayLiteral("MDQ-820 SIM V1.0");
    CardSlots m_cards;
};

}  // namespace sim
