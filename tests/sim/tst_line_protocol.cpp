// The reader's side of the serial protocol: frames in, ACK and reply frames
// out, broken frames and noise, and the faults it makes on request (what
// reaches the line, whether the command is carried out, how long it lasts).
// The reader's own commands and its state: card movement, initialise options,
// counter, what it answers with no chip. (Chip commands reaching their
// slots: every contact and contactless scenario under e2e/scenarios.)
// The control language: parsing, answers, and the state each command changes.

#include "fault_plan.h"
#include "line_protocol.h"
#include "reader_model.h"
#include "sim/sim_bytes.h"

#include <QtTest>
#include "control_interpreter.h"

using namespace sim;
using simtest::hex;
using simtest::joined;

namespace {
const QByteArray kStatus = hex("F2 00 00 03 43 31 30 03 B0");
const QByteArray kStatusAnswer = hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");
// "Move the card to the front": with an empty channel it dispenses a card, so
// whether it was carried out shows in the card position.
const QByteArray kMoveToFront = hex("F2 00 00 03 43 32 39 03 BA");


constexpr quint8 Initialise = '0', Status = '1', Move = '2';

struct Setup
{
    CardPosition position = CardPosition::None;
    bool jammed = false;
    StackerLevel stacker = StackerLevel::Enough;
    bool binFull = false;
    int counter = 0;
};

void apply(ReaderModel &model, const Setup &s)
{
    if (s.position != CardPosition::None) {
        QVERIFY(model.insertCard());
        const char pm = s.position == CardPosition::IcPosition ? '1'
                        : s.position == CardPosition::RfPosition ? '2' : '9';
        QVERIFY(model.handle(Move, pm, {}).positive);
    }
    if (s.jammed)
        QVERIFY(model.jamCard());
    model.setStacker(s.stacker);
    model.setBinFull(s.binFull);
    QVERIFY(model.setCounter(s.counter));
}

// Empty code: a positive reply is expected.
void checkReply(const Reply &reply, const QByteArray &code)
{
    if (code.isEmpty()) {
        QVERIFY2(reply.positive, reply.status.constData());
    } else {
        QVERIFY(!reply.positive);
        QCOMPARE(reply.status, code);
    }
}

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TstLineProtocol : public QObject
{
    Q_OBJECT

private:
    ReaderModel model;
    FaultPlan faults;
    LinkSettings link;
    QByteArray feed(LineProtocol &p, const QByteArray &bytes) { return joined(p.feed(bytes)); }
    QString run(const QString &line)
    {
        ControlInterpreter interpreter(model, faults, link);
        return interpreter.execute(line);
    }

private Q_SLOTS:
    void init()
    {
        model = ReaderModel();
        faults.clear();
        link = LinkSettings();
    }

    // The framing of replies (what each command answers is the model's,
    // below), and broken requests refused without a word.
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

    // ---- The reader model ----

    // Moving the card (CM 32h) and initialising (CM 30h, the PM is the
    // option): the reply, where the card ends up, the capture counter.
    void cardCommands_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<quint8>("cm");
        QTest::addColumn<char>("pm");
        QTest::addColumn<QByteArray>("code");  // empty: positive
        QTest::addColumn<CardPosition>("position");
        QTest::addColumn<int>("counter");
        const Setup none, atIc{CardPosition::IcPosition}, atFront{CardPosition::Front}, atRf{CardPosition::RfPosition};
        const Setup jammed{CardPosition::IcPosition, true};
        const Setup counterFull{CardPosition::IcPosition, false, StackerLevel::Enough, false, 999};
        auto row = [](const char *name, const Setup &s, quint8 cm, char pm, const char *code, CardPosition p, int counter) {
            QTest::newRow(name) << s << cm << pm << QByteArray(code) << p << counter;
        };
        row("move: dispense to front", none, Move, '9', "", CardPosition::Front, 0);
        row("move: front, holding", atIc, Move, '0', "", CardPosition::Front, 0);
        row("move: front to RF", atFront, Move, '2', "", CardPosition::RfPosition, 0);
        row("move: stacker straight to bin", {CardPosition::None, false, StackerLevel::Low}, Move, '3', "",
            CardPosition::None, 1);
        row("move: bin full", {CardPosition::IcPosition, false, StackerLevel::Enough, true}, Move, '3', "A1",
            CardPosition::IcPosition, 0);
        row("move: card inside, stacker empty", {CardPosition::Front, false, StackerLevel::Empty}, Move, '1', "",
            CardPosition::IcPosition, 0);
        row("move: counter full", counterFull, Move, '3', "50", CardPosition::IcPosition, 999);
        row("move: unknown destination", atIc, Move, '4', "01", CardPosition::IcPosition, 0);
        row("init 0: card to front", atIc, Initialise, '0', "", CardPosition::Front, 0);
        row("init 7: card retained, counted", atRf, Initialise, '7', "", CardPosition::RfPosition, 1);
        row("init 4: card to front, counted", atIc, Initialise, '4', "", CardPosition::Front, 1);
        row("init 1: card to bin", atIc, Initialise, '1', "", CardPosition::None, 0);
        row("init 5: card to bin, counted", atIc, Initialise, '5', "", CardPosition::None, 1);
        row("init 5: card at front to bin", atFront, Initialise, '5', "", CardPosition::None, 1);
        row("init 3: card retained", atIc, Initialise, '3', "", CardPosition::IcPosition, 0);
        row("init 7: no card, nothing counted", none, Initialise, '7', "", CardPosition::None, 0);
        row("init 5: no card, nothing counted", none, Initialise, '5', "", CardPosition::None, 0);
        row("init 0: jammed", jammed, Initialise, '0', "10", CardPosition::IcPosition, 0);
        row("init 3: jammed card stays", jammed, Initialise, '3', "", CardPosition::IcPosition, 0);
        row("init 4: counter full", counterFull, Initialise, '4', "50", CardPosition::IcPosition, 999);
        row("init 2: not an option", atIc, Initialise, '2', "01", CardPosition::IcPosition, 0);
        row("init 6: not an option", atIc, Initialise, '6', "01", CardPosition::IcPosition, 0);
    }
    void cardCommands()
    {
        QFETCH(Setup, setup);
        QFETCH(quint8, cm);
        QFETCH(char, pm);
        QFETCH(QByteArray, code);
        QFETCH(CardPosition, position);
        QFETCH(int, counter);
        ReaderModel model;
        apply(model, setup);
        const Reply reply = model.handle(cm, quint8(pm), {});
        checkReply(reply, code);
        if (cm == Initialise && reply.positive)
            QCOMPARE(reply.data, model.version());
        QCOMPARE(model.cardPosition(), position);
        QCOMPARE(model.counter(), counter);
    }

