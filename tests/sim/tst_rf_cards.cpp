// The contactless card models on their own and behind the reader's slots:
// activation by search order, Mifare keys and authentication, blocks, value
// blocks, the reader's key store, Ultralight pages and the CPU card responder.

#include "card_slots.h"
#include "cards/mifare_classic.h"
#include "cards/registry.h"
#include "cards/type_ab_cpu.h"
#include "cards/ultralight.h"
#include "sim/sim_bytes.h"

#include <QtTest>

using namespace sim;
using simtest::hex;

namespace {

constexpr quint8 Rf = 0x60;
const QByteArray ReaderStatus = QByteArrayLiteral("220");

// A reader slot holding one card, commands sent as the tool sends them.
struct Antenna
{
    CardSlots slots;
    explicit Antenna(const QString &kind) { slots.setContactlessCard(makeContactlessCard(kind)); }
    Reply send(quint8 pm, const QByteArray &data = {}) { return slots.handle(Rf, pm, data, ReaderStatus); }
    Reply mifare(const char *hexData) { return send('3', hex(hexData)); }
    bool activate(const char *order = "AB") { return send('0', QByteArray(order)).positive; }
};

QByteArray sw(const Reply &r)
{
    return r.data.right(2).toHex().toUpper();
}

}  // namespace

