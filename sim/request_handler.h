#pragma once
// The reader behind the line protocol: who it is on the line and how it answers
// one well-formed request addressed to it.

#include "reply.h"

#include <QByteArray>

namespace sim {

class RequestHandler
{
public:
    virtual ~RequestHandler() = default;
    virtual quint8 address() const = 0;
    virtual Reply handle(quint8 cm, quint8 pm, const QByteArray &data) = 0;
};

}  // namespace sim
