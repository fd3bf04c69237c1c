// The reader's own commands and its state: card movement, initialise options,
// counter, what it answers with no chip. (Chip commands reaching their
// slots: every contact and contactless scenario under e2e/scenarios.)

#include "reader_model.h"

#include <QtTest>

using namespace sim;

namespace {

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

class TstReaderModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
};

QTEST_GUILESS_MAIN(TstReaderModel)
#include "tst_reader_model.moc"
