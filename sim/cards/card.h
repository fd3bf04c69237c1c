#pragma once
// The chips the virtual reader can talk to: a contact card at the IC position
// (also used for the SAM sockets) and a contactless card on the RF antenna.
// Each card model answers the commands of its own family; the reader routes
// them and answers for empty slots itself.

#include "reply.h"

#include <QByteArray>
#include <QString>

namespace sim {

// status: three status characters on a positive answer, two error characters
// on a negative one.
using CardReply = Reply;

class ContactCard
{
public:
    virtual ~ContactCard() = default;
    virtual QString kind() const = 0;
    // CM 50h (type test, PM '0') and 51h..54h; CM 52h when sitting in a SAM socket.
    virtual CardReply command(quint8 cm, quint8 pm, const QByteArray &data) = 0;
};

class ContactlessCard
{
public:
    virtual ~ContactlessCard() = default;
    virtual QString kind() const = 0;
    // CM 60h, and CM 50h with PM '1' (type test).
    virtual CardReply command(quint8 cm, quint8 pm, const QByteArray &data) = 0;
};

}  // namespace sim
