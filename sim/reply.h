#pragma once
// What the reader (or a card behind it) answers to one request, before it is
// put into a frame: a positive answer with three status characters and data,
// or a negative one with a two-character error code.

#include <QByteArray>

namespace sim {

struct Reply
{
    bool positive = false;
    QByteArray status;  // three status characters, or the two error-code characters
    QByteArray data;    // positive answers only

    static Reply ok(const QByteArray &status, const QByteArray &data = {})
    {
        return Reply{true, status, data};
    }
    static Reply error(const QByteArray &code) { return Reply{false, code, {}}; }
};

// Negative codes the virtual reader uses.
namespace codes {
inline const QByteArray UnknownCommand = QByteArrayLiteral("00");
inline const QByteArray BadParameter = QByteArrayLiteral("01");
inline const QByteArray BadData = QByteArrayLiteral("04");
inline const QByteArray CardJam = QByteArrayLiteral("10");
inline const QByteArray CounterOverflow = QByteArrayLiteral("50");
inline const QByteArray CardNotResponding = QByteArrayLiteral("63");
inline const QByteArray NoCardAnywhere = QByteArrayLiteral("A0");
inline const QByteArray ErrorBinFull = QByteArrayLiteral("A1");
}  // namespace codes

}  // namespace sim
