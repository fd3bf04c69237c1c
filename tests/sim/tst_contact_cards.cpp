// The virtual reader's contact card models on their own: memory cards with
// their codes, counters and protection, AT24 bounds, the CPU card and the
// APDU responder, and the SAM sockets behind the card slots.

#include "cards/apdu_responder.h"
#include "cards/at24_card.h"
#include "cards/cpu_card.h"
#include "cards/registry.h"
#include "cards/sle4428_card.h"
#include "cards/sle4442_card.h"
#include "card_slots.h"
#include "sim/sim_bytes.h"

#include <QtTest>

using namespace sim;
using simtest::hex;

namespace {

// The status word at the end of a positive APDU-style answer, as "9000".
QByteArray swOf(const Reply &r)
{
    return r.positive && r.data.size() >= 2 ? r.data.right(2).toHex().toUpper() : "N" + r.status;
}

}  // namespace

class TstContactCards : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sle4442SecurityCode()
    {
        Sle4442Card card;
        QCOMPARE(card.command('S', '3', hex("00B0000004")).status, QByteArray("65"));  // not powered yet
        QCOMPARE(card.command('S', '0', {}).data, hex("A2131091"));
        QCOMPARE(card.command('S', '2', {}).data, QByteArray("1"));
        // Writes need the code.
        QCOMPARE(swOf(card.command('S', '3', hex("00D0001001AA"))), QByteArray("6F00"));
        QCOMPARE(swOf(card.command('S', '3', hex("00D0020103010203"))), QByteArray("6F00"));
        // The code reads as zeros before verification, the counter as 3 bits.
        QCOMPARE(card.command('S', '3', hex("00B0020004")).data, hex("07000000 9000"));
        QCOMPARE(swOf(card.command('S', '3', hex("0020030103FFFFFF"))), QByteArray("9000"));
        QCOMPARE(card.command('S', '3', hex("00B0020004")).data, hex("07FFFFFF 9000"));
        QCOMPARE(swOf(card.command('S', '3', hex("00D0001002AABB"))), QByteArray("9000"));
        QCOMPARE(card.memory().mid(0x10, 2), hex("AABB"));
        QCOMPARE(card.command('S', '3', hex("00B0000F03")).data, hex("FFAABB 9000"));
        // Change, then the old code is wrong.
        QCOMPARE(swOf(card.command('S', '3', hex("00D0020103123456"))), QByteArray("9000"));
        QCOMPARE(swOf(card.command('S', '3', hex("0020030103FFFFFF"))), QByteArray("6F01"));
        QCOMPARE(card.attemptsLeft(), 2);
        // A right code refills the counter; a new power-up forgets the verification.
        QCOMPARE(swOf(card.command('S', '3', hex("0020030103123456"))), QByteArray("9000"));
        QCOMPARE(card.attemptsLeft(), 3);
        card.command('S', '0', {});
        QCOMPARE(swOf(card.command('S', '3', hex("00D0001001CC"))), QByteArray("6F00"));
    }

    void sle4442Protection()
    {
        Sle4442Card card;
        card.command('S', '0', {});
        QCOMPARE(card.command('S', '3', hex("00B0010006")).data, hex("010101010000 9000"));
        card.command('S', '3', hex("0020030103FFFFFF"));
        // A write touching a protected byte is refused as a whole.
        QCOMPARE(swOf(card.command('S', '3', hex("00D0000202AAAA"))), QByteArray("6F00"));
        QCOMPARE(card.memory().mid(2, 3), hex("1091FF"));
        // Protecting needs the byte's current value, and then it sticks.
        card.command('S', '3', hex("00D0000801 5A"));
        QCOMPARE(swOf(card.command('S', '3', hex("00D0010801 00"))), QByteArray("6F00"));
        QVERIFY(!card.isProtected(8));
        QCOMPARE(swOf(card.command('S', '3', hex("00D0010801 5A"))), QByteArray("9000"));
        QVERIFY(card.isProtected(8));
        QCOMPARE(swOf(card.command('S', '3', hex("00D0000801 5B"))), QByteArray("6F00"));
        // Bytes past 31 cannot be protected; reads past the memory are refused.
        QCOMPARE(swOf(card.command('S', '3', hex("00D0011F02 FFFF"))), QByteArray("6B00"));
        QCOMPARE(swOf(card.command('S', '3', hex("00B000F020"))), QByteArray("6B00"));
        QCOMPARE(card.command('S', '3', hex("00B000F010")).data.size(), 18);
    }

    void memoryApduErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("activate");  // CM PM data
        QTest::addColumn<QByteArray>("apdu");      // CM PM data
        QTest::addColumn<QByteArray>("sw");
        QTest::newRow("4442 CLA") << "sle4442" << QByteArray("S0") << "S3" + hex("80B0000001") << QByteArray("6E00");
        QTest::newRow("4442 INS") << "sle4442" << QByteArray("S0") << "S3" + hex("0012000001") << QByteArray("6D00");
        QTest::newRow("4442 area") << "sle4442" << QByteArray("S0") << "S3" + hex("00B0050001") << QByteArray("6B00");
        QTest::newRow("4442 Lc") << "sle4442" << QByteArray("S0") << "S3" + hex("00D0000002AA") << QByteArray("6700");
        QTest::newRow("4442 short") << "sle4442" << QByteArray("S0") << "S3" + hex("00B0") << QByteArray("6700");
        QTest::newRow("4428 page 4") << "sle4428" << QByteArray("S0") << "S4" + hex("00B0040001") << QByteArray("6B00");
        QTest::newRow("4428 past end") << "sle4428" << QByteArray("S0") << "S4" + hex("00B003F020")
                                       << QByteArray("6B00");
        QTest::newRow("4428 last page") << "sle4428" << QByteArray("S0") << "S4" + hex("00B003F010")
                                        << QByteArray("9000");
        QTest::newRow("4428 no verify") << "sle4428" << QByteArray("S0") << "S4" + hex("00D0000001AA")
                                        << QByteArray("6F00");
        QTest::newRow("4428 bad P1") << "sle4428" << QByteArray("S0") << "S4" + hex("00D0400001AA")
                                     << QByteArray("6B00");
        QTest::newRow("24 INS") << "at24c02" << QByteArray("T00") << "T3" + hex("00A4000000") << QByteArray("6D00");
        QTest::newRow("24 not active") << "at24c02" << QByteArray("T2") << "T3" + hex("00B0000001")
                                       << QByteArray("N65");
    }
    void memoryApduErrors()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, activate);
        QFETCH(QByteArray, apdu);
        QFETCH(QByteArray, sw);
        auto card = makeContactCard(kind);
        QVERIFY(card);
        QVERIFY(card->command(quint8(activate[0]), quint8(activate[1]), activate.mid(2)).positive);
        QCOMPARE(swOf(card->command(quint8(apdu[0]), quint8(apdu[1]), apdu.mid(2))), sw);
    }

    void sle4428CodeAndProtectionBits()
    {
        Sle4428Card card;
        QCOMPARE(card.command('S', '0', {}).data, hex("92231091"));
        QCOMPARE(card.command('S', '2', {}).data, QByteArray("2"));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(swOf(card.command('S', '4', hex("002000000201 02"))), QByteArray("6F01"));
        QCOMPARE(swOf(card.command('S', '4', hex("0020000002FFFF"))), QByteArray("9000"));
        QCOMPARE(card.attemptsLeft(), 8);
        // Page 2, byte 10h, with protection bits.
        QCOMPARE(swOf(card.command('S', '4', hex("00D0221002 A1A2"))), QByteArray("9000"));
        QCOMPARE(card.memory().mid(0x210, 2), hex("A1A2"));
        QVERIFY(card.isProtected(0x210) && card.isProtected(0x211) && !card.isProtected(0x212));
        QCOMPARE(swOf(card.command('S', '4', hex("00D0021101 00"))), QByteArray("6F00"));
        QCOMPARE(card.command('S', '4', hex("00B0021003")).data, hex("A1A2FF 9000"));
        // Without the flag nothing gets protected.
        QCOMPARE(swOf(card.command('S', '4', hex("00D0000001 55"))), QByteArray("9000"));
        QVERIFY(!card.isProtected(0));
        QCOMPARE(card.command('S', '4', hex("00B0100002")).data, hex("0000 9000"));
        // Change and the eighth failure lock the card.
        QCOMPARE(swOf(card.command('S', '4', hex("00240100021234"))), QByteArray("9000"));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(swOf(card.command('S', '4', hex("0020000002FFFF"))), QByteArray("6F01"));
        QCOMPARE(swOf(card.command('S', '4', hex("0020000002FFFF"))), QByteArray("6F02"));
        QCOMPARE(swOf(card.command('S', '4', hex("00200000021234"))), QByteArray("6F02"));
    }

    void at24SizesAndTypeCodes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("typeCode");
        QTest::newRow("01") << "at24c01" << 128 << QByteArray("1") << QByteArray("30");
        QTest::newRow("16") << "at24c16" << 2048 << QByteArray("5") << QByteArray("34");
        QTest::newRow("256") << "at24c256" << 32768 << QByteArray("9") << QByteArray("38");
        QTest::newRow("512") << "at24c512" << 65536 << QByteArray(":") << QByteArray("39");
    }
    void at24SizesAndTypeCodes()
    {
        QFETCH(QString, kind);
        QFETCH(int, size);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, typeCode);
        auto card = makeContactCard(kind);
        QVERIFY(card);
        QCOMPARE(card->command(0x50, '0', {}).data, typeCode);
        QCOMPARE(card->command('T', '2', {}).data, QByteArray("0"));
        QCOMPARE(card->command('T', '0', "0").data, code);
        QCOMPARE(card->command('T', '2', {}).data, code);
        QCOMPARE(static_cast<At24Card *>(card.get())->size(), size);
        // The last byte can be written and read back; one past it cannot.
        QByteArray last(4, '\0');
        last[0] = 0x00, last[1] = char(0xD0), last[2] = char((size - 1) >> 8), last[3] = char((size - 1) & 0xFF);
        QCOMPARE(swOf(card->command('T', '3', last + "\x01\x5A")), QByteArray("9000"));
        last[1] = char(0xB0);
        QCOMPARE(card->command('T', '3', last + "\x01").data, hex("5A9000"));
        QCOMPARE(swOf(card->command('T', '3', last + "\x02")), QByteArray("6B00"));
        QVERIFY(card->command('S', '1', {}).positive);
        QCOMPARE(card->command('T', '2', {}).data, QByteArray("0"));
    }

    void cpuCardResetsAndStatus()
    {
        // T=0: type code, status, cold reset, its answer to reset and
        // deactivation: e2e/scenarios/contact_cpu.scn.
        CpuCard t0(CpuCard::Variant::T0);
        QCOMPARE(t0.command('Q', '9', hex("0084000008")).status, QByteArray("65"));  // not powered
        QCOMPARE(t0.command('Q', '8', {}).status, QByteArray("65"));
        QVERIFY(t0.command('Q', '0', "0").positive);
        QCOMPARE(t0.answerToReset().size(), 4 + (t0.answerToReset()[1] & 0x0F));  // T0 counts the historical bytes
        QCOMPARE(t0.command('Q', '8', {}).data.left(1), QByteArray("0"));

        CpuCard t1(CpuCard::Variant::T1);
        QCOMPARE(t1.command(0x50, '0', {}).data, QByteArray("11"));
        QCOMPARE(t1.command('Q', '0', "3").data.left(1), QByteArray("1"));
        quint8 x = 0;  // T=1: the check byte makes T0..TCK XOR to zero
        const QByteArray atr = t1.answerToReset();
        for (int i = 1; i < atr.size(); ++i)
            x ^= quint8(atr[i]);
        QCOMPARE(x, quint8(0));
        // A T=1 SELECT answers with the FCI at once.
        QCOMPARE(t1.command('Q', '9', hex("00A40000023F00")).data, ApduResponder::mfFci() + hex("9000"));
    }

    void apduResponder_data()
    {
        QTest::addColumn<QByteArray>("apdu");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("select PSE") << hex("00A404000E315041592E5359532E4444463031") << hex("611C");
        QTest::newRow("select other FID") << hex("00A40000023F01") << hex("6A82");
        QTest::newRow("select other name") << hex("00A4040005A000000003") << hex("6A82");
        QTest::newRow("select Lc") << hex("00A40000033F00") << hex("6700");
        QTest::newRow("response, none pending") << hex("00C0000018") << hex("6985");
        QTest::newRow("read binary offset") << hex("00B0810D03") << QByteArray("001") + hex("9000");
        QTest::newRow("read binary all") << hex("00B0810000") << QByteArray("VIRTUAL CARD 001") + hex("9000");
        QTest::newRow("read binary past") << hex("00B0810E04") << hex("6B00");
        QTest::newRow("read binary SFI 2") << hex("00B0820004") << hex("6A82");
        QTest::newRow("challenge Le 5") << hex("0084000005") << hex("6700");
        QTest::newRow("CLA 80") << hex("8084000008") << hex("6E00");
        QTest::newRow("INS") << hex("00DA000000") << hex("6D00");
        QTest::newRow("too short") << hex("00A4") << hex("6700");
    }
    void apduResponder()
    {
        QFETCH(QByteArray, apdu);
        QFETCH(QByteArray, answer);
        ApduResponder r(ApduResponder::Transport::T0);
        QCOMPARE(r.process(apdu).toHex(' '), answer.toHex(' '));
    }

    void getResponseAndChallenge()
    {
        quint8 next = 0x10;
        ApduResponder r(ApduResponder::Transport::T0, [&next] { return next++; });
        QCOMPARE(r.process(hex("00A40000023F00")), hex("6118"));
        QCOMPARE(r.process(hex("00C0000020")), hex("6C18"));  // wrong Le: told the right one
        QCOMPARE(r.process(hex("00C0000010")), ApduResponder::mfFci().left(16) + hex("6108"));
        QCOMPARE(r.process(hex("00C0000008")), ApduResponder::mfFci().mid(16) + hex("9000"));
        QCOMPARE(r.process(hex("00C0000008")), hex("6985"));
        QCOMPARE(ApduResponder::mfFci().size(), 0x18);
        QCOMPARE(quint8(ApduResponder::mfFci()[1]), quint8(0x18 - 2));
        QCOMPARE(quint8(ApduResponder::pseFci()[1]), quint8(ApduResponder::pseFci().size() - 2));
        // Another command drops what was pending.
        r.process(hex("00A40000023F00"));
        QCOMPARE(r.process(hex("0084000004")), hex("10111213 9000"));
        QCOMPARE(r.process(hex("00C0000018")), hex("6985"));

        // With the real generator two challenges differ (2^-64 chance of a false failure).
        ApduResponder fresh(ApduResponder::Transport::Direct);
        QVERIFY(fresh.process(hex("0084000008")) != fresh.process(hex("0084000008")));
        QCOMPARE(fresh.process(hex("00A40000023F00")), ApduResponder::mfFci() + hex("9000"));
    }

    void samSocketsBehindTheSlots()
    {
        // Which socket answers, its status and answer to reset:
        // e2e/scenarios/contact_sam.scn.
        CardSlots slots;
        const QByteArray reader = "020";
        QVERIFY(slots.setSamCard(0, makeContactCard(QStringLiteral("sam"))));
        QCOMPARE(slots.handle(0x52, '0', "0", reader).status, reader);  // the reader's status, not the card's
        // The SAM does not answer at the IC position, and the IC card is apart.
        QCOMPARE(slots.handle(0x51, '0', "0", reader).status, QByteArray("63"));
        slots.setContactCard(makeContactCard(QStringLiteral("sle4442")));
        QCOMPARE(slots.handle(0x50, '0', {}, reader).data, QByteArray("20"));
        QCOMPARE(slots.handle(0x53, '0', {}, reader).status, reader);
    }
};

QTEST_GUILESS_MAIN(TstContactCards)
#include "tst_contact_cards.moc"
