#pragma once
// Every request the tool sends, by command code (CM) and parameter (PM), with
// the codes some requests carry at the start of their data. Each code is
// written here and nowhere else: the handlers, the virtual reader and the
// trace decoding all name them through these constants. Shared by the tool
// and the virtual reader, so Qt Core only.

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace mdq {

// ---- Command codes (CM) ----
constexpr quint8 CmInitialize = 0x30;
constexpr quint8 CmStatus = 0x31;
constexpr quint8 CmMoveCard = 0x32;
constexpr quint8 CmEntryControl = 0x33;
constexpr quint8 CmCardType = 0x50;    // type test of the contact or the RF card
constexpr quint8 CmContactCpu = 0x51;  // CPU card at the IC position
constexpr quint8 CmSam = 0x52;         // the selected SAM socket
constexpr quint8 CmSle = 0x53;         // SLE4442 / SLE4428 (and 24Cxx deactivation)
constexpr quint8 CmAt24 = 0x54;
constexpr quint8 CmRf = 0x60;
constexpr quint8 CmSerialNumber = 0xA2;
constexpr quint8 CmConfig = 0xA3;
constexpr quint8 CmCounter = 0xA5;

// ---- Parameters (PM), by command ----
// CM 30h: what happens to a card inside, and whether the counter counts it.
constexpr quint8 PmInitFront = 0x30;
constexpr quint8 PmInitErrorBin = 0x31;
constexpr quint8 PmInitRetain = 0x33;
constexpr quint8 PmInitFrontCounted = 0x34;
constexpr quint8 PmInitErrorBinCounted = 0x35;
constexpr quint8 PmInitRetainCounted = 0x37;
// CM 31h
constexpr quint8 PmCardStatus = 0x30;
constexpr quint8 PmSensorStatus = 0x31;
// CM 32h
constexpr quint8 PmMoveFront = 0x39;
constexpr quint8 PmMoveFrontHold = 0x30;
constexpr quint8 PmMoveIcPosition = 0x31;
constexpr quint8 PmMoveRfPosition = 0x32;
constexpr quint8 PmMoveErrorBin = 0x33;
// CM 33h
constexpr quint8 PmEntryAllow = 0x30;
constexpr quint8 PmEntryProhibit = 0x31;
// CM 50h
constexpr quint8 PmTypeContact = 0x30;
constexpr quint8 PmTypeRf = 0x31;
// CM 51h and 52h
constexpr quint8 PmCpuColdReset = 0x30;
constexpr quint8 PmCpuDeactivate = 0x31;
constexpr quint8 PmCpuStatus = 0x32;
constexpr quint8 PmCpuWarmReset = 0x38;
constexpr quint8 PmCpuApdu = 0x39;
constexpr quint8 PmSamSelect = 0x40;  // CM 52h only
// CM 53h
constexpr quint8 PmSleActivate = 0x30;
constexpr quint8 PmSleDeactivate = 0x31;
constexpr quint8 PmSleStatus = 0x32;
constexpr quint8 PmSle4442Apdu = 0x33;
constexpr quint8 PmSle4428Apdu = 0x34;
// CM 54h (deactivation is CM 53h PM 31h)
constexpr quint8 PmAt24Activate = 0x30;
constexpr quint8 PmAt24Status = 0x32;
constexpr quint8 PmAt24Apdu = 0x33;
// CM 60h
constexpr quint8 PmRfActivate = 0x30;
constexpr quint8 PmRfDeactivate = 0x31;
constexpr quint8 PmRfStatus = 0x32;
constexpr quint8 PmRfMifare = 0x33;
constexpr quint8 PmRfTypeAApdu = 0x34;
constexpr quint8 PmRfTypeBApdu = 0x35;
// CM A2h, A3h, A5h
constexpr quint8 PmSerialNumberRead = 0x30;
constexpr quint8 PmConfigRead = 0x30;
constexpr quint8 PmCounterRead = 0x30;
constexpr quint8 PmCounterSet = 0x31;

// ---- Fixed data bytes ----
constexpr char SerialNumberRequest = 0x12;  // the one data byte of CM A2h
// The one data byte of a cold reset (CM 51h/52h PM 30h).
constexpr char ColdResetEmv = 0x30;
constexpr char ColdResetIso = 0x33;

// ---- Sub-commands: data byte 1, after a leading 00h ----
// Mifare operations (CM 60h PM 33h): 00h, operation, arguments.
constexpr quint8 MifareCheckKey = 0x20;
constexpr quint8 MifareLoadKey = 0x21;
constexpr quint8 MifareReadBlocks = 0xB0;
constexpr quint8 MifareReadValue = 0xB1;
constexpr quint8 MifareDownloadKey = 0xD0;
constexpr quint8 MifareWriteBlocks = 0xD1;
constexpr quint8 MifareInitValue = 0xD2;
constexpr quint8 MifareIncrement = 0xD3;
constexpr quint8 MifareDecrement = 0xD4;
constexpr quint8 MifareChangeKey = 0xD5;
// Memory card instructions (SLE4442, SLE4428, 24Cxx APDUs): CLA 00h, INS, P1, P2, P3, body.
constexpr quint8 MemoryVerify = 0x20;
constexpr quint8 MemoryChangeCode = 0x24;
constexpr quint8 MemoryRead = 0xB0;
constexpr quint8 MemoryWrite = 0xD0;

// ---- The table ----
struct CommandInfo
{
    quint8 cm;
    quint8 pm;
    const char *name;
};

// One command code and what its requests are about, whatever the PM.
struct CommandFamily
{
    quint8 cm;
    const char *name;
};

// An operation named by data byte 1 of a request whose data starts with 00h.
struct SubCommandInfo
{
    quint8 cm;
    quint8 pm;
    quint8 code;
    const char *name;
};

// A read-only run of table rows, for range-for.
template <class T>
struct TableRows
{
    const T *first;
    std::size_t count;
    const T *begin() const { return first; }
    const T *end() const { return first + count; }
    std::size_t size() const { return count; }
};

TableRows<CommandInfo> commandTable();
TableRows<CommandFamily> commandFamilies();
TableRows<SubCommandInfo> subCommandTable();

// nullptr when the pair (or the code) is not one the tool sends.
const CommandInfo *findCommand(quint8 cm, quint8 pm);
const CommandFamily *findFamily(quint8 cm);
const SubCommandInfo *findSubCommand(quint8 cm, quint8 pm, quint8 code);

// The most precise name for a request: its sub-command, else its CM/PM, else
// its command family with the PM in hex, else "Unknown command" with both.
QString requestName(quint8 cm, quint8 pm, const QByteArray &data = {});

}  // namespace mdq
