#include "cards/registry.h"

namespace sim {

namespace {

template <typename Card>
struct Entry
{
    const char *kind;
    std::unique_ptr<Card> (*make)();
};

// No card models yet: add {"kind", &makeXxx} rows here.
const Entry<ContactCard> kContactCards[] = {
    {nullptr, nullptr},
};
const Entry<ContactlessCard> kContactlessCards[] = {
    {nullptr, nullptr},
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
