// The reader's side of the serial protocol: frames in, ACK and reply frames out.

#include "fault_plan.h"
#include "line_protocol.h"
#include "reader_model.h"
#include "sim/sim_bytes.h"

#include "link/frame.h"

#include <QtTest>

using namespace sim;
using simtest::hex;
using simtest::joined;

class TstLineProtocol : public QObject
{
    Q_OBJECT

private:
    ReaderModel model;
    FaultPlan faults;

private Q_SLOTS:
    void init()
    {
        model = ReaderModel();
        faults.clear();
    }

    void answersRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");
        // expected = ACK, then the reply frame with its BCC.
        QTest::newRow("card status")
            << hex("F2 00 00 03 43 31 30 03 B0")
            << hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");
        QTest::newRow("sensor status")
            << hex("F2 00 00 03 43 31 31 03 B1")
            << hex("06 F2 00 00 12 50 31 31 30 32 30 30 30 30 30 30 30 30 30 30 30 30 30 03 81");
        QTest::newRow("initialise, card to front")
            << hex("F2 00 00 03 43 30 30 03 B1")
            << hex("06 F2 00 00 16 50 30 30 30 32 30 4D 44 51 2D 38 32 30 20 53 49 4D 20 56 31 2E 30 03 E4");
        QTest::newRow("unit configuration")
            << hex("F2 00 00 03 43 A3 30 03 22")
            << hex("06 F2 00 00 10 50 A3 30 30 32 30 37 31 30 35 45 52 32 32 32 31 03 07");
        QTest::newRow("read counter")
            << hex("F2 00 00 03 43 A5 30 03 24")
            << hex("06 F2 00 00 09 50 A5 30 30 32 30 30 30 30 03 3F");
        QTest::newRow("set counter")
            << hex("F2 00 00 06 43 A5 31 31 32 33 03 10")
            << hex("06 F2 00 00 06 50 A5 31 30 32 30 03 01");
        QTest::newRow("serial number")
            << hex("F2 00 00 04 43 A2 30 12 03 36")
            << hex("06 F2 00 00 13 50 A2 30 30 32 30 4D 44 51 38 32 30 53 49 4D 30 30 30 31 03 26");
        QTest::newRow("dispense to front")
            << hex("F2 00 00 03 43 32 39 03 BA")
            << hex("06 F2 00 00 06 50 32 39 31 32 30 03 9F");
        QTest::newRow("entry prohibited")
            << hex("F2 00 00 03 43 33 31 03 B3")
            << hex("06 F2 00 00 06 50 33 31 30 32 30 03 97");
        QTest::newRow("contact type test, no chip")
            << hex("F2 00 00 03 43 50 30 03 D1")
            << hex("06 F2 00 00 08 50 50 30 30 32 30 30 30 03 FB");
        QTest::newRow("contact CPU, no chip")
            << hex("F2 00 00 04 43 51 30 30 03 E7")
            << hex("06 F2 00 00 05 4E 51 30 36 33 03 DE");
        QTest::newRow("unknown command")
            << hex("F2 00 00 03 43 5A 30 03 DB")
            << hex("06 F2 00 00 05 4E 5A 30 30 30 03 D0");
        QTest::newRow("wrong parameter")
            << hex("F2 00 00 03 43 31 37 03 B7")
            << hex("06 F2 00 00 05 4E 31 37 30 31 03 BD");
    }

    void answersRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        LineProtocol protocol(model, faults);
        QCOMPARE(joined(protocol.feed(request)).toHex(' '), expected.toHex(' '));
        QCOMPARE(protocol.phase(), LineProtocol::Phase::AwaitingHostAck);
    }

    void answersAtItsOwnAddressOnly()
    {
        model.setAddress(5);
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(hex("F2 00 00 03 43 31 30 03 B0")).isEmpty());
        QCOMPARE(joined(protocol.feed(hex("F2 05 00 03 43 31 30 03 B5"))).toHex(' '),
                 hex("06 F2 05 00 06 50 31 30 30 32 30 03 91").toHex(' '));
    }

    void refusesBrokenFramesSilently_data()
    {
        QTest::addColumn<QByteArray>("request");
        // Each is "move the card to the front", damaged in one place.
        QTest::newRow("bad BCC") << hex("F2 00 00 03 43 32 39 03 BB");
        QTest::newRow("bad ETX") << hex("F2 00 00 03 43 32 39 02 BB");
        QTest::newRow("other address") << hex("F2 01 00 03 43 32 39 03 BB");
        QTest::newRow("address out of range") << hex("F2 10 00 03 43 32 39 03 AA");
        QTest::newRow("reply marker") << hex("F2 00 00 03 50 32 39 03 A9");
        QTest::newRow("length too short") << hex("F2 00 00 02 43 32 39 03 BB");
    }

    void refusesBrokenFramesSilently()
    {
        QFETCH(QByteArray, request);
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(request).isEmpty());
        QCOMPARE(model.cardPosition(), CardPosition::None);  // not carried out
        QCOMPARE(protocol.phase(), LineProtocol::Phase::Idle);
    }

    void capsTheRequestLength()
    {
        LineProtocol protocol(model, faults);
        const QByteArray longest = mdq::CommandFrame(0, 0x5A, '0', QByteArray(LineProtocol::MaxRequestLength - 3, 'x'));
        QCOMPARE(joined(protocol.feed(longest)).left(2), hex("06 F2"));

        const QByteArray tooLong = mdq::CommandFrame(0, 0x5A, '0', QByteArray(LineProtocol::MaxRequestLength - 2, 'x'));
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
        const QByteArray request = hex("F2 00 00 03 43 31 30 03 B0");
        const QByteArray answer = hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");

        LineProtocol together(model, faults);
        QCOMPARE(joined(together.feed(garbage + request)).toHex(' '), answer.toHex(' '));

        LineProtocol byteByByte(model, faults);
        QByteArray out;
        for (char b : garbage + request)
            out += joined(byteByByte.feed(QByteArray(1, b)));
        QCOMPARE(out.toHex(' '), answer.toHex(' '));
    }

    void answersBackToBackRequests()
    {
        LineProtocol protocol(model, faults);
        const QByteArray twice = hex("F2 00 00 03 43 32 39 03 BA F2 00 00 03 43 31 30 03 B0");
        const QList<Transmission> out = protocol.feed(twice);
        QCOMPARE(out.size(), 4);
        QCOMPARE(out[3].bytes, hex("F2 00 00 06 50 31 30 31 32 30 03 95"));  // card now at front
    }

    void waitsForTheHostAcknowledgement()
    {
        LineProtocol protocol(model, faults);
        protocol.feed(hex("F2 00 00 03 43 31 30 03 B0"));
        QCOMPARE(protocol.phase(), LineProtocol::Phase::AwaitingHostAck);
        QVERIFY(protocol.feed(hex("06")).isEmpty());
        QCOMPARE(protocol.phase(), LineProtocol::Phase::Idle);

        protocol.feed(hex("F2 00 00 03 43 31 30 03 B0"));
        QVERIFY(protocol.feed(hex("04")).isEmpty());  // host saw no reply
        QCOMPARE(protocol.phase(), LineProtocol::Phase::Idle);
    }

    void endOfTransmissionStartsClean()
    {
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(hex("F2 00 00 03 43 31")).isEmpty());
        QVERIFY(protocol.feed(hex("04")).isEmpty());
        QCOMPARE(joined(protocol.feed(hex("F2 00 00 03 43 31 30 03 B0"))).left(2), hex("06 F2"));
        QCOMPARE(protocol.bufferedBytes(), 0);
    }
};

QTEST_GUILESS_MAIN(TstLineProtocol)
#include "tst_line_protocol.moc"
