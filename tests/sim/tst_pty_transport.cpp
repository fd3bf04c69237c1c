// The virtual reader on a real pseudo terminal, seen from the host's side:
// noise, pacing, the delay fault, control while serving, bad options.

#include "virtual_reader.h"
#include "sim/host_port.h"
#include "sim/sim_bytes.h"

#include <QRandomGenerator>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace sim;
using simtest::HostPort;
using simtest::hex;

namespace {
const QByteArray kStatus = hex("F2 00 00 03 43 31 30 03 B0");
const QByteArray kStatusAnswer = hex("06 F2 00 00 06 50 31 30 30 32 30 03 94");
constexpr int kAnswerWaitMs = 1000;  // generous: only reached when something is broken
constexpr int kSilenceMs = 60;       // how long "no answer" is watched for
}  // namespace

class TstPtyTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void survivesAMegabyteOfNoise()
    {
        VirtualReader reader;
        QVERIFY(reader.start());
        HostPort host(reader.devicePath());
        QVERIFY(host.isOpen());

        QRandomGenerator random(820);
        QByteArray noise(1 << 20, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        noise += hex("F2 00 04 00 43");  // and end inside what looks like a long request
        QVERIFY(host.send(noise));
        host.readAnswer(kSilenceMs);  // whatever the noise provoked, if anything
        host.discardInput();

        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
    }

    void pacingAnswersOnlyAtTheSetSpeed()
    {
        VirtualReaderOptions options;
        options.baud = 9600;
        options.pace = true;
        VirtualReader reader(options);
        QVERIFY(reader.start());
        HostPort host(reader.devicePath(), 38400);

        QVERIFY(host.send(kStatus));
        QVERIFY(host.readAnswer(kSilenceMs).isEmpty());

        QVERIFY(host.setSpeed(9600));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
        // 13 bytes at 9600 baud take 13.5 ms on the wire.
        QVERIFY2(timer.elapsed() >= 12, qPrintable(QString::number(timer.elapsed())));

        QCOMPARE(reader.control(QStringLiteral("pace off")), QStringLiteral("ok pace off"));
        QVERIFY(host.setSpeed(38400));
        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
    }

    void pacedReplyKeepsToWireTime_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("delayMs");  // the delay fault: holds the reply frame, not the ACK
        QTest::newRow("1200 baud") << 1200 << 0;
        QTest::newRow("2400 baud") << 2400 << 0;
        QTest::newRow("2400 baud, reply delayed 30 ms") << 2400 << 30;
    }
    void pacedReplyKeepsToWireTime()
    {
        QFETCH(int, baud);
        QFETCH(int, delayMs);
        VirtualReaderOptions options;
        options.baud = baud;
        options.pace = true;
        VirtualReader reader(options);
        QVERIFY(reader.start());
        if (delayMs > 0)
            QVERIFY(reader.control(QStringLiteral("fault delay %1").arg(delayMs)).startsWith(QLatin1String("ok")));
        HostPort host(reader.devicePath(), baud);
        QVERIFY(host.isOpen());

        // Started before the request is written, so no arrival is measured early.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(host.send(kStatus));
        const QList<qint64> arrivals = host.readArrivals(int(kStatusAnswer.size()), kAnswerWaitMs, clock);
        QCOMPARE(arrivals.size(), kStatusAnswer.size());

        // The request's bytes come in first; answer byte k is complete k + 1
        // byte times after that (10 bits a byte).
        const double byteNs = 1e10 / baud;
        const qint64 delayNs = qint64(delayMs) * 1'000'000;
        for (int k = 0; k < arrivals.size(); ++k) {
            const qint64 earliest = qint64((kStatus.size() + k + 1) * byteNs) + (k > 0 ? delayNs : 0);
            QVERIFY2(arrivals[k] >= earliest, qPrintable(QStringLiteral("byte %1 at %2 us, wire time %3 us")
                                                             .arg(k).arg(arrivals[k] / 1000).arg(earliest / 1000)));
        }
        const qint64 wireNs = qint64((kStatus.size() + kStatusAnswer.size()) * byteNs) + delayNs;
        QVERIFY2(arrivals.last() <= wireNs * 3 / 2 + 50'000'000,
                 qPrintable(QStringLiteral("last byte at %1 us, wire time %2 us").arg(arrivals.last() / 1000).arg(wireNs / 1000)));
    }

    void delayFaultHoldsTheReply()
    {
        VirtualReader reader;
        QVERIFY(reader.start());
        HostPort host(reader.devicePath());
        QCOMPARE(reader.control(QStringLiteral("fault delay 40")), QStringLiteral("ok fault delay 40"));

        QElapsedTimer timer;
        timer.start();
        QVERIFY(host.send(kStatus));
        QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), kStatusAnswer.toHex(' '));
        QVERIFY2(timer.elapsed() >= 40, qPrintable(QString::number(timer.elapsed())));
    }

    void controlWhileServing()
    {
        VirtualReader reader;
        QVERIFY(reader.start());
        HostPort host(reader.devicePath());
        QCOMPARE(reader.control(QStringLiteral("counter 5")), QStringLiteral("ok counter 005"));
        std::atomic<bool> done{false};
        std::atomic<int> bad{0};
        std::thread operatorThread([&] {
            while (!done) {
                if (!reader.control(QStringLiteral("counter 5")).startsWith(QLatin1String("ok")))
                    ++bad;
                if (!reader.control(QStringLiteral("state")).startsWith(QLatin1String("ok")))
                    ++bad;
            }
        });
        const QByteArray readCounter = hex("F2 00 00 03 43 A5 30 03 24");
        const QByteArray counterAnswer = hex("06 F2 00 00 09 50 A5 30 30 32 30 30 30 35 03 3A");
        for (int i = 0; i < 20; ++i) {
            QVERIFY(host.send(readCounter));
            QCOMPARE(host.readAnswer(kAnswerWaitMs).toHex(' '), counterAnswer.toHex(' '));
        }
        done = true;
        operatorThread.join();
        QCOMPARE(bad.load(), 0);
    }

    void refusesInvalidOptions()
    {
        VirtualReaderOptions options;
        options.baud = 12345;
        VirtualReader reader(options);
        QString error;
        QVERIFY(!reader.start(&error));
        QCOMPARE(error, QStringLiteral("unsupported baud rate 12345"));
        QVERIFY(reader.devicePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstPtyTransport)
#include "tst_pty_transport.moc"
