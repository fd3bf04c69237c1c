#pragma once
// Mifare Ultralight: 16 pages of 4 bytes. Pages 0 to 2 hold the 7-byte UID and
// its two check bytes (page 2 also the lock bytes), page 3 is one-time
// programmable, pages 4 to 15 are user data. Pages 0 and 1 refuse writes;
// writing page 2 only sets lock bits, page 3 only sets OTP bits, and a page
// whose lock bit is set refuses writes. No authentication.

#include "cards/rf_card.h"

namespace sim {

class Ultralight : public RfCard
{
public:
    static constexpr int Pages = 16;
    static constexpr int PageSize = 4;

    explicit Ultralight(QByteArray uid = QByteArrayLiteral("\x04\x51\x6A\x72\x1C\x2D\x80"));

    QString kind() const override { return QStringLiteral("ultralight"); }
    QByteArray page(int i) const { return m_memory.mid(i * PageSize, PageSize); }
    QByteArray uid() const { return m_uid; }

protected:
    Protocol protocol() const override { return Protocol::TypeA; }
    QByteArray typeCode() const override { return QByteArrayLiteral("12"); }
    QByteArray activate() override;
    CardReply mifare(const QByteArray &command) override;

private:
    bool locked(int page) const;

    QByteArray m_uid;
    QByteArray m_memory;
};

}  // namespace sim
