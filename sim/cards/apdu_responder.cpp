#include "cards/apdu_responder.h"

#include "cards/contact_apdu.h"

#include <QRandomGenerator>

namespace sim {

namespace {
constexpr quint8 InsSelect = 0xA4, InsGetChallenge = 0x84, InsGetResponse = 0xC0, InsReadBinary = 0xB0;
constexpr quint8 SelectByFid = 0x00, SelectByName = 0x04;
constexpr quint8 SfiFlag = 0x80, BinarySfi = 0x01;
const QByteArray MfFid = QByteArray::fromHex("3F00");

QByteArray sw2(quint8 sw1, quint8 sw2)
{
    return QByteArray(1, char(sw1)) + char(sw2);
}
}  // namespace

ApduResponder::ApduResponder(Transport transport, RandomByte random)
    : m_transport(transport), m_random(std::move(random))
{
    if (!m_random)
        m_random = [] { return quint8(QRandomGenerator::global()->bounded(256)); };
}

QByteArray ApduResponder::mfFci()
{
    // 6F 16: FID 3F00 and a short proprietary template; 24 bytes in all.
    return QByteArray::fromHex("6F16" "84023F00" "A510" "880101" "5F2D02656E" "9F110101" "9F120141");
}

QByteArray ApduResponder::pseFci()
{
    return QByteArray::fromHex("6F1A840E") + pseName() + QByteArray::fromHex("A508" "880101" "5F2D02656E");
}

QByteArray ApduResponder::process(const QByteArray &apdu)
{
    if (apdu.size() < 4)
        return withSw({}, sw::WrongLength);
    const quint8 cla = quint8(apdu[0]), ins = quint8(apdu[1]), p1 = quint8(apdu[2]), p2 = quint8(apdu[3]);
    // Case 1 (4 bytes), case 2 (Le only), case 3/4 (Lc, data, optional Le).
    const int p3 = apdu.size() > 4 ? quint8(apdu[4]) : -1;
    const QByteArray rest = apdu.mid(5);
    if (cla != 0x00)
        return withSw({}, sw::BadCla);
    if (ins != InsGetResponse)
        m_pending.clear();

    switch (ins) {
    case InsSelect:
        if (p3 < 0 || rest.size() < p3 || rest.size() > p3 + 1)
            return withSw({}, sw::WrongLength);
        return select(p1, rest.left(p3));
    case InsGetChallenge: {
        if (p3 != 4 && p3 != 8)
            return withSw({}, sw::WrongLength);
        QByteArray challenge;
        for (int i = 0; i < p3; ++i)
            challenge.append(char(m_random()));
        return withSw(challenge, sw::Ok);
    }
    case InsGetResponse:
        return getResponse(p3 < 0 ? 0 : p3);
    case InsReadBinary:
        return readBinary(p1, p2, p3 < 0 ? 0 : p3);
    default:
        return withSw({}, sw::BadIns);
    }
}

QByteArray ApduResponder::answerWithData(const QByteArray &data)
{
    if (m_transport == Transport::Direct)
        return withSw(data, sw::Ok);
    m_pending = data;
    return sw2(0x61, quint8(data.size()));
}

QByteArray ApduResponder::select(quint8 p1, const QByteArray &body)
{
    if (p1 == SelectByFid)
        return body == MfFid ? answerWithData(mfFci()) : withSw({}, sw::NotFound);
    if (p1 == SelectByName)
        return body == pseName() ? answerWithData(pseFci()) : withSw({}, sw::NotFound);
    return withSw({}, sw::BadP1P2);
}

QByteArray ApduResponder::getResponse(int le)
{
    if (m_pending.isEmpty())
        return withSw({}, sw::NotAllowed);
    const int available = int(m_pending.size());
    if (le == 0 || le > available)
        return sw2(0x6C, quint8(available));  // Le wrong: here is the right one
    const QByteArray part = m_pending.left(le);
    m_pending.remove(0, le);
    if (!m_pending.isEmpty())
        return part + sw2(0x61, quint8(m_pending.size()));
    return withSw(part, sw::Ok);
}

QByteArray ApduResponder::readBinary(quint8 p1, quint8 p2, int le) const
{
    if (!(p1 & SfiFlag) || (p1 & 0x1F) != BinarySfi)
        return withSw({}, sw::NotFound);
    const QByteArray file = binaryFile();
    const int n = le == 0 ? int(file.size()) - p2 : le;
    if (p2 + n > file.size() || n < 0)
        return withSw({}, sw::BadP1P2);
    return withSw(file.mid(p2, n), sw::Ok);
}

}  // namespace sim
