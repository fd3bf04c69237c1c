#pragma once
// Helpers for the contact card models: the memory cards take an APDU-like
// header (CLA INS P1 P2 P3, then the data) and answer with data + SW1 SW2.

#include "reply.h"

#include <QByteArray>
#include <functional>
#include <optional>

namespace sim {

// Positive card answers carry "000"; the card slots put the reader's own
// status characters in their place.
inline const QByteArray CardStatusPlaceholder = QByteArrayLiteral("000");

namespace sw {
constexpr quint16 Ok = 0x9000;
constexpr quint16 WrongLength = 0x6700;
constexpr quint16 BadP1P2 = 0x6B00;
constexpr quint16 ExecuteError = 0x6F00;
constexpr quint16 WrongCode = 0x6F01;
constexpr quint16 Locked = 0x6F02;
constexpr quint16 BadIns = 0x6D00;
constexpr quint16 BadCla = 0x6E00;
constexpr quint16 NotFound = 0x6A82;
constexpr quint16 NotAllowed = 0x6985;
}  // namespace sw

namespace cardcodes {
// Commands before the card has been powered (no answer to reset yet).
inline const QByteArray NoAtrYet = QByteArrayLiteral("65");
// A command family the card does not speak.
inline const QByteArray NotSupported = QByteArrayLiteral("66");
}  // namespace cardcodes

struct MemoryApdu
{
    quint8 cla, ins, p1, p2, p3;
    QByteArray body;
    // The header alone is five bytes; shorter requests are not an APDU.
    static std::optional<MemoryApdu> parse(const QByteArray &data);
};

QByteArray withSw(const QByteArray &data, quint16 statusWord);
inline Reply cardOk(const QByteArray &data = {})
{
    return Reply::ok(CardStatusPlaceholder, data);
}
inline Reply cardSw(quint16 statusWord, const QByteArray &data = {})
{
    return cardOk(withSw(data, statusWord));
}

// The SLE memory cards' command set around their APDUs: the type test answers
// the type code; CmSle with PmSleActivate powers up (answer to reset,
// verification forgotten), PmSleDeactivate powers down, PmSleStatus reports
// activeStatus or "0", and apduPm carries the memory APDU once powered.
struct SleSession
{
    bool active = false;
    bool verified = false;
};

struct SleCommandSet
{
    QByteArray typeCode;
    QByteArray answerToReset;
    QByteArray activeStatus;
    quint8 apduPm;
};

Reply sleCommand(SleSession &session, const SleCommandSet &set, quint8 cm, quint8 pm, const QByteArray &data,
                 const std::function<Reply(const QByteArray &)> &apdu);

}  // namespace sim
