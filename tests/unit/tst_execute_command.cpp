// The exchange engine against a scripted reader on the fake clock: results,
// log lines to the character, messages and the 3/6/6/3-second limits.

#include "link/execute_command.h"
#include "link/frame.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "link/trace.h"
#include "link/traffic_log.h"
#include "support/fake_clock.h"
#include "support/fake_serial_port.h"
#include "support/recording_prompter.h"

#include <QtTest/QTest>

using namespace mdq;
using namespace mdqtest;

namespace {
const QByteArray kStatusFrame = QByteArray::fromHex("F200000343313003B0");
const QString kStatusSd = QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\n");
const QByteArray kAck("\x06", 1);

// F2 00 00 06 50 31 30 30 30 30 03 + BCC, worked out by hand: 0x96.
const QByteArray kPositive = QByteArray::fromHex("F20000065031303030300396");
}  // namespace

class TestExecuteCommand : public QObject
{
    Q_OBJECT

    struct Rig
    {
        FakeClock clock;
        FakeSerialPort port{clock};
        RecordingPrompter prompter;
        TrafficLog log;
        SharedState state;
        Trace trace{clock};
        LinkContext link{port, clock, log, state, nullptr, &trace};
        Rig()
        {
            port.open(1, 9600);
            state.PortOpened = true;
        }
        ExchangeOutcome outcome;
        // The engine shows nothing; its caller shows the message it names.
        int run(const QByteArray &frame, Reply &reply)
        {
            outcome = ExecuteCommand(link, frame, reply);
            if (const auto m = outcome.operatorMessage())
                prompter.message(m->icon, m->title, m->text);
            return outcome.result;
        }
    };

