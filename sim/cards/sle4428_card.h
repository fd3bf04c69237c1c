#pragma once
// SLE4428: 1 KB with a protection bit per byte, a 2-byte security code
// (FF FF when new) and an error counter of 8. Writes need a verified code and
// are refused as a whole when they touch a protected byte.

#include "cards/card.h"
#include "cards/contact_apdu.h"

#include <QBitArray>

namespace sim {

class Sle4428Card : public ContactCard
{
public:
    static constexpr int Size = 1024;
    static constexpr int Attempts = 8;

    Sle4428Card();
    QString kind() const override { return QStringLiteral("sle4428"); }
    CardReply command(quint8 cm, quint8 pm, const QByteArray &data) override;

    static QByteArray answerToReset() { return QByteArray::fromHex("92231091"); }
    QByteArray memory() const { return m_memory; }
    bool isProtected(int address) const { return m_protected.testBit(address); }
    int attemptsLeft() const { return m_attempts; }

private:
    CardReply apdu(const QByteArray &data);

    QByteArray m_memory;
    QBitArray m_protected;
    QByteArray m_psc = QByteArray(2, char(0xFF));
    int m_attempts = Attempts;
    SleSession m_session;
};

}  // namespace sim
