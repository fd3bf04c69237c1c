#pragma once
// AT24C01 .. AT24C512 serial EEPROM cards: the size code on activation,
// reads and writes bounded by the size. A fresh card reads FF throughout.

#include "cards/card.h"

namespace sim {

class At24Card : public ContactCard
{
public:
    // sizeCode: '1' (24C01, 128 bytes) .. ':' (24C512, 64 KB).
    explicit At24Card(char sizeCode);
    QString kind() const override;
    CardReply command(quint8 cm, quint8 pm, const QByteArray &data) override;

    int size() const { return int(m_memory.size()); }
    QByteArray memory() const { return m_memory; }

    // "at24c01" .. "at24c512".
    static QStringList kinds();
    static char sizeCodeForKind(const QString &kind);  // 0 for none

private:
    CardReply apdu(const QByteArray &data);

    char m_code;
    QByteArray m_memory;
    bool m_active = false;
};

}  // namespace sim
