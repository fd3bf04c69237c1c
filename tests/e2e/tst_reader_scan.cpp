// The scan against the virtual reader over real ptys: a paced reader answers
// only at its own speed, so SCAN finds it on COM3 only once the host's line
// speed, set through the pty, reaches 38400; a plain file and a silent pty on
// the ports before it are passed over. OK then connects there.

#include "support/e2e_session.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <pty_server.h>

using namespace mdqtest;

namespace {
// A pty with nothing answering on it: what the host writes is read and dropped.
struct SilentPty
{
    SilentPty() { started = server.start([](const QByteArray &) { return QList<sim::Transmission>{}; }, nullptr); }
    sim::PtyServer server;
    bool started = false;
};

void expectTranscript(const QStringList &actual, const QStringList &expected)
{
    const QString diff = compareTranscript(actual, expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff + QStringLiteral("\nwhole transcript:\n") + actual.join('\n')));
}

sim::VirtualReaderOptions pacedAt(int baud)
{
    sim::VirtualReaderOptions o;
    o.baud = baud;
    o.pace = true;
    return o;
}
}  // namespace

class TestReaderScanE2e : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scanFindsThePacedReaderOnCom3AtTheThirdBaudRate()
    {
        // A slow clock (x4): the reader's ACK must arrive within 250 ms of
        // scaled time, which is still 62 ms of real time on a busy machine.
        E2eSession session(4, pacedAt(38400), 3);
        QVERIFY(session.started());
        QTemporaryDir dir;
        const QString plainFile = dir.filePath(QStringLiteral("not-a-port"));
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SilentPty pty;
        QVERIFY(pty.started);
        session.portMap().map(1, plainFile);                  // exists, but is no serial port
        session.portMap().map(2, pty.server.devicePath());    // opens, nothing answers
        for (int p = 4; p <= 16; ++p)
            session.portMap().map(p, dir.filePath(QStringLiteral("no-such-port-%1").arg(p)));

        const QStringList transcript = session.run(QStringLiteral(
            "click IROpencom\n"
            "click AutoLabel\n"
            "click Command3\n"
            "print Label1\n"
            "print PortCombo\n"
            "print BaudCombo\n"
            "click Command1\n"
            "click CardStatusBtn\n"));
        const QStringList expected{
            "window comportset",
            "value Label1 \"Found MDQ-820 AT COM3 Baut Rate 38400\"",
            "value PortCombo \"COM3\"",
            "value BaudCombo \"38400 bits/s\"",
            "closed comportset",
            "message information \"Card Status\" \"Card Status Success\\r\\nNo card in card channel\\r\\n"
            "Enough cards in stacker\\r\\nThe error card bin is not full\"",
        };
        expectTranscript(transcript, expected);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(session.main().state().PortOpened);
        QCOMPARE(session.main().port().portNumber(), 3);
    }
};

QTEST_MAIN(TestReaderScanE2e)
#include "tst_reader_scan.moc"
