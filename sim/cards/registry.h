#pragma once
// The card models the virtual reader knows, by kind name. New models are added
// to the two factories in registry.cpp (explicitly: a static library would drop
// self-registering objects).

#include "cards/card.h"

#include <QStringList>
#include <memory>

namespace sim {

// nullptr for an unknown kind.
std::unique_ptr<ContactCard> makeContactCard(const QString &kind);
std::unique_ptr<ContactlessCard> makeContactlessCard(const QString &kind);

QStringList contactCardKinds();
QStringList contactlessCardKinds();

}  // namespace sim
