#include "cards/at24_card.h"

#include "cards/contact_apdu.h"
#include "link/commands.h"

#include <QStringList>

namespace sim {

using namespace mdq;

namespace {

struct Model
{
    const char *kind;
    char sizeCode;
    int size;
    const char *typeCode;  // answer to the contact type test
};

// The type test has no code for the 24C512; "39" is what the reader reports.
const Model kModels[] = {
    {"at24c01", '1', 128, "30"},    {"at24c02", '2', 256, "31"},    {"at24c04", '3', 512, "32"},
    {"at24c08", '4', 1024, "33"},   {"at24c16", '5', 2048, "34"},   {"at24c32", '6', 4096, "35"},
    {"at24c64", '7', 8192, "36"},   {"at24c128", '8', 16384, "37"}, {"at24c256", '9', 32768, "38"},
    {"at24c512", ':', 65536, "39"},
};

const Model &model(char code)
{
    for (const auto &m : kModels) {
        if (m.sizeCode == code)
            return m;
    }
    return kModels[0];
}

}  // namespace

At24Card::At24Card(char sizeCode) : m_code(model(sizeCode).sizeCode), m_memory(model(sizeCode).size, char(0xFF)) {}

QString At24Card::kind() const
{
    return QString::fromLatin1(model(m_code).kind);
}

QStringList At24Card::kinds()
{
    QStringList names;
    for (const auto &m : kModels)
        names << QString::fromLatin1(m.kind);
    return names;
}

char At24Card::sizeCodeForKind(const QString &kind)
{
    for (const auto &m : kModels) {
        if (kind == QLatin1String(m.kind))
            return m.sizeCode;
    }
    return 0;
}

CardReply At24Card::command(quint8 cm, quint8 pm, const QByteArray &data)
{
    if (cm == CmCardType)
        return cardOk(model(m_code).typeCode);
    if (cm == CmSle && pm == PmSleDeactivate) {
        m_active = false;
        return cardOk();
    }
    if (cm != CmAt24)
        return Reply::error(cardcodes::NotSupported);
    switch (pm) {
    case PmAt24Activate:
        m_active = true;
        return cardOk(QByteArray(1, m_code));
    case PmAt24Status:
        return cardOk(QByteArray(1, m_active ? m_code : '0'));
    case PmAt24Apdu:
        return m_active ? apdu(data) : Reply::error(cardcodes::NoAtrYet);
    default:
        return Reply::error(codes::BadParameter);
    }
}

CardReply At24Card::apdu(const QByteArray &data)
{
    const auto a = MemoryApdu::parse(data);
    if (!a)
        return cardSw(sw::WrongLength);
    if (a->cla != 0x00)
        return cardSw(sw::BadCla);
    const int address = (a->p1 << 8) | a->p2;
    const int n = a->p3;
    if (a->ins != MemoryRead && a->ins != MemoryWrite)
        return cardSw(sw::BadIns);
    if (address + n > size())
        return cardSw(sw::BadP1P2);
    if (a->ins == MemoryRead) {
        if (!a->body.isEmpty())
            return cardSw(sw::WrongLength);
        return cardSw(sw::Ok, m_memory.mid(address, n));
    }
    if (a->body.size() != n)
        return cardSw(sw::WrongLength);
    m_memory.replace(address, n, a->body);
    return cardSw(sw::Ok);
}

}  // namespace sim