    // The live trace holds what a saved copy of the log decodes to (the rows
    // of the line and the log's events), plus the verdict as its last row.
    static QString traceDiffersFromLog(const Rig &r)
    {
        QList<TraceRow> live;
        for (const TraceRow &row : r.trace.rows())
            if (row.kind != QLatin1String("verdict"))
                live.append(row);
        const TraceParse saved = parseTrafficLog(r.log.text());
        if (!saved.problems.isEmpty())
            return QStringLiteral("log line %1: %2").arg(saved.problems.first().line).arg(saved.problems.first().text);
        if (saved.rows.size() != live.size())
            return QStringLiteral("%1 live rows, %2 decoded from the log").arg(live.size()).arg(saved.rows.size());
        for (int i = 0; i < live.size(); ++i) {
            const TraceRow &a = live[i], &b = saved.rows[i];
            if (a.dir != b.dir || a.bytes != b.bytes || a.kind != b.kind || a.summary != b.summary
                || a.fields.size() != b.fields.size())
                return QStringLiteral("row %1: '%2' live, '%3' from the log").arg(i).arg(a.summary, b.summary);
        }
        return QString();
    }
    // The verdict row in short: end ack eot checksum class.
    static QString verdictOf(const Trace &trace)
    {
        const TraceRow v = trace.row(trace.size() - 1);
        if (v.kind != QLatin1String("verdict"))
            return QStringLiteral("no verdict: ") + v.summary;
        auto yes = [&](const char *f) { return v.field(QLatin1String(f)).toBool() ? "yes" : "no"; };
        auto text = [&](const char *f) {
            const QJsonValue x = v.field(QLatin1String(f));
            return x.isUndefined() ? QStringLiteral("-") : x.toString();
        };
        QString bcc = text("checksum");
        if (bcc == QLatin1String("wrong"))
            bcc += QLatin1Char(' ') + text("bcc_expected");
        return QStringLiteral("%1 ack=%2 eot=%3 bcc=%4 class=%5")
            .arg(text("end"), yes("acknowledged"), yes("eot_sent"), bcc, text("failure_class"));
    }

private Q_SLOTS:
    // What the reader sends after the request (chunks at times after it), and
    // what the engine makes of it: result, log lines after the request's,
    // the operator's message, when EOT went out and when the call ended.
    void answers_data()
    {
        QTest::addColumn<QList<Chunk>>("answer");  // a negative time: that long after EOT
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("message");  // empty: none
        QTest::addColumn<int>("eotAt");        // -1: no EOT
        QTest::addColumn<int>("took");
        QTest::addColumn<QString>("summary");  // empty: not checked
        QTest::addColumn<QString>("verdict");  // the trace's verdict row, as verdictOf gives it
        const QByteArray nak("\x15", 1);
        const QString okLog = QStringLiteral("RD: F2 00 00 06 50 31 30 30 30 30 03 96 \r\nSD: 06\r\n");
        QTest::newRow("ACK refused") << QList<Chunk>{{10, nak}} << -1 << "RD: 15\r\n\r\n" << kUnitNotDetected << -1 << 10
                                     << "The reader refused the command: received 15h instead of ACK (06h)"
                                     << "refused ack=no eot=no bcc=- class=no answer";
        // Nothing for 3 s, then the whole reply within the next 6 s: a success,
        // and no "RD: " line for the missing acknowledgement.
        QTest::newRow("late reply without ACK") << QList<Chunk>{{4000, kPositive}} << 0 << okLog << QString() << -1
                                                << 4000 << QString() << "reply ack=no eot=no bcc=good class=-";
        // EOT after 3 + 6 s, the call over after 3 more.
        QTest::newRow("silent") << QList<Chunk>{} << -2 << "SD: 04\r\n" << QString() << 9000 << 12000
                                << "No reply from the reader: EOT sent after 9.0 s" << "no reply ack=no eot=yes bcc=- class=-";
        // What comes within 3 s after EOT is read: one byte as a refusal, more as a late reply.
        QTest::newRow("one byte after EOT") << QList<Chunk>{{-500, nak}} << -1 << "SD: 04\r\nRD: 15 \r\n" << kUnitNotDetected
                                            << 9000 << 9500 << QString()
                                            << "byte after EOT ack=no eot=yes bcc=- class=no answer";
        QTest::newRow("bytes after EOT") << QList<Chunk>{{-500, QByteArray::fromHex("F2000A")}} << -2
                                         << "SD: 04\r\nRD: F2 00 " << QString() << 9000 << 9500 << QString()
                                         << "no reply ack=no eot=yes bcc=- class=-";
        QTest::newRow("ACK only") << QList<Chunk>{{0, kAck}} << -2 << "RD: 06\r\nSD: 04\r\n" << QString() << 6000 << 9000
                                  << "No reply from the reader: EOT sent after 6.0 s" << "no reply ack=yes eot=yes bcc=- class=-";
        // No ACK for a reply never finished.
        QTest::newRow("header without body")
            << QList<Chunk>{{0, kAck}, {0, kPositive.left(4)}, {1000, kPositive.mid(4, 3)}} << -1
            << "RD: 06\r\nRD: F2 00 00 06 \r\n" << kDataError << -1 << 6000 << QString()
            << "reply cut off ack=yes eot=no bcc=- class=bad data";
        // Each limit counts from the start of its own wait.
        QTest::newRow("ACK and reply just in time") << QList<Chunk>{{2999, kAck}, {5999, kPositive}} << 0
                                                    << "RD: 06\r\n" + okLog << QString() << -1 << 8998 << QString()
                                                    << "reply ack=yes eot=no bcc=good class=-";
        QTest::newRow("reply just late") << QList<Chunk>{{2999, kAck}, {6001, kPositive}} << -2
                                         << "RD: 06\r\nSD: 04\r\nRD: F2 00 " << QString() << 8999 << 9000 << QString()
                                         << "no reply ack=yes eot=yes bcc=- class=-";
        // A late ACK is read as the first header byte: the misframed reply
        // fails its checks instead of reaching the handler.
        QTest::newRow("ACK late, misframed reply rejected") << QList<Chunk>{{3001, kAck}, {0, kPositive}} << -1
                                                            << "RD: 06 F2 00 00 06 50 31 30 30 30 30 03 96 \r\nSD: 06\r\n\r\n"
                                                            << kDataError << -1 << 3001 << QString()
                                                            << "bad reply ack=yes eot=no bcc=good class=bad data";
        QByteArray badBcc = kPositive;
        badBcc[badBcc.size() - 1] = char(0x97);
        QTest::newRow("wrong BCC") << QList<Chunk>{{0, kAck}, {0, badBcc}} << -1
                                   << "RD: 06\r\nRD: F2 00 00 06 50 31 30 30 30 30 03 97 \r\nSD: 06\r\n\r\n" << kDataError
                                   << -1 << 0 << QString() << "bad reply ack=yes eot=no bcc=wrong 96 class=bad data";
    }
    void answers()
    {
        QFETCH(QList<Chunk>, answer);
        QFETCH(int, result);
        QFETCH(QString, log);
        QFETCH(QString, message);
        QFETCH(int, eotAt);
        QFETCH(int, took);
        QFETCH(QString, summary);
        QFETCH(QString, verdict);
        Rig r;
        QList<Chunk> afterEot;
        for (const Chunk &c : answer)
            if (c.afterMs < 0)
                afterEot.append({-c.afterMs, c.bytes});
        answer.erase(std::remove_if(answer.begin(), answer.end(), [](const Chunk &c) { return c.afterMs < 0; }), answer.end());
        r.port.answerNext(answer);
        r.port.answerAfterEot(afterEot);
        Reply reply;
        reply.assign("stale");
        const qint64 start = r.clock.nowMs();
        QCOMPARE(r.run(kStatusFrame, reply), result);
        if (result != -1)  // a success holds the reply, an EOT leaves nothing
            QCOMPARE(reply.length(), result == 0 ? 8 : 0);
        QCOMPARE(r.log.text(), kStatusSd + log);
        const QList<Shown> shown{{Icon::Exclamation, "Caution", message}};
        QCOMPARE(r.prompter.shown(), message.isEmpty() ? QList<Shown>() : shown);
        QCOMPARE(r.port.writes().last() == QByteArray("\x04", 1), eotAt >= 0);
        if (eotAt >= 0)
            QCOMPARE(r.port.writeTimes().last() - start, eotAt);
        QCOMPARE(r.clock.nowMs() - start, took);
        if (!summary.isEmpty())
            QCOMPARE(r.outcome.summary(), summary);
        QCOMPARE(verdictOf(r.trace), verdict);
        const TraceRow v = r.trace.row(r.trace.size() - 1);
        QCOMPARE(v.field(QStringLiteral("reply_ms")).toInteger(), r.outcome.elapsedMs);
        QCOMPARE(v.field(QStringLiteral("result")).toInt(), result);
        QCOMPARE(traceDiffersFromLog(r), QString());
    }

