#include "cards/type_ab_cpu.h"

#include <QRandomGenerator>

namespace sim {

namespace {

constexpr quint8 InsSelect = 0xA4;
constexpr quint8 InsGetResponse = 0xC0;
constexpr quint8 InsGetChallenge = 0x84;
constexpr quint8 InsReadBinary = 0xB0;
constexpr quint8 SfiFile = 0x81;  // P1 of READ BINARY: SFI 1

const QByteArray kMfFci = QByteArray::fromHex("6F0984023F00A503880101");
const QByteArray kDdfName = QByteArrayLiteral("1PAY.SYS.DDF01");
const QByteArray kFid = QByteArray::fromHex("0001");
const QByteArray kMfFid = QByteArray::fromHex("3F00");

QByteArray sw(quint16 word, const QByteArray &data = {})
{
    return data + char(word >> 8) + char(word & 0xFF);
}

QByteArray ddfFci()
{
    QByteArray fci = QByteArray::fromHex("84") + char(kDdfName.size()) + kDdfName
        + QByteArray::fromHex("A503880101");
    return QByteArray::fromHex("6F") + char(fci.size()) + fci;
}

}  // namespace

QByteArray RfApduResponder::fileContents()
{
    return QByteArrayLiteral("RF TEST FILE 001");
}

void RfApduResponder::reset()
{
    m_pending.clear();
    m_fileSelected = false;
}

QByteArray RfApduResponder::respond(const QByteArray &command)
{
    if (command.size() < 4)
        return sw(0x6700);
    const quint8 cla = quint8(command[0]), ins = quint8(command[1]);
    const quint8 p1 = quint8(command[2]), p2 = quint8(command[3]);
    // Case 3 body (Lc and data) or case 2 Le.
    const int lc = command.size() > 5 ? quint8(command[4]) : 0;
    const QByteArray body = command.mid(5, lc);
    const int le = command.size() == 5 ? quint8(command[4]) : -1;
    if (cla != 0x00)
        return sw(0x6E00);

    switch (ins) {
    case InsSelect: {
        if (command.size() < 5 + lc || body.size() != lc)
            return sw(0x6700);
        QByteArray fci;
        if (p1 == 0x00 && body == kMfFid) {
            fci = kMfFci;
            m_fileSelected = false;
        } else if (p1 == 0x00 && body == kFid) {
            m_fileSelected = true;
            m_pending.clear();
            return sw(0x9000);
        } else if (p1 == 0x04 && body == kDdfName) {
            fci = ddfFci();
            m_fileSelected = false;
        } else {
            return sw(0x6A82);
        }
        m_pending = fci;
        return sw(0x6100 | quint16(fci.size()));
    }
    case InsGetResponse: {
        if (m_pending.isEmpty())
            return sw(0x6985);
        if (le != -1 && le != 0 && le != m_pending.size())
            return sw(0x6C00 | quint16(m_pending.size()));
        const QByteArray data = m_pending;
        m_pending.clear();
        return sw(0x9000, data);
    }
    case InsGetChallenge: {
        if (le != 4 && le != 8)
            return sw(0x6700);
        QByteArray random(le, '\0');
        for (char &c : random)
            c = char(QRandomGenerator::global()->bounded(256));
        return sw(0x9000, random);
    }
    case InsReadBinary: {
        const bool bySfi = p1 == SfiFile;
        if (!bySfi && !m_fileSelected)
            return sw(0x6986);
        const int offset = bySfi ? p2 : (p1 << 8 | p2);
        const QByteArray file = fileContents();
        if (offset >= file.size())
            return sw(0x6B00);
        const int n = le <= 0 ? int(file.size()) - offset : le;
        if (offset + n > file.size())
            return sw(0x6C00 | quint16(file.size() - offset));
        return sw(0x9000, file.mid(offset, n));
    }
    default:
        return sw(0x6D00);
    }
}

QByteArray TypeACpuCard::activate()
{
    // ATQA, UID length, UID, SAK, ATS.
    return QByteArray("A") + QByteArray::fromHex("0008") + char(uid().size()) + uid() + char(0x20) + ats();
}

}  // namespace sim
