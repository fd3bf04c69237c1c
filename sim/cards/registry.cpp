#include "cards/registry.h"

#include "cards/at24_card.h"
#include "cards/cpu_card.h"
#include "cards/mifare_classic.h"
#include "cards/sle4428_card.h"
#include "cards/sle4442_card.h"
#include "cards/type_ab_cpu.h"
#include "cards/ultralight.h"

namespace sim {

namespace {

template <typename Card>
struct Entry
{
    const char *kind;
    std::unique_ptr<Card> (*make)();
};

template <typename Model, auto... Args>
std::unique_ptr<ContactCard> makeContact()
{
    return std::make_unique<Model>(Args...);
}

// Add {"kind", &makeXxx} rows here.
const Entry<ContactCard> kContactCards[] = {
    {"sle4442", &makeContact<Sle4442Card>},
    {"sle4428", &makeContact<Sle4428Card>},
    {"at24c01", &makeContact<At24Card, '1'>},
    {"at24c02", &makeContact<At24Card, '2'>},
    {"at24c04", &makeContact<At24Card, '3'>},
    {"at24c08", &makeContact<At24Card, '4'>},
    {"at24c16", &makeContact<At24Card, '5'>},
    {"at24c32", &makeContact<At24Card, '6'>},
    {"at24c64", &makeContact<At24Card, '7'>},
    {"at24c128", &makeContact<At24Card, '8'>},
    {"at24c256", &makeContact<At24Card, '9'>},
    {"at24c512", &makeContact<At24Card, ':'>},
    {"cpu-t0", &makeContact<CpuCard, CpuCard::Variant::T0>},
    {"cpu-t1", &makeContact<CpuCard, CpuCard::Variant::T1>},
    {"sam", &makeContact<CpuCard, CpuCard::Variant::Sam>},
};

std::unique_ptr<ContactlessCard> makeS50() { return std::make_unique<MifareClassic>(MifareClassic::Model::S50); }
std::unique_ptr<ContactlessCard> makeS70() { return std::make_unique<MifareClassic>(MifareClassic::Model::S70); }
template <MifareClassic::Model M>
std::unique_ptr<ContactlessCard> makeMixedKeys()
{
    auto card = std::make_unique<MifareClassic>(M);
    card->stageMixedKeys();
    return card;
}
std::unique_ptr<ContactlessCard> makeUltralight() { return std::make_unique<Ultralight>(); }
std::unique_ptr<ContactlessCard> makeTypeA() { return std::make_unique<TypeACpuCard>(); }
std::unique_ptr<ContactlessCard> makeTypeB() { return std::make_unique<TypeBCpuCard>(); }

const Entry<ContactlessCard> kContactlessCards[] = {
    {"s50", &makeS50},
    {"s70", &makeS70},
    {"s50-keys", &makeMixedKeys<MifareClassic::Model::S50>},
    {"s70-keys", &makeMixedKeys<MifareClassic::Model::S70>},
    {"ultralight", &makeUltralight},
    {"type-a", &makeTypeA},
    {"type-b", &makeTypeB},
};

template <typename Card, size_t N>
std::unique_ptr<Card> make(const Entry<Card> (&table)[N], const QString &kind)
{
    for (const auto &entry : table) {
        if (entry.kind && kind == QLatin1String(entry.kind))
            return entry.make();
    }
    return nullptr;
}

template <typename Card, size_t N>
QStringList kinds(const Entry<Card> (&table)[N])
{
    QStringList names;
    for (const auto &entry : table) {
        if (entry.kind)
            names << QString::fromLatin1(entry.kind);
    }
    return names;
}

}  // namespace

std::unique_ptr<ContactCard> makeContactCard(const QString &kind)
{
    return make(kContactCards, kind);
}

std::unique_ptr<ContactlessCard> makeContactlessCard(const QString &kind)
{
    return make(kContactlessCards, kind);
}

QStringList contactCardKinds()
{
    return kinds(kContactCards);
}

QStringList contactlessCardKinds()
{
    return kinds(kContactlessCards);
}

}  // namespace sim
