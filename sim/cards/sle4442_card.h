#pragma once
// SLE4442: 256 bytes of main memory, a protection bit for each of bytes 0-31
// (bytes 0-3, the card's identification, are protected from the factory),
// and a 3-byte security code (PSC, FF FF FF when new) guarded by an error
// counter of 3. Writes need a verified PSC; the third wrong PSC scraps the card.

#include "cards/card.h"
#include "cards/contact_apdu.h"

#include <array>

namespace sim {

class Sle4442Card : public ContactCard
{
public:
    static constexpr int MainSize = 256;
    static constexpr int ProtectedRange = 32;
    static constexpr int Attempts = 3;

    Sle4442Card();
    QString kind() const override { return QStringLiteral("sle4442"); }
    CardReply command(quint8 cm, quint8 pm, const QByteArray &data) override;

    static QByteArray answerToReset() { return QByteArray::fromHex("A2131091"); }
    QByteArray memory() const { return m_main; }
    bool isProtected(int address) const { return address < ProtectedRange && m_protected[address]; }
    int attemptsLeft() const { return m_attempts; }
    QByteArray psc() const { return m_psc; }

private:
    CardReply apdu(const QByteArray &data);
    CardReply read(quint8 area, int address, int length) const;
    CardReply write(quint8 area, int address, const QByteArray &bytes);
    CardReply verify(const QByteArray &code);

    QByteArray m_main;
    std::array<bool, ProtectedRange> m_protected{};
    QByteArray m_psc = QByteArray(3, char(0xFF));
    int m_attempts = Attempts;
    SleSession m_session;
};

}  // namespace sim
