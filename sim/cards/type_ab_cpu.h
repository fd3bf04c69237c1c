#pragma once
// ISO/IEC 14443 Type A and Type B CPU cards with a small file system behind a
// minimal APDU responder.
//
// RF-LOCAL RESPONDER: RfApduResponder is kept here until it can be folded into
// the shared CPU-card responder of the contact cards. It knows:
//   SELECT by FID (3F00 the MF, 0001 a 16-byte transparent file) and by name
//   ("1PAY.SYS.DDF01"), the MF and DDF answering 61xx with their FCI waiting;
//   GET RESPONSE for that FCI; GET CHALLENGE (4 or 8 fresh random bytes);
//   READ BINARY of the selected file or by SFI 1.
//   Anything else: 6E00 (class), 6D00 (instruction), 6A82 (file not found),
//   6700 (length), 6986 (no file selected), 6B00 (offset).

#include "cards/rf_card.h"

namespace sim {

class RfApduResponder
{
public:
    // The response APDU: data, SW1, SW2.
    QByteArray respond(const QByteArray &command);
    void reset();

    static QByteArray fileContents();

private:
    QByteArray m_pending;  // for GET RESPONSE
    bool m_fileSelected = false;
};

class TypeACpuCard : public RfCard
{
public:
    QString kind() const override { return QStringLiteral("type-a"); }
    static QByteArray uid() { return QByteArrayLiteral("\x08\x9C\x31\x52"); }
    static QByteArray ats() { return QByteArray::fromHex("0578807002"); }

protected:
    Protocol protocol() const override { return Protocol::TypeA; }
    QByteArray typeCode() const override { return QByteArrayLiteral("20"); }
    QByteArray activate() override;
    void deactivate() override { m_responder.reset(); }
    QByteArray apdu(const QByteArray &command) override { return m_responder.respond(command); }

private:
    RfApduResponder m_responder;
};

class TypeBCpuCard : public RfCard
{
public:
    QString kind() const override { return QStringLiteral("type-b"); }
    // 50h, PUPI, application data, protocol info.
    static QByteArray atqb() { return QByteArray::fromHex("501A2B3C4D00000000718185"); }

protected:
    Protocol protocol() const override { return Protocol::TypeB; }
    QByteArray typeCode() const override { return QByteArrayLiteral("30"); }
    QByteArray activate() override { return QByteArray("B") + atqb(); }
    void deactivate() override { m_responder.reset(); }
    QByteArray apdu(const QByteArray &command) override { return m_responder.respond(command); }

private:
    RfApduResponder m_responder;
};

}  // namespace sim
