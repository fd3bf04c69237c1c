#pragma once
// A small ISO 7816-4 card application, shared by the contact CPU card, the
// SAMs and (later) the contactless Type A/B cards:
//   SELECT by FID 3F00 (the MF) or by the name 1PAY.SYS.DDF01, other files 6A82;
//   GET CHALLENGE (Le 4 or 8) with fresh random bytes;
//   GET RESPONSE for the FCI a T=0 SELECT left pending (61xx, 6Cxx);
//   READ BINARY of a 16-byte file by SFI 1 (P1 = 81h, P2 = offset);
//   6E00 for a class other than 00h, 6D00 for other instructions.

#include <QByteArray>
#include <functional>

namespace sim {

class ApduResponder
{
public:
    // T0: answers that carry data come as 61xx, fetched by GET RESPONSE.
    // Direct: the data comes with 9000 at once (T=1 and contactless).
    enum class Transport { T0, Direct };
    using RandomByte = std::function<quint8()>;

    explicit ApduResponder(Transport transport, RandomByte random = {});

    // The response APDU: data, then SW1 SW2.
    QByteArray process(const QByteArray &apdu);
    // After a reset: MF selected, nothing pending.
    void reset() { m_pending.clear(); }

    static QByteArray mfFci();
    static QByteArray pseFci();
    static QByteArray pseName() { return QByteArrayLiteral("1PAY.SYS.DDF01"); }
    static QByteArray binaryFile() { return QByteArrayLiteral("VIRTUAL CARD 001"); }

private:
    QByteArray answerWithData(const QByteArray &data);
    QByteArray select(quint8 p1, const QByteArray &body);
    QByteArray getResponse(int le);
    QByteArray readBinary(quint8 p1, quint8 p2, int le) const;

    Transport m_transport;
    RandomByte m_random;
    QByteArray m_pending;
};

}  // namespace sim