class TestRfCards : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The cards a key search is tried on: each sector opens with its own
    // keys only, and sector 5 with keys no public dictionary holds.
    void mixedKeyCardsOpenEachSectorWithItsOwnKeys_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("check");  // the check-key command
        QTest::addColumn<QByteArray>("sw");
        QTest::newRow("s50 sector 1 Key A") << "s50-keys" << QByteArray("00 20 00 01 06 A0A1A2A3A4A5") << QByteArray("9000");
        QTest::newRow("s50 sector 1 factory key") << "s50-keys" << QByteArray("00 20 00 01 06 FFFFFFFFFFFF") << QByteArray("6F00");
        QTest::newRow("s50 sector 4 Key B") << "s50-keys" << QByteArray("00 20 01 04 06 AABBCCDDEEFF") << QByteArray("9000");
        QTest::newRow("s50 sector 5 secret Key B") << "s50-keys" << QByteArray("00 20 01 05 06 6C7D8E9FA0B1") << QByteArray("9000");
        QTest::newRow("s50 sector 7 factory key") << "s50-keys" << QByteArray("00 20 00 07 06 FFFFFFFFFFFF") << QByteArray("9000");
        QTest::newRow("s70 sector 33 Key B") << "s70-keys" << QByteArray("00 20 01 21 06 533CB6C723F6") << QByteArray("9000");
        QTest::newRow("s70 sector 39 Key A") << "s70-keys" << QByteArray("00 20 00 27 06 8FD0A4F256E9") << QByteArray("9000");
        QTest::newRow("s70 sector 5 factory key") << "s70-keys" << QByteArray("00 20 00 05 06 FFFFFFFFFFFF") << QByteArray("6F00");
    }
    void mixedKeyCardsOpenEachSectorWithItsOwnKeys()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, check);
        QFETCH(QByteArray, sw);
        Antenna a(kind);
        QVERIFY(a.activate());
        QCOMPARE(::sw(a.mifare(check.constData())), sw);
        // Data in the data blocks once open (block 1 of the sector, not zeros).
        if (sw == "9000") {
            const QByteArray sector = QByteArray::number(quint8(hex(check.constData()).at(3)), 16).rightJustified(2, '0');
            const Reply r = a.mifare(QByteArray("00 B0 " + sector + " 01 01").constData());
            QCOMPARE(::sw(r), QByteArray("9000"));
            QVERIFY(r.data.left(16) != QByteArray(16, '\0'));
        }
    }

    void searchOrderDecidesWhoAnswers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("order");
        QTest::addColumn<QByteArray>("expected");  // data, or the negative code
        QTest::newRow("S70, B then A") << "s70" << QByteArray("BA") << hex("4D 00 02 04 A1 2B 3C 4D");
        QTest::newRow("S50, B only") << "s50" << QByteArray("B0") << QByteArray("63");
        QTest::newRow("Ultralight, A only") << "ultralight" << QByteArray("A0") << hex("4D 00 44 07 04 51 6A 72 1C 2D 80");
        QTest::newRow("Type B, B only") << "type-b" << QByteArray("B0") << hex("42 50 1A 2B 3C 4D 00 00 00 00 71 81 85");
        QTest::newRow("Type B, A only") << "type-b" << QByteArray("A0") << QByteArray("63");
        QTest::newRow("no order chosen") << "s50" << QByteArray(2, '\0') << QByteArray("01");
    }
    void searchOrderDecidesWhoAnswers()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, order);
        QFETCH(QByteArray, expected);
        Antenna a(kind);
        const Reply r = a.send('0', order);
        if (r.positive) {
            QCOMPARE(r.status, ReaderStatus);
            QCOMPARE(r.data, expected);
        } else {
            QCOMPARE(r.status, expected);
        }
    }

    void typeTestAndStatusGiveTheTypeCode_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("s50") << "s50" << QByteArray("10");
        QTest::newRow("s70") << "s70" << QByteArray("11");
        QTest::newRow("ultralight") << "ultralight" << QByteArray("12");
        QTest::newRow("type-a") << "type-a" << QByteArray("20");
        QTest::newRow("type-b") << "type-b" << QByteArray("30");
    }
    void typeTestAndStatusGiveTheTypeCode()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, code);
        Antenna a(kind);
        QCOMPARE(a.slots.handle(0x50, '1', {}, ReaderStatus).data, code);
        QCOMPARE(a.send('2').data, code);
    }

    void classicNeedsActivationAndAuthentication()
    {
        Antenna a(QStringLiteral("s50"));
        QCOMPARE(a.mifare("00 B0 01 00 01").status, QByteArray("63"));  // not activated
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 B0 01 00 01")), QByteArray("6F00"));  // not authenticated
        QCOMPARE(sw(a.mifare("00 20 00 01 06 FF FF FF FF FF FE")), QByteArray("6F00"));  // wrong key
        QCOMPARE(sw(a.mifare("00 20 01 01 06 FF FF FF FF FF FF")), QByteArray("9000"));  // factory Key B
        const Reply trailer = a.mifare("00 B0 01 03 01");
        // Key A reads back as zeros; access bits and Key B as on a fresh card.
        QCOMPARE(trailer.data, hex("000000000000 FF078069 FFFFFFFFFFFF 9000"));
        // Authentication covers one sector only.
        QCOMPARE(sw(a.mifare("00 B0 02 00 01")), QByteArray("6F00"));
        // Deactivation drops it.
        QVERIFY(a.send('1').positive);
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 B0 01 00 01")), QByteArray("6F00"));
    }

    void classicBlocksWriteReadAndGuard()
    {
        Antenna a(QStringLiteral("s50"));
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 20 00 00 06 FFFFFFFFFFFF")), QByteArray("9000"));
        // Manufacturer block: UID, BCC (A1^2B^3C^4D = F3), SAK 08, ATQA 04 00.
        QCOMPARE(a.mifare("00 B0 00 00 01").data.left(8), hex("A1 2B 3C 4D FB 08 04 00"));
        QCOMPARE(sw(a.mifare("00 D1 00 00 01 00112233445566778899AABBCCDDEEFF")), QByteArray("6F00"));
        QCOMPARE(sw(a.mifare("00 D1 00 01 01 00112233445566778899AABBCCDDEEFF")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B0 00 01 01").data, hex("00112233445566778899AABBCCDDEEFF 9000"));
        QCOMPARE(sw(a.mifare("00 D1 00 04 01 00112233445566778899AABBCCDDEEFF")), QByteArray("6F00"));  // no block 4
        QCOMPARE(sw(a.mifare("00 D1 00 02 01 0011")), QByteArray("6F00"));  // short data
    }

    void classicSectorsFollowTheModel()
    {
        MifareClassic s50(MifareClassic::Model::S50), s70(MifareClassic::Model::S70);
        QCOMPARE(s50.sectorCount(), 16);
        QCOMPARE(s70.sectorCount(), 40);
        QCOMPARE(MifareClassic::firstBlock(32), 128);
        QCOMPARE(MifareClassic::firstBlock(39) + MifareClassic::blocksIn(39), 256);
        Antenna a(QStringLiteral("s70"));
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 20 00 27 06 FFFFFFFFFFFF")), QByteArray("9000"));  // sector 39
        QCOMPARE(sw(a.mifare("00 B0 27 0F 01")), QByteArray("9000"));  // its trailer, block 15
        Antenna small(QStringLiteral("s50"));
        QVERIFY(small.activate());
        QCOMPARE(sw(small.mifare("00 20 00 10 06 FFFFFFFFFFFF")), QByteArray("6F00"));  // no sector 16
    }

    void changedKeyIsTheOnlyKey()
    {
        Antenna a(QStringLiteral("s50"));
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 D5 00 02 06 112233445566")), QByteArray("6F00"));  // not authenticated
        QCOMPARE(sw(a.mifare("00 20 00 02 06 FFFFFFFFFFFF")), QByteArray("9000"));
        QCOMPARE(sw(a.mifare("00 D5 00 02 06 112233445566")), QByteArray("9000"));
        QCOMPARE(sw(a.mifare("00 20 00 02 06 FFFFFFFFFFFF")), QByteArray("6F00"));
        QCOMPARE(sw(a.mifare("00 20 00 02 06 112233445566")), QByteArray("9000"));
    }

    void keyStoreDownloadsAndLoads()
    {
        Antenna a(QStringLiteral("s50"));
        QVERIFY(a.activate());
        // (The factory store's FF..FF opening a fresh card: scenarios/rf_mifare_value.scn.)
        // A different key in the store no longer opens the sector.
        QCOMPARE(sw(a.mifare("00 D0 00 03 06 A0A1A2A3A4A5")), QByteArray("9000"));
        QCOMPARE(a.slots.rfKeys().key(0, 3), hex("A0A1A2A3A4A5"));
        QCOMPARE(sw(a.mifare("00 21 00 03")), QByteArray("6F00"));
        QCOMPARE(sw(a.mifare("00 B0 03 00 01")), QByteArray("6F00"));
        // Download works without a card; bad requests are refused.
        CardSlots empty;
        QCOMPARE(empty.handle(Rf, '3', hex("00 D0 01 27 06 010203040506"), ReaderStatus).data, hex("9000"));
        QCOMPARE(empty.handle(Rf, '3', hex("00 D0 02 00 06 010203040506"), ReaderStatus).data, hex("6F00"));
        QCOMPARE(empty.handle(Rf, '3', hex("00 D0 00 28 06 010203040506"), ReaderStatus).data, hex("6F00"));
        QCOMPARE(empty.handle(Rf, '3', hex("00 21 00 01"), ReaderStatus).status, QByteArray("63"));
    }

    void valueBlocks()
    {
        QCOMPARE(valueBlock(100, 5), hex("64000000 9BFFFFFF 64000000 05FA05FA"));
        quint32 v = 0;
        QVERIFY(parseValueBlock(hex("10270000 EFD8FFFF 10270000 05FA05FA"), &v));
        QCOMPARE(v, 10000u);
        QVERIFY(!parseValueBlock(hex("10270000 EFD8FFFF 11270000 05FA05FA"), &v));
        QVERIFY(!parseValueBlock(QByteArray(16, '\0'), &v));

        Antenna a(QStringLiteral("s50"));
        QVERIFY(a.activate());
        QCOMPARE(sw(a.mifare("00 20 00 01 06 FFFFFFFFFFFF")), QByteArray("9000"));
        QCOMPARE(sw(a.mifare("00 D3 01 01 04 01000000")), QByteArray("6F00"));
        QCOMPARE(sw(a.mifare("00 D2 01 01 04 64000000")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B0 01 01 01").data, hex("64000000 9BFFFFFF 64000000 05FA05FA 9000"));
        QCOMPARE(sw(a.mifare("00 D3 01 01 04 0A000000")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B1 01 01").data, hex("6E000000 9000"));
        QCOMPARE(sw(a.mifare("00 D4 01 01 04 6F000000")), QByteArray("9000"));  // 110 - 111 wraps
        QCOMPARE(a.mifare("00 B1 01 01").data, hex("FFFFFFFF 9000"));
        QCOMPARE(sw(a.mifare("00 D2 01 03 04 01000000")), QByteArray("6F00"));  // trailer
    }

    void ultralightPages()
    {
        Antenna a(QStringLiteral("ultralight"));
        QVERIFY(a.activate());
        // UID 04 51 6A 72 1C 2D 80, BCC1 = 72^1C^2D^80 (page 0 with BCC0:
        // e2e/scenarios/rf_ultralight.scn).
        QCOMPARE(a.mifare("00 B0 01 00 01").data, hex("721C2D80 9000"));
        QCOMPARE(a.mifare("00 B0 02 00 01").data, hex("C3480000 9000"));
        QCOMPARE(sw(a.mifare("00 D1 01 00 01 01020304")), QByteArray("6F00"));
        QCOMPARE(sw(a.mifare("00 D1 04 00 01 01020304")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B0 04 00 01").data, hex("01020304 9000"));
        QCOMPARE(sw(a.mifare("00 B0 10 00 01")), QByteArray("6F00"));  // no page 16
        // Page 3 (OTP) only gains bits.
        QCOMPARE(sw(a.mifare("00 D1 03 00 01 F0000000")), QByteArray("9000"));
        QCOMPARE(sw(a.mifare("00 D1 03 00 01 0F000000")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B0 03 00 01").data, hex("FF000000 9000"));
        // Locking page 4 (lock byte 0, bit 4) refuses later writes to it.
        QCOMPARE(sw(a.mifare("00 D1 02 00 01 00001000")), QByteArray("9000"));
        QCOMPARE(a.mifare("00 B0 02 00 01").data, hex("C3481000 9000"));
        QCOMPARE(sw(a.mifare("00 D1 04 00 01 AABBCCDD")), QByteArray("6F00"));
    }

    void cpuResponder_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("response");  // empty: checked separately
        QTest::newRow("select by name") << hex("00A404000E315041592E5359532E4444463031") << hex("6117");
        QTest::newRow("unknown name") << hex("00A404000341424300") << hex("6A82");
        QTest::newRow("unknown FID") << hex("00A40000021234") << hex("6A82");
        QTest::newRow("bad class") << hex("80A40000023F00") << hex("6E00");
        QTest::newRow("bad instruction") << hex("00CA000000") << hex("6D00");
        QTest::newRow("read by SFI") << hex("00B0810004") << QByteArray("RF T") + hex("9000");
        QTest::newRow("read, nothing selected") << hex("00B0000004") << hex("6986");
        QTest::newRow("too short") << hex("00A4") << hex("6700");
        QTest::newRow("get response, nothing waiting") << hex("00C0000000") << hex("6985");
    }
    void cpuResponder()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, response);
        RfApduResponder responder;
        QCOMPARE(responder.respond(command).toHex().toUpper(), response.toHex().toUpper());
    }

    void cpuResponderSessions()
    {
        // SELECT of the MF and GET RESPONSE of its FCI: e2e/scenarios/rf_type_a.scn.
        RfApduResponder r;
        QCOMPARE(r.respond(hex("00A40000020001")), hex("9000"));
        QCOMPARE(r.respond(hex("00B0000200")), QByteArray(" TEST FILE 001") + hex("9000"));
        QCOMPARE(r.respond(hex("00B0001000")), hex("6B00"));
        const QByteArray c1 = r.respond(hex("0084000008")), c2 = r.respond(hex("0084000008"));
        QCOMPARE(c1.size(), 10);
        QCOMPARE(c1.right(2), hex("9000"));
        QVERIFY(c1 != c2);  // fresh bytes each time
        QCOMPARE(r.respond(hex("0084000005")), hex("6700"));
    }

    void apduGoesOnlyToItsProtocol()
    {
        Antenna a(QStringLiteral("type-a"));
        QCOMPARE(a.send('4', hex("00A40000023F00")).status, QByteArray("63"));  // not activated
        QVERIFY(a.activate());
        const Reply r = a.send('4', hex("00A40000023F00"));
        QVERIFY(r.positive);
        QCOMPARE(r.data, hex("610B"));
        QCOMPARE(a.send('5', hex("00A40000023F00")).status, QByteArray("63"));
        Antenna b(QStringLiteral("type-b"));
        QVERIFY(b.activate("BA"));
        QCOMPARE(b.send('5', hex("0084000004")).data.size(), 6);
        Antenna m(QStringLiteral("s50"));
        QVERIFY(m.activate());
        QCOMPARE(m.send('4', hex("0084000004")).status, QByteArray("63"));
    }
};

QTEST_GUILESS_MAIN(TestRfCards)
#include "tst_rf_cards.moc"