    void operatorStopEndsTheWaitWithEot_data()
    {
        QTest::addColumn<QList<Chunk>>("answer");
        QTest::addColumn<QString>("log");
        QTest::newRow("waiting for ACK") << QList<Chunk>{} << QStringLiteral("SD: 04\r\n-- Stopped by the operator\r\n");
        QTest::newRow("waiting for the body")
            << QList<Chunk>{{0, QByteArray("\x06\xF2\x00\x00\x06", 5)}}
            << QStringLiteral("RD: 06\r\nRD: F2 00 00 06 \r\nSD: 04\r\n-- Stopped by the operator\r\n");
    }

    void operatorStopEndsTheWaitWithEot()
    {
        // The stop comes 1.5 s into the wait, through the activity the
        // status bar's Stop button and Escape use.
        QFETCH(QList<Chunk>, answer);
        QFETCH(QString, log);
        Rig r;
        LineActivity activity(r.clock);
        r.link.activity = &activity;
        if (!answer.isEmpty())
            r.port.answerNext(answer);
        const qint64 start = r.clock.nowMs();
        Reply reply;
        bool stopped = false;
        // The fake port's waits advance the clock; ask for the stop from the
        // first wait that sees 1.5 s pass.
        r.port.setOnWait([&] {
            if (!stopped && r.clock.nowMs() - start >= 1500) {
                stopped = true;
                activity.requestStop();
            }
        });
        QCOMPARE(r.run(kStatusFrame, reply), -2);
        QCOMPARE(r.outcome.end, ExchangeEnd::Stopped);
        QVERIFY(r.outcome.operatorMessage() == std::nullopt);
        QCOMPARE(r.log.text(), kStatusSd + log);
        QCOMPARE(r.port.writes().last(), QByteArray("\x04", 1));
        QVERIFY(r.clock.nowMs() - start < 2000);  // not the 12 s of silence
        QVERIFY(!activity.isBusy());
        QVERIFY(activity.summary().startsWith(QLatin1String("Stopped by the operator after 1.")));
        QVERIFY(verdictOf(r.trace).startsWith(QLatin1String("stopped ")));
        QVERIFY(r.trace.row(r.trace.size() - 1).field(QStringLiteral("stopped")).toBool());
        QCOMPARE(traceDiffersFromLog(r), QString());
    }

