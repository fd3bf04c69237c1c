#include "link/commands.h"

namespace mdq {

namespace {

const CommandFamily kFamilies[] = {
    {CmInitialize, "Initialize"},
    {CmStatus, "Status"},
    {CmMoveCard, "Move card"},
    {CmEntryControl, "Card entry control"},
    {CmCardType, "Card type test"},
    {CmContactCpu, "CPU card"},
    {CmSam, "SAM card"},
    {CmSle, "SLE4442/SLE4428 card"},
    {CmAt24, "24Cxx card"},
    {CmRf, "RF card"},
    {CmSerialNumber, "Unit serial number"},
    {CmConfig, "Unit configuration"},
    {CmCounter, "Capture card counter"},
};

const CommandInfo kCommands[] = {
    {CmInitialize, PmInitFront, "Initialize, move card to the front"},
    {CmInitialize, PmInitErrorBin, "Initialize, move card to the error card bin"},
    {CmInitialize, PmInitRetain, "Initialize, retain the card inside"},
    {CmInitialize, PmInitFrontCounted, "Initialize, move card to the front, counted"},
    {CmInitialize, PmInitErrorBinCounted, "Initialize, move card to the error card bin, counted"},
    {CmInitialize, PmInitRetainCounted, "Initialize, retain the card inside, counted"},
    {CmStatus, PmCardStatus, "Card status"},
    {CmStatus, PmSensorStatus, "Sensor status"},
    {CmMoveCard, PmMoveFront, "Move card to the front"},
    {CmMoveCard, PmMoveFrontHold, "Move card to the front, hold the card"},
    {CmMoveCard, PmMoveIcPosition, "Move card to the IC position"},
    {CmMoveCard, PmMoveRfPosition, "Move card to the RF position"},
    {CmMoveCard, PmMoveErrorBin, "Move card to the error card bin"},
    {CmEntryControl, PmEntryAllow, "Allow card entry"},
    {CmEntryControl, PmEntryProhibit, "Prohibit card entry"},
    {CmCardType, PmTypeContact, "IC card type test"},
    {CmCardType, PmTypeRf, "RF card type test"},
    {CmContactCpu, PmCpuColdReset, "CPU card cold reset"},
    {CmContactCpu, PmCpuDeactivate, "CPU card deactivate"},
    {CmContactCpu, PmCpuStatus, "CPU card status"},
    {CmContactCpu, PmCpuWarmReset, "CPU card warm reset"},
    {CmContactCpu, PmCpuApdu, "CPU card APDU"},
    {CmSam, PmCpuColdReset, "SAM cold reset"},
    {CmSam, PmCpuDeactivate, "SAM deactivate"},
    {CmSam, PmCpuStatus, "SAM status"},
    {CmSam, PmCpuWarmReset, "SAM warm reset"},
    {CmSam, PmCpuApdu, "SAM APDU"},
    {CmSam, PmSamSelect, "Choose SAM"},
    {CmSle, PmSleActivate, "SLE4442/SLE4428 activate"},
    {CmSle, PmSleDeactivate, "Memory card deactivate"},
    {CmSle, PmSleStatus, "SLE4442/SLE4428 status"},
    {CmSle, PmSle4442Apdu, "SLE4442 command"},
    {CmSle, PmSle4428Apdu, "SLE4428 command"},
    {CmAt24, PmAt24Activate, "24Cxx activate"},
    {CmAt24, PmAt24Status, "24Cxx status"},
    {CmAt24, PmAt24Apdu, "24Cxx command"},
    {CmRf, PmRfActivate, "RF card activate"},
    {CmRf, PmRfDeactivate, "RF card deactivate"},
    {CmRf, PmRfStatus, "RF card status"},
    {CmRf, PmRfMifare, "Mifare command"},
    {CmRf, PmRfTypeAApdu, "Type A CPU card APDU"},
    {CmRf, PmRfTypeBApdu, "Type B CPU card APDU"},
    {CmSerialNumber, PmSerialNumberRead, "Read unit serial number"},
    {CmConfig, PmConfigRead, "Read unit configuration"},
    {CmCounter, PmCounterRead, "Read capture card counter"},
    {CmCounter, PmCounterSet, "Set capture card counter"},
};

const SubCommandInfo kSubCommands[] = {
    {CmRf, PmRfMifare, MifareCheckKey, "Mifare check key"},
    {CmRf, PmRfMifare, MifareLoadKey, "Mifare load key from the EEPROM"},
    {CmRf, PmRfMifare, MifareReadBlocks, "Mifare read block"},
    {CmRf, PmRfMifare, MifareReadValue, "Mifare read value"},
    {CmRf, PmRfMifare, MifareDownloadKey, "Mifare download key to the EEPROM"},
    {CmRf, PmRfMifare, MifareWriteBlocks, "Mifare write block"},
    {CmRf, PmRfMifare, MifareInitValue, "Mifare initialize value"},
    {CmRf, PmRfMifare, MifareIncrement, "Mifare increment"},
    {CmRf, PmRfMifare, MifareDecrement, "Mifare decrement"},
    {CmRf, PmRfMifare, MifareChangeKey, "Mifare change key"},
    {CmSle, PmSle4442Apdu, MemoryVerify, "SLE4442 verify PSC"},
    {CmSle, PmSle4442Apdu, MemoryRead, "SLE4442 read memory"},
    {CmSle, PmSle4442Apdu, MemoryWrite, "SLE4442 write memory"},
    {CmSle, PmSle4428Apdu, MemoryVerify, "SLE4428 verify PSC"},
    {CmSle, PmSle4428Apdu, MemoryChangeCode, "SLE4428 change PSC"},
    {CmSle, PmSle4428Apdu, MemoryRead, "SLE4428 read memory"},
    {CmSle, PmSle4428Apdu, MemoryWrite, "SLE4428 write memory"},
    {CmAt24, PmAt24Apdu, MemoryRead, "24Cxx read"},
    {CmAt24, PmAt24Apdu, MemoryWrite, "24Cxx write"},
};

template <class T, std::size_t N>
TableRows<T> rows(const T (&table)[N])
{
    return {table, N};
}

QString hex(quint8 b)
{
    return QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0')) + QLatin1Char('h');
}

}  // namespace

TableRows<CommandInfo> commandTable()
{
    return rows(kCommands);
}

TableRows<CommandFamily> commandFamilies()
{
    return rows(kFamilies);
}

TableRows<SubCommandInfo> subCommandTable()
{
    return rows(kSubCommands);
}

const CommandInfo *findCommand(quint8 cm, quint8 pm)
{
    for (const CommandInfo &c : kCommands)
        if (c.cm == cm && c.pm == pm)
            return &c;
    return nullptr;
}

const CommandFamily *findFamily(quint8 cm)
{
    for (const CommandFamily &f : kFamilies)
        if (f.cm == cm)
            return &f;
    return nullptr;
}

const SubCommandInfo *findSubCommand(quint8 cm, quint8 pm, quint8 code)
{
    for (const SubCommandInfo &s : kSubCommands)
        if (s.cm == cm && s.pm == pm && s.code == code)
            return &s;
    return nullptr;
}

QString requestName(quint8 cm, quint8 pm, const QByteArray &data)
{
    if (data.size() >= 2 && data[0] == '\0')
        if (const SubCommandInfo *s = findSubCommand(cm, pm, quint8(data[1])))
            return QString::fromLatin1(s->name);
    if (const CommandInfo *c = findCommand(cm, pm))
        return QString::fromLatin1(c->name);
    if (const CommandFamily *f = findFamily(cm))
        return QStringLiteral("%1, PM %2").arg(QString::fromLatin1(f->name), hex(pm));
    return QStringLiteral("Unknown command, CM %1 PM %2").arg(hex(cm), hex(pm));
}

}  // namespace mdq
