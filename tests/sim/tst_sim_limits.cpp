// mdq820-sim refuses texts whose reply could not fit the host's 1025-byte
// reply buffer (or would wrap the 16-bit LEN), and still serves an oversized
// reply on purpose when told to (the oversize fault), well formed.

#include "sim/host_port.h"

#include <QProcess>
#include <QtTest>

class TstSimLimits : public QObject
{
    Q_OBJECT

    static QString ask(QProcess &p, const QByteArray &command)
    {
        p.write(command + '\n');
        while (!p.canReadLine())
            if (!p.waitForReadyRead(5000))
                return QStringLiteral("<nothing>");
        return QString::fromLocal8Bit(p.readLine()).trimmed();
    }

private Q_SLOTS:
    void replyTextsMustFitTheReplyBuffer_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        for (const char *c : {"serial", "version"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 1017").arg(QLatin1String(c)))) << QByteArray(c) << 1017 << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 1018").arg(QLatin1String(c)))) << QByteArray(c) << 1018 << false;
            QTest::newRow(qPrintable(QStringLiteral("%1 65536").arg(QLatin1String(c)))) << QByteArray(c) << 65536 << false;
        }
    }

    void replyTextsMustFitTheReplyBuffer()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        QProcess sim;
        sim.start(qEnvironmentVariable("MDQ820_SIM_BINARY"), {});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        sim.readLine();  // the device
        const QString answer = ask(sim, command + ' ' + QByteArray(length, 'X'));
        QCOMPARE(answer.startsWith(QLatin1String("ok")), accepted);
        if (!accepted)
            QVERIFY2(answer.startsWith(QLatin1String("error: ")) && answer.contains(QLatin1String("at most 1017")),
                     qPrintable(answer.left(200)));
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(5000));
    }

    void oversizeFaultSendsAWellFormedLongReply()
    {
        QProcess sim;
        sim.start(qEnvironmentVariable("MDQ820_SIM_BINARY"), {});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QCOMPARE(ask(sim, "fault oversize once").left(2), QStringLiteral("ok"));
        simtest::HostPort host(device);
        QVERIFY(host.isOpen());
        // Card status: F2 00 00 03 43 31 30 03 B0.
        QVERIFY(host.send(QByteArray::fromHex("F200000343313003B0")));
        const QByteArray got = host.readAnswer(5000);
        QCOMPARE(got.size(), 1 + 4 + 1106 + 2);
        QCOMPARE(quint8(got.at(0)), quint8(0x06));
        QCOMPARE(got.mid(1, 4), QByteArray::fromHex("F2000452"));  // LEN 6 + 1100 = 1106 = 0452h
        quint8 bcc = 0;
        for (int i = 1; i < got.size() - 1; ++i)
            bcc ^= quint8(got.at(i));
        QCOMPARE(quint8(got.back()), bcc);
        QCOMPARE(quint8(got.at(got.size() - 2)), quint8(0x03));
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(TstSimLimits)
#include "tst_sim_limits.moc"