    // Long frames wrap in the log: a request after 24 bytes, then every 25
    // (the last entry may be 0: a line of seven blanks); a reply after 26
    // bytes with its header, then every 25.
    void logLineWrapping_data()
    {
        QTest::addColumn<bool>("request");       // else the reply is the long frame
        QTest::addColumn<int>("bytes");          // the request's, or the reply body's
        QTest::addColumn<QList<int>>("perLine");
        QTest::newRow("request 23") << true << 23 << QList<int>{23};
        QTest::newRow("request 24") << true << 24 << QList<int>{24, 0};
        QTest::newRow("request 25") << true << 25 << QList<int>{24, 1};
        QTest::newRow("request 49") << true << 49 << QList<int>{24, 25, 0};
        QTest::newRow("request 60") << true << 60 << QList<int>{24, 25, 11};
        QTest::newRow("reply body 22 fits") << false << 22 << QList<int>{26};
        QTest::newRow("reply body 23 wraps after 22") << false << 23 << QList<int>{26, 1};
        QTest::newRow("reply body 47 fills the second") << false << 47 << QList<int>{26, 25};
        QTest::newRow("reply body 48 wraps again") << false << 48 << QList<int>{26, 25, 1};
    }
    void logLineWrapping()
    {
        QFETCH(bool, request);
        QFETCH(int, bytes);
        QFETCH(QList<int>, perLine);
        Rig r;
        const QByteArray frame = request ? CommandFrame(0, 'Q', '3', QByteArray(bytes - 9, '\x0A')) : kStatusFrame;
        // Reply body = 'P' CM PM st0 st1 st2 data ETX BCC: bytes - 8 data bytes.
        r.port.answerWith(request ? positive('Q', '3') : positive('1', '0', QByteArray(bytes - 8, '\x0A')));
        Reply got;
        QCOMPARE(r.run(frame, got), 0);
        QCOMPARE(request ? frame.size() : got.length(), bytes);
        const QStringList lines = r.log.text().split(QStringLiteral("\r\n"));
        const int first = request ? 0 : 2;  // after "SD: ..." and "RD: 06"
        for (int i = 0; i < perLine.size(); ++i) {
            const QString prefix = i > 0 ? QStringLiteral("       ") : request ? QStringLiteral("SD: ") : QStringLiteral("RD: ");
            QVERIFY2(lines[first + i].startsWith(prefix), qPrintable(lines[first + i]));
            QCOMPARE(lines[first + i].mid(prefix.size()).size(), perLine[i] * 3);
        }
        QCOMPARE(lines[first + perLine.size()], request ? QStringLiteral("RD: 06") : QStringLiteral("SD: 06"));
        QVERIFY(r.log.text().contains(QLatin1String("0A 0A ")));  // never "A "
        QCOMPARE(traceDiffersFromLog(r), QString());  // one row however the log wraps it
    }

    void portNotOpened()
    {
        Rig r;
        r.state.PortOpened = false;
        Reply reply;
        reply.assign("abc");
        QCOMPARE(r.run(kStatusFrame, reply), 0);
        QCOMPARE(reply.length(), 3);  // untouched
        QVERIFY(r.port.writes().isEmpty());
        QVERIFY(r.log.text().isEmpty());
        QCOMPARE(r.prompter.shown(), (QList<Shown>{{Icon::Exclamation, "Caution", "Comm. Port Setup First"}}));
    }

    void oversizedReplyNeverOverflows()
    {
        Rig r;
        const QByteArray big = positive('Q', '3', QByteArray(1100, 'x'));
        r.port.answerWith(big);
        Reply reply;
        QCOMPARE(r.run(kStatusFrame, reply), -1);
        QVERIFY(reply.length() <= Reply::Capacity);
        QCOMPARE(r.prompter.shown().size(), 1);
        QCOMPARE(r.prompter.shown().first().text, kDataError);
        QVERIFY(r.log.text().endsWith(QLatin1String("SD: 06\r\n\r\n")));  // logged in full first
    }

    void leftoverBytesAreDiscarded()
    {
        Rig r;
        r.port.deliver(0, QByteArray::fromHex("0606F2"));
        r.port.answerWith(kPositive);
        Reply reply;
        QCOMPARE(r.run(kStatusFrame, reply), 0);
        QCOMPARE(reply.length(), 8);
    }

};

QTEST_GUILESS_MAIN(TestExecuteCommand)
#include "tst_execute_command.moc"
