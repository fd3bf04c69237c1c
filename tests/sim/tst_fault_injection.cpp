// Faults the virtual reader makes on request: what reaches the line, whether the
// command is carried out, and how long each fault lasts.

#include "fault_plan.h"
#include "line_protocol.h"
#include "reader_model.h"
#include "sim/sim_bytes.h"

#include <QtTest>

using namespace sim;
using simtest::hex;
using simtest::joined;

namespace {
// "Move the card to the front": with an empty channel it dispenses a card, so
// whether it was carried out shows in the card position.
const QByteArray kMoveToFront = hex("F2 00 00 03 43 32 39 03 BA");
const QByteArray kStatus = hex("F2 00 00 03 43 31 30 03 B0");
const QByteArray kStatusReplyNoCard = hex("F2 00 00 06 50 31 30 30 32 30 03 94");
}  // namespace

class TstFaultInjection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineModes_data()
    {
        QTest::addColumn<FaultMode>("mode");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("carriedOut");
        QTest::newRow("none") << FaultMode::None << hex("06 F2 00 00 06 50 32 39 31 32 30 03 9F") << true;
        QTest::newRow("nak") << FaultMode::Nak << hex("15") << false;
        QTest::newRow("silent") << FaultMode::Silent << QByteArray() << false;
        QTest::newRow("ack-only") << FaultMode::AckOnly << hex("06") << true;
        QTest::newRow("header-only") << FaultMode::HeaderOnly << hex("06 F2 00 00 06") << true;
        QTest::newRow("bad-bcc") << FaultMode::BadBcc << hex("06 F2 00 00 06 50 32 39 31 32 30 03 60") << true;
    }

    void lineModes()
    {
        QFETCH(FaultMode, mode);
        QFETCH(QByteArray, expected);
        QFETCH(bool, carriedOut);
        ReaderModel model;
        FaultPlan faults;
        faults.setMode(mode);
        LineProtocol protocol(model, faults);

        QCOMPARE(joined(protocol.feed(kMoveToFront)).toHex(' '), expected.toHex(' '));
        QCOMPARE(model.cardPosition() == CardPosition::Front, carriedOut);
    }

    void lineModesAreStickyUnlessOnce_data()
    {
        QTest::addColumn<bool>("once");
        QTest::newRow("sticky") << false;
        QTest::newRow("once") << true;
    }

    void lineModesAreStickyUnlessOnce()
    {
        QFETCH(bool, once);
        ReaderModel model;
        FaultPlan faults;
        faults.setMode(FaultMode::Nak, once);
        LineProtocol protocol(model, faults);

        QCOMPARE(joined(protocol.feed(kStatus)), hex("15"));
        const QByteArray second = joined(protocol.feed(kStatus));
        QCOMPARE(second, once ? hex("06") + kStatusReplyNoCard : hex("15"));
        QCOMPARE(faults.mode(), once ? FaultMode::None : FaultMode::Nak);
    }

    void otherAddressesDoNotUseUpFaults()
    {
        ReaderModel model;
        FaultPlan faults;
        faults.setMode(FaultMode::Nak, true);
        LineProtocol protocol(model, faults);
        QVERIFY(protocol.feed(hex("F2 01 00 03 43 31 30 03 B1")).isEmpty());
        QCOMPARE(joined(protocol.feed(kStatus)), hex("15"));
    }

    void delayPausesBeforeTheReplyFrame()
    {
        ReaderModel model;
        FaultPlan faults;
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

    void negativeAnswersTheNextRequestOnce()
    {
        ReaderModel model;
        FaultPlan faults;
        faults.setNegative("10");
        LineProtocol protocol(model, faults);

        QCOMPARE(joined(protocol.feed(kMoveToFront)).toHex(' '),
                 hex("06 F2 00 00 05 4E 32 39 31 30 03 B0").toHex(' '));
        QCOMPARE(model.cardPosition(), CardPosition::None);  // refused, not moved
        QCOMPARE(joined(protocol.feed(kStatus)), hex("06") + kStatusReplyNoCard);
    }

    void negativeWaitsWhileRequestsAreRefused()
    {
        ReaderModel model;
        FaultPlan faults;
        faults.setNegative("A1");
        faults.setMode(FaultMode::Silent, true);
        LineProtocol protocol(model, faults);

        QVERIFY(protocol.feed(kStatus).isEmpty());
        QCOMPARE(joined(protocol.feed(kStatus)).mid(5, 5), hex("4E 31 30 41 31"));
    }

    void describesAndClears()
    {
        FaultPlan faults;
        QCOMPARE(faults.describe(), QStringLiteral("none"));
        faults.setMode(FaultMode::AckOnly, true);
        faults.setDelayMs(40);
        faults.setNegative("63");
        QCOMPARE(faults.describe(), QStringLiteral("ack-only once, delay 40, negative 63"));
        faults.clear();
        QCOMPARE(faults.describe(), QStringLiteral("none"));
        QCOMPARE(faults.delayMs(), 0);
        QVERIFY(faults.pendingNegative().isEmpty());
    }

    void modeNamesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"none", "nak", "silent", "ack-only", "header-only", "bad-bcc"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void modeNamesRoundTrip()
    {
        QFETCH(QString, name);
        const auto mode = FaultPlan::modeFromName(name);
        QVERIFY(mode.has_value());
        QCOMPARE(FaultPlan::modeName(*mode), name);
    }

    void unknownModeNameIsRejected()
    {
        QVERIFY(!FaultPlan::modeFromName(QStringLiteral("NAK")).has_value());
        QVERIFY(!FaultPlan::modeFromName(QStringLiteral("delay")).has_value());
    }
};

QTEST_GUILESS_MAIN(TstFaultInjection)
#include "tst_fault_injection.moc"