    void counterCommands_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("readBack");
        QTest::newRow("set 999") << QByteArray("999") << QByteArray() << QByteArray("999");
        QTest::newRow("letter") << QByteArray("0A7") << QByteArray("01") << QByteArray("042");
        QTest::newRow("two digits") << QByteArray("07") << QByteArray("04") << QByteArray("042");
        QTest::newRow("four digits") << QByteArray("0007") << QByteArray("04") << QByteArray("042");
    }

    void counterCommands()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, readBack);
        ReaderModel model;
        QVERIFY(model.setCounter(42));
        checkReply(model.handle(0xA5, '1', data), code);
        const Reply read = model.handle(0xA5, '0', {});
        QVERIFY(read.positive);
        QCOMPARE(read.data, readBack);
    }

    // Taking the card needs it at the front; at the RF position the status says so.
    void cardInsideCannotBeTaken()
    {
        ReaderModel model;
        QVERIFY(model.insertCard());
        QVERIFY(model.handle(Move, '2', {}).positive);
        QCOMPARE(model.handle(Status, '0', {}).status, QByteArray("220"));
        QVERIFY(!model.takeCard());
        QVERIFY(model.handle(Move, '9', {}).positive);
        QVERIFY(model.takeCard());
        QCOMPARE(model.cardPosition(), CardPosition::None);
    }

    // Requests answered from the reader alone: unit information refused, and
    // the chip commands with no chip in the slots.
    void repliesWithoutAChip_data()
    {
        QTest::addColumn<quint8>("cm");
        QTest::addColumn<char>("pm");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("code");  // empty: positive
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("serial number without its byte") << quint8(0xA2) << '0' << QByteArray() << QByteArray("04") << QByteArray();
        QTest::newRow("serial number, byte 13h") << quint8(0xA2) << '0' << QByteArray(1, 0x13) << QByteArray("04") << QByteArray();
        QTest::newRow("serial number, PM 31h") << quint8(0xA2) << '1' << QByteArray(1, 0x12) << QByteArray("01") << QByteArray();
        QTest::newRow("configuration, PM 31h") << quint8(0xA3) << '1' << QByteArray() << QByteArray("01") << QByteArray();
        QTest::newRow("CM A4h") << quint8(0xA4) << '0' << QByteArray() << QByteArray("00") << QByteArray();
        QTest::newRow("contact type test") << quint8(0x50) << '0' << QByteArray() << QByteArray() << QByteArray("00");
        QTest::newRow("contactless type test") << quint8(0x50) << '1' << QByteArray() << QByteArray() << QByteArray("00");
        QTest::newRow("type test, bad PM") << quint8(0x50) << '2' << QByteArray() << QByteArray("01") << QByteArray();
        QTest::newRow("CPU card") << quint8(0x51) << '0' << QByteArray() << QByteArray("63") << QByteArray();
        QTest::newRow("SAM") << quint8(0x52) << '0' << QByteArray() << QByteArray("63") << QByteArray();
        QTest::newRow("memory card") << quint8(0x53) << '0' << QByteArray() << QByteArray("63") << QByteArray();
        QTest::newRow("AT24") << quint8(0x54) << '0' << QByteArray() << QByteArray("63") << QByteArray();
        QTest::newRow("RF status") << quint8(0x60) << '2' << QByteArray() << QByteArray() << QByteArray("00");
        QTest::newRow("RF activate") << quint8(0x60) << '0' << QByteArray() << QByteArray("63") << QByteArray();
        QTest::newRow("SAM, no ninth socket") << quint8(0x52) << char(0x40) << QByteArray("8") << QByteArray("04") << QByteArray();
        QTest::newRow("after the RF family") << quint8(0x61) << '0' << QByteArray() << QByteArray("00") << QByteArray();
    }
    void repliesWithoutAChip()
    {
        QFETCH(quint8, cm);
        QFETCH(char, pm);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, data);
        ReaderModel model;
        const Reply reply = model.handle(cm, quint8(pm), request);
        checkReply(reply, code);
        QCOMPARE(reply.data, data);
    }

    // ---- The control language ----

    void answers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("answer");
        auto row = [](const char *line, const char *answer) {
            QTest::newRow(line) << QString::fromLatin1(line) << QString::fromLatin1(answer);
        };
        row("insert", "ok card at the front");
        row("insert\r\n", "ok card at the front");
        row("insert now", "error: usage: insert");
        row("take", "error: no card at the front");
        row("jam", "error: no card in the channel");
        row("unjam", "ok");
        row("stacker low", "ok stacker low");
        row("stacker half", "error: stacker level is empty, low or full");
        row("bin full", "ok bin full");
        row("bin", "error: usage: bin full|empty");
        row("entry prohibited", "ok entry prohibited");
        row("entry closed", "error: entry is allowed or prohibited");
        row("sensor 12 1", "ok sensors 000000000001");
        row("sensor 1 1", "ok sensors 100000000000");
        row("sensor 13 1", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensor 0 1", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensor 2 on", "error: usage: sensor N 0|1 with N from 1 to 12");
        row("sensors 010000000010", "ok sensors 010000000010");
        row("sensors 0100", "error: twelve characters 0 or 1 expected");
        row("counter 7", "ok counter 007");
        row("counter 999", "ok counter 999");
        row("counter 1000", "error: counter is 0 to 999 (up to three digits)");
        row("counter 1a", "error: counter is 0 to 999 (up to three digits)");
        row("serial  SN 7 ", "ok serial \" SN 7 \"");
        row("serial", "ok serial \"\"");
        row("config 7105ER2221", "ok config \"7105ER2221\"");
        row("config 7105ER222", "error: the configuration is exactly ten characters");
        row("version V 2.0", "ok version \"V 2.0\"");
        row("address F", "ok address F");
        row("address b", "ok address B");
        row("address 10", "error: the address is one hex digit 0..F");
        row("address G", "error: the address is one hex digit 0..F");
        row("baud 19200", "ok baud 19200");
        row("baud 12345", "error: unsupported baud rate \"12345\"");
        row("pace on", "ok pace on");
        row("pace maybe", "error: pace is on or off");
        row("fault nak", "ok fault nak");
        row("fault header-only once", "ok fault header-only once");
        row("fault nak twice", "error: unknown fault \"nak twice\"");
        row("fault delay 40", "ok fault delay 40");
        row("fault delay", "error: usage: fault delay MS (0 to 999999)");
        row("fault delay -5", "error: usage: fault delay MS (0 to 999999)");
        row("fault negative A1", "ok fault negative A1");
        row("fault negative A", "error: usage: fault negative CODE (two characters, e.g. 10 or A1)");
        row("fault bogus", "error: unknown fault \"bogus\"");
        row("fault oversize once", "ok fault oversize once");
        row("fault none", "ok fault none");
        row("fault", "error: usage: fault MODE [once]|delay MS|negative CODE|none");
        row("chip ic sle4442", "ok chip ic sle4442");
        row("chip ic sle4443", "error: unknown contact chip \"sle4443\" (known: sle4442 sle4428 at24c01 at24c02 "
                               "at24c04 at24c08 at24c16 at24c32 at24c64 at24c128 at24c256 at24c512 cpu-t0 cpu-t1 sam)");
        row("chip sam 3 sam", "ok chip sam 3 sam");
        row("chip rf s50", "ok chip rf s50");
        row("chip rf mystery",
            "error: unknown contactless chip \"mystery\" (known: s50 s70 s50-keys s70-keys ultralight type-a type-b)");
        row("chip ic none", "ok chip ic none");
        row("chip sam 8 none", "ok chip sam 8 none");
        row("chip sam 9 none", "error: SAM sockets are 1 to 8");
        row("chip sam none", "error: usage: chip ic|rf KIND|none, chip sam N KIND|none");
        row("chip usb none", "error: the slot is ic, rf or sam");
        row("", "error: empty command (try help)");
        row("   ", "error: empty command (try help)");
        row("dance", "error: unknown command \"dance\" (try help)");
        // Taking the card needs it free at the front; entry prohibited refuses a card.
        row("insert; insert", "error: there is already a card in the channel");
        row("insert; jam", "ok card jammed");
        row("insert; jam; take", "error: the card is jammed");
        row("insert; jam; unjam; take", "ok card taken");
        row("entry prohibited; insert", "error: card entry is prohibited");
    }

    void answers()
    {
        QFETCH(QString, line);
        QFETCH(QString, answer);
        // "a; b": the answer to b after a, on the same state.
        const QStringList lines = line.split(QStringLiteral("; "));
        for (const QString &earlier : lines.mid(0, lines.size() - 1))
            run(earlier);
        const QString got = run(lines.last());
        QCOMPARE(got, answer);
        QVERIFY(!got.contains(QLatin1Char('\n')));
    }

    // A serial number or version text must fit the host's 1025-byte reply
    // buffer (and never wrap the 16-bit LEN).
    void replyTextsFitTheReplyBuffer()
    {
        for (const char *command : {"serial", "version"}) {
            const QString c = QLatin1String(command);
            QVERIFY(run(c + ' ' + QString(1017, 'X')).startsWith(QLatin1String("ok")));
            for (int length : {1018, 65536})
                QVERIFY2(run(c + ' ' + QString(length, 'X')).startsWith(QLatin1String("error: ")), command);
            QVERIFY(run(c + ' ' + QString(1018, 'X')).contains(QLatin1String("at most 1017")));
        }
    }

    void commandsChangeTheState()
    {
        QCOMPARE(run(QStringLiteral("state")),
                 QStringLiteral("ok address=0 baud=9600 pace=off card=none jammed=no stacker=full bin=not-full "
                                "entry=allowed sensors=000000000000 counter=000 sam=1 fault=\"none\" "
                                "serial=\"MDQ820SIM0001\" config=\"7105ER2221\" version=\"MDQ-820 SIM V1.0\""));
        for (const char *line : {"insert", "jam", "stacker empty", "bin full", "entry prohibited", "sensor 3 1",
                                 "counter 42", "serial X1", "config 7105EU2101", "version V9", "address C",
                                 "baud 115200", "pace on", "fault silent once", "fault delay 15",
                                 "fault negative 10"}) {
            QVERIFY2(run(QString::fromLatin1(line)).startsWith(QLatin1String("ok")), line);
        }
        QCOMPARE(run(QStringLiteral("state")),
                 QStringLiteral("ok address=C baud=115200 pace=on card=front jammed=yes stacker=empty bin=full "
                                "entry=prohibited sensors=001000000000 counter=042 sam=1 "
                                "fault=\"silent once, delay 15, negative 10\" serial=\"X1\" config=\"7105EU2101\" "
                                "version=\"V9\""));
        QCOMPARE(model.address(), quint8(0x0C));
        QCOMPARE(faults.mode(), FaultMode::Silent);
        QVERIFY(faults.isOnce());
        QCOMPARE(link.baud, 115200);
        QVERIFY(link.pace);
    }

    void resetKeepsAddressAndLine()
    {
        run(QStringLiteral("address 7"));
        run(QStringLiteral("baud 38400"));
        run(QStringLiteral("insert"));
        run(QStringLiteral("counter 5"));
        run(QStringLiteral("fault nak"));
        QCOMPARE(run(QStringLiteral("reset")), QStringLiteral("ok power-on state"));
        QCOMPARE(model.address(), quint8(7));
        QCOMPARE(link.baud, 38400);
        QCOMPARE(model.cardPosition(), CardPosition::None);
        QCOMPARE(model.counter(), 0);
        QCOMPARE(faults.mode(), FaultMode::None);
    }

    void helpNamesEveryCommand()
    {
        const QString help = run(QStringLiteral("help"));
        QVERIFY(help.startsWith(QLatin1String("ok commands: insert, take,")));
        const QStringList entries = ControlInterpreter::commandHelp();
        QCOMPARE(entries.size(), 21);
        for (const QString &entry : entries) {
            const QString name = entry.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(help.contains(name + QLatin1Char(',')) || help.contains(name + QLatin1Char(' ')),
                     qPrintable(name));
            QVERIFY2(!run(name).contains(QLatin1String("unknown command")), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(TstLineProtocol)
#include "tst_line_protocol.moc"
