// The reader's side of the serial protocol: frames in, ACK and reply frames
// out, broken frames and noise, and the faults it makes on request (what
// reaches the line, whether the command is carried out, how long it lasts).

#include "fault_plan.h"
#include "line_protocol.h"
#include "reader_model.h"
#include "sim/sim_bytes.h"

#include <QtTest>

using namespace sim;
using simtest::hex;
using simtest::joined;

namespace {
const QByteArray kStatus = hex("F2 00 00 03 43 31 30 03 B0");
const QByteArray kStatusAnswer = hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");
// "Move the card to the front": with an empty channel it dispenses a card, so
// whether it was carried out shows in the card position.
const QByteArray kMoveToFront = hex("F2 00 00 03 43 32 39 03 BA");
}  // namespace

class TstLineProtocol : public QObject
{
    Q_OBJECT

private:
    ReaderModel model;
    FaultPlan faults;
    QByteArray feed(LineProtocol &p, const QByteArray &bytes) { return joined(p.feed(bytes)); }

private Q_SLOTS:
    void init()
    {
        model = ReaderModel();
        faults.clear();
    }

    // The framing of replies (what each command answers is the model's,
    // tst_reader_model), and broken requests refused without a word.
    void answersRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");  // ACK, then the reply frame with its BCC; empty: refused
        QTest::newRow("card status") << kStatus << kStatusAnswer;
        QTest::newRow("dispense to front") << kMoveToFront << hex("06 F2 00 00 06 50 32 39 31 32 30 03 9F");
        QTest::newRow("contact type test, no chip")
            << hex("F2 00 00 03 43 50 30 03 D1") << hex("06 F2 00 00 08 50 50 30 30 32 30 30 30 03 FB");
        QTest::newRow("contact CPU, no chip")
            << hex("F2 00 00 04 43 51 30 30 03 E7") << hex("06 F2 00 00 05 4E 51 30 36 33 03 DE");
        QTest::newRow("unknown command") << hex("F2 00 00 03 43 5A 30 03 DB") << hex("06 F2 00 00 05 4E 5A 30 30 30 03 D0");
        QTest::newRow("wrong parameter") << hex("F2 00 00 03 43 31 37 03 B7") << hex("06 F2 00 00 05 4E 31 37 30 31 03 BD");
        // Each is "move the card to the front", damaged in one place.
        QTest::newRow("bad BCC") << hex("F2 00 00 03 43 32 39 03 BB") << QByteArray();
        QTest::newRow("bad ETX") << hex("F2 00 00 03 43 32 39 02 BB") << QByteArray();
        QTest::newRow("address out of range") << hex("F2 10 00 03 43 32 39 03 AA") << QByteArray();
        QTest::newRow("reply marker") << hex("F2 00 00 03 50 32 39 03 A9") << QByteArray();
        QTest::newRow("length too short") << hex("F2 00 00 02 43 32 39 03 BB") << QByteArray();
    }
    void answersRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        LineProtocol protocol(model, faults);
        QCOMPARE(feed(protocol, request).toHex(' '), expected.toHex(' '));
        QCOMPARE(protocol.phase(), expected.isEmpty() ? LineProtocol::Phase::Idle : LineProtocol::Phase::AwaitingHostAck);
        if (expected.isEmpty())
            QCOMPARE(model.cardPosition(), CardPosition::None);  // not carried out
    }

    void answersAtItsOwnAddressOnly()
    {
        model.setAddress(5);
        faults.setMode(FaultMode::Nak, true);  // another address does not use the fault up
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(kStatus).isEmpty());
        QCOMPARE(feed(protocol, hex("F2 05 00 03 43 31 30 03 B5")), hex("15"));
        QCOMPARE(feed(protocol, hex("F2 05 00 03 43 31 30 03 B5")).toHex(' '),
                 hex("06 F2 05 00 06 50 31 30 30 32 30 03 91").toHex(' '));
    }

    void capsTheRequestLength()
    {
        LineProtocol protocol(model, faults);
        // LEN 1100 (044Ch), the largest taken, and 1101: an unknown command of
        // 'x' bytes, so the answer is a negative reply.
        const QByteArray longest = hex("F2 00 04 4C 43 5A 30") + QByteArray(1097, 'x') + hex("03 E8");
        const QByteArray tooLong = hex("F2 00 04 4D 43 5A 30") + QByteArray(1098, 'x') + hex("03 91");
        QCOMPARE(feed(protocol, longest).left(2), hex("06 F2"));
        QVERIFY(protocol.feed(tooLong).isEmpty());
        QCOMPARE(protocol.bufferedBytes(), 0);
    }

    void resynchronisesAfterGarbage_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::newRow("noise") << hex("00 FF 13 37 06 04 42");
        QTest::newRow("lone STX") << hex("F2 F2 F2");
        QTest::newRow("STX with absurd length") << hex("F2 00 7F FF 43");
        QTest::newRow("header of a long frame never sent") << hex("F2 00 04 00 43 31 30");
        QTest::newRow("truncated request") << hex("F2 00 00 03 43 31");
        QTest::newRow("request with bad BCC") << hex("F2 00 00 03 43 32 39 03 00");
        QTest::newRow("reply echoed back") << hex("F2 00 00 05 4E 5A 30 30 30 03 D0");
    }
    void resynchronisesAfterGarbage()
    {
        QFETCH(QByteArray, garbage);
        LineProtocol together(model, faults);
        QCOMPARE(feed(together, garbage + kStatus).toHex(' '), kStatusAnswer.toHex(' '));
        LineProtocol byteByByte(model, faults);
        QByteArray out;
        for (char b : garbage + kStatus)
            out += feed(byteByByte, QByteArray(1, b));
        QCOMPARE(out.toHex(' '), kStatusAnswer.toHex(' '));
    }

    void answersBackToBackRequestsAndWaitsForTheAck()
    {
        LineProtocol protocol(model, faults);
        const QList<Transmission> out = protocol.feed(kMoveToFront + kStatus);
        QCOMPARE(out.size(), 4);
        QCOMPARE(out[3].bytes, hex("F2 00 00 06 50 31 30 31 32 30 03 95"));  // card now at front
        QCOMPARE(protocol.phase(), LineProtocol::Phase::AwaitingHostAck);
        QVERIFY(protocol.feed(hex("06")).isEmpty());
        QCOMPARE(protocol.phase(), LineProtocol::Phase::Idle);
        protocol.feed(kStatus);
        QVERIFY(protocol.feed(hex("04")).isEmpty());  // host saw no reply
        QCOMPARE(protocol.phase(), LineProtocol::Phase::Idle);
        // EOT also drops a request cut short.
        QVERIFY(protocol.feed(hex("F2 00 00 03 43 31")).isEmpty());
        QVERIFY(protocol.feed(hex("04")).isEmpty());
        QCOMPARE(feed(protocol, kStatus).left(2), hex("06 F2"));
        QCOMPARE(protocol.bufferedBytes(), 0);
    }

    // ---- Faults ----

    void lineModes_data()
    {
        QTest::addColumn<FaultMode>("mode");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("carriedOut");
        QTest::newRow("nak") << FaultMode::Nak << hex("15") << false;
        QTest::newRow("silent") << FaultMode::Silent << QByteArray() << false;
        QTest::newRow("ack-only") << FaultMode::AckOnly << hex("06") << true;
        QTest::newRow("header-only") << FaultMode::HeaderOnly << hex("06 F2 00 00 06") << true;
        QTest::newRow("bad-bcc") << FaultMode::BadBcc << hex("06 F2 00 00 06 50 32 39 31 32 30 03 60") << true;
        // Well formed, 1100 zero bytes past the host's 1025-byte reply buffer: LEN 0452h.
        QTest::newRow("oversize") << FaultMode::Oversize
                                  << hex("06 F2 00 04 52 50 32 39 31 32 30") + QByteArray(1100, '\0') + hex("03 CF") << true;
    }
    void lineModes()
    {
        QFETCH(FaultMode, mode);
        QFETCH(QByteArray, expected);
        QFETCH(bool, carriedOut);
        faults.setMode(mode);
        LineProtocol protocol(model, faults);
        QCOMPARE(feed(protocol, kMoveToFront).toHex(' '), expected.toHex(' '));
        QCOMPARE(model.cardPosition() == CardPosition::Front, carriedOut);
        QCOMPARE(faults.mode(), mode);  // sticky without "once" (once: display/tst_message_boxes)
    }

    void delayPausesBeforeTheReplyFrame()
    {
        faults.setDelayMs(250);
        faults.setMode(FaultMode::HeaderOnly);
        LineProtocol protocol(model, faults);
        const QList<Transmission> out = protocol.feed(kStatus);
        QCOMPARE(out.size(), 2);
        QCOMPARE(out[0].delayMs, 0);
        QCOMPARE(out[0].bytes, hex("06"));
        QCOMPARE(out[1].delayMs, 250);
        QCOMPARE(out[1].bytes, hex("F2 00 00 06"));
        faults.setMode(FaultMode::None);
        QCOMPARE(protocol.feed(kStatus).value(1).delayMs, 250);  // the delay stays
        faults.setDelayMs(0);
        QCOMPARE(protocol.feed(kStatus).value(1).delayMs, 0);
    }

    void negativeAnswersTheNextCarriedRequestOnce()
    {
        faults.setNegative("10");
        faults.setMode(FaultMode::Silent, true);
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(kMoveToFront).isEmpty());  // waits while requests are refused
        QCOMPARE(feed(protocol, kMoveToFront).toHex(' '), hex("06 F2 00 00 05 4E 32 39 31 30 03 B0").toHex(' '));
        QCOMPARE(model.cardPosition(), CardPosition::None);  // refused, not moved
        QCOMPARE(feed(protocol, kStatus), kStatusAnswer);
    }
};

QTEST_GUILESS_MAIN(TstLineProtocol)
#include "tst_line_protocol.moc"
