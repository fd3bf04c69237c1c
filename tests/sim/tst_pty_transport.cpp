// The virtual reader on a real pseudo terminal, seen from the host's side:
// pacing, the delay fault, control while serving, bad options. (Noise and
// broken frames: tst_line_protocol and the sim_protocol fuzz corpus.)

#include "virtual_reader.h"
#include "sim/host_port.h"
#include "sim/sim_bytes.h"

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
    void pacingAndDelay()
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

        // Pace off: any speed is answered; the delay fault holds the reply.
        QCOMPARE(reader.control(QStringLiteral("pace off")), QStringLiteral("ok pace off"));
        QCOMPARE(reader.control(QStringLiteral("fault delay 40")), QStringLiteral("ok fault delay 40"));
        QVERIFY(host.setSpeed(38400));
        timer.restart();
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
