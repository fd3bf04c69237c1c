// The decoded trace: every request of the command table decodes to its own
// name, every negative code to its table text, status words and instructions
// to their ISO 7816-4 meanings, the arguments of the simple layouts, and a
// saved traffic log into its rows with its odd line reported.

#include "link/commands.h"
#include "link/error_codes.h"
#include "link/frame.h"
#include "link/trace_decoder.h"
#include "support/saved_traffic_log.h"

#include <QSet>
#include <QtTest>

using namespace mdq;

namespace {
// A reply frame as the reader builds it: a request with another marker.
QByteArray replyFrame(char marker, quint8 cm, quint8 pm, const QByteArray &body)
{
    QByteArray f = CommandFrame(0, cm, pm, body);
    f[4] = marker;
    f[f.size() - 1] = char(ComputeBcc(f));
    return f;
}

QString text(const QJsonValue &v) { return v.isDouble() ? QString::number(v.toInteger()) : v.toString(); }
}  // namespace

class TestTraceDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyRequestDecodesToItsOwnName()
    {
        QSet<QString> summaries;
        auto check = [&](const QByteArray &frame, const char *name) {
            const TraceRow row = decodeRequest(frame);
            QCOMPARE(row.kind, QStringLiteral("request"));
            QCOMPARE(row.field(QStringLiteral("command")).toString(), QString::fromLatin1(name));
            QVERIFY2(row.summary.startsWith(QString::fromLatin1(name)), qPrintable(row.summary));
            QVERIFY2(!row.summary.contains(QLatin1String("BCC")), qPrintable(row.summary));
            QVERIFY2(!summaries.contains(row.summary), qPrintable(row.summary));
            summaries.insert(row.summary);
        };
        for (const CommandInfo &c : commandTable())
            check(CommandFrame(0x0A, c.cm, c.pm), c.name);
        for (const SubCommandInfo &s : subCommandTable())
            check(CommandFrame(0, s.cm, s.pm, QByteArray::fromHex("00") + char(s.code) + QByteArray(3, '\1')), s.name);
        QCOMPARE(summaries.size(), int(commandTable().size() + subCommandTable().size()));
    }

    void everyNegativeCodeDecodesToItsText()
    {
        const QString digits = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        int known = 0;
        for (const QChar e1 : digits)
            for (const QChar e0 : digits) {
                const QString code = QString(e1) + e0;
                const TraceRow row = decodeReply(replyFrame('N', CmStatus, PmCardStatus, code.toLatin1()));
                const auto message = errorCodeMessage(code);
                QCOMPARE(row.field(QStringLiteral("code")).toString(), code);
                QCOMPARE(row.field(QStringLiteral("result")).toString(), QStringLiteral("negative"));
                if (message) {
                    ++known;
                    QCOMPARE(row.field(QStringLiteral("code_text")).toString(), *message);
                    QCOMPARE(row.summary, QStringLiteral("Negative reply %1: %2 (Card status)").arg(code, *message));
                } else {
                    QVERIFY(row.field(QStringLiteral("code_text")).isNull());
                    QVERIFY2(row.summary.contains(QLatin1String("not in the table")), qPrintable(row.summary));
                }
            }
        QCOMPARE(known, 75);  // 00..69 less the gaps, 80, 81, A0, A1, B0
    }

    void statusWords_data()
    {
        QTest::addColumn<QString>("sw");
        QTest::addColumn<QString>("meaning");
        auto row = [](const char *sw, const char *meaning) { QTest::newRow(sw) << QString::fromLatin1(sw) << QString::fromLatin1(meaning); };
        row("9000", "Normal processing");
        row("611A", "26 response bytes still available (GET RESPONSE)");
        row("6C10", "Wrong Le field, 16 bytes available");
        row("63C2", "Verification failed, 2 retries left");
        row("6300", "Warning, non-volatile memory changed");
        row("6282", "End of file reached before reading Le bytes");
        row("6700", "Wrong length");
        row("6701", "Unknown status word");
        row("6982", "Security status not satisfied");
        row("6A82", "File or application not found");
        row("6A86", "Incorrect parameters P1-P2");
        row("6A87", "Wrong parameters");
        row("6D00", "Instruction code not supported or invalid");
        row("6E00", "Class not supported");
        row("9001", "Unknown status word");
    }
    void statusWords()
    {
        QFETCH(QString, sw);
        QFETCH(QString, meaning);
        const QByteArray b = QByteArray::fromHex(sw.toLatin1());
        QCOMPARE(statusWordMeaning(quint8(b[0]), quint8(b[1])), meaning);
    }

    void instructions_data()
    {
        QTest::addColumn<int>("ins");
        QTest::addColumn<QString>("name");
        const QPair<int, const char *> rows[] = {{0xA4, "SELECT"}, {0xB0, "READ BINARY"}, {0xD6, "UPDATE BINARY"},
                                                 {0x84, "GET CHALLENGE"}, {0xC0, "GET RESPONSE"}, {0x20, "VERIFY"},
                                                 {0x82, "EXTERNAL AUTHENTICATE"}, {0x88, "INTERNAL AUTHENTICATE"},
                                                 {0xB2, "READ RECORD"}, {0x99, ""}};
        for (const auto &r : rows)
            QTest::newRow(qPrintable(QString::number(r.first, 16))) << r.first << QString::fromLatin1(r.second);
    }
    void instructions()
    {
        QFETCH(int, ins);
        QFETCH(QString, name);
        QCOMPARE(instructionName(quint8(ins)), name);
    }

    void requestArguments_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        auto row = [](const char *what, quint8 cm, quint8 pm, const char *data, const char *field, const char *value) {
            QTest::newRow(what) << CommandFrame(0, cm, pm, QByteArray::fromHex(data)) << QString::fromLatin1(field)
                                << QString::fromLatin1(value);
        };
        row("read block: sector", CmRf, PmRfMifare, "00B0050201", "sector", "5");
        row("read block: block", CmRf, PmRfMifare, "00B0050201", "block", "2");
        row("load key: key B", CmRf, PmRfMifare, "00210107", "key_type", "B");
        row("increment: value LSB first", CmRf, PmRfMifare, "00D3010204E8030000", "value", "1000");
        row("choose SAM 3", CmSam, PmSamSelect, "32", "sam", "3");
        row("set counter", CmCounter, PmCounterSet, "303432", "counter", "042");
        row("APDU instruction", CmContactCpu, PmCpuApdu, "00B0000010", "ins_name", "READ BINARY");
        row("APDU P1", CmSam, PmCpuApdu, "0084000008", "p1", "00");
        row("memory card address", CmSle, PmSle4442Apdu, "00B0002010", "address", "32");
        row("cold reset ISO", CmContactCpu, PmCpuColdReset, "33", "mode", "ISO 7816");
    }
    void requestArguments()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QCOMPARE(text(decodeRequest(frame).field(field)), value);
    }

    void badChecksumNamesTheExpectedOne()
    {
        QByteArray f = CommandFrame(0, CmStatus, PmCardStatus);
        const quint8 good = quint8(f[f.size() - 1]);
        f[f.size() - 1] = char(good ^ 0x01);
        const TraceRow row = decodeRequest(f);
        QCOMPARE(row.field(QStringLiteral("bcc_expected")).toString(), byteHex(good));
        QVERIFY(row.summary.endsWith(QStringLiteral("BCC is %1h, expected %2h").arg(byteHex(good ^ 0x01), byteHex(good))));
    }

    void aSavedLogDecodesToItsRows()
    {
        const TraceParse p = parseTrafficLog(QString::fromLatin1(mdqtest::savedTrafficLog()));
        const QStringList expected = {
            "1 host request Card status",
            "2 reader ack ACK: request accepted",
            "3 reader reply Positive reply to Card status, status 010",
            "4 host ack ACK: reply accepted",
            "6 host request Type A CPU card APDU: SELECT, CLA 00 P1 00 P2 00 Lc 02",
            "7 reader ack ACK: request accepted",
            "8 reader reply Positive reply to Type A CPU card APDU, status 000, 2 data bytes, SW 6A 82: File or application not found",
            "9 host ack ACK: reply accepted",
            "11 host request Mifare write block: sector 1, block 1, count 1",
            "13 reader ack ACK: request accepted",
            "14 reader reply Positive reply to Mifare write block, status 000, 2 data bytes, SW 90 00: Normal processing",
            "15 host ack ACK: reply accepted",
            "17 host request Initialize, move card to the front",
            "18 reader ack ACK: request accepted",
            "19 reader reply Negative reply 10: Card jam (Initialize, move card to the front)",
            "20 host ack ACK: reply accepted",
            "22 host request Move card to the front",
            "23 reader nak NAK: the reader refused the request",
            "26 host request Card status",
            "27 reader ack ACK: request accepted",
            "28 reader reply Positive reply to Card status, status 000; BCC is 97h, expected 96h",
            "29 host ack ACK: reply accepted",
            "31 host request Sensor status",
            "32 host eot EOT: no reply, exchange abandoned",
            "33 event event Stopped by the operator",
            "35 event event Port lost: COM1 (/dev/ttyUSB0) is gone",
        };
        static const char *dirs[] = {"host", "reader", "note", "event"};
        QStringList got;
        for (const TraceRow &r : p.rows)
            got << QStringLiteral("%1 %2 %3 %4").arg(r.line).arg(QLatin1String(dirs[int(r.dir)]), r.kind, r.summary);
        QCOMPARE(got, expected);
        QCOMPARE(p.rows[8].bytes.size(), 30);  // both lines of the Mifare write
        QCOMPARE(p.problems.size(), 1);
        QCOMPARE(p.problems[0].line, 36);
        QVERIFY2(p.problems[0].text.contains(QLatin1String("'0O'")), qPrintable(p.problems[0].text));
    }

    // An exported trace read back: a line that is not a row is reported with
    // its number and reading goes on; each format is told by its first line.
    void exportedTraceLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");      // dir kind summary
        QTest::addColumn<QList<int>>("problems");   // line numbers
        QTest::addColumn<bool>("relative");
        const QString request = QStringLiteral("\"bytes\":\"F200000343313003B0\",\"kind\":\"request\",\"summary\":\"old\"}");
        QTest::newRow("jsonl") << QStringLiteral("{\"time\":\"PT0.000S\",\"delta_ms\":0,\"dir\":\"host\",") + request
                                      + QStringLiteral("\nnot json\n{\"time\":\"PT0.020S\",\"dir\":\"note\",\"bytes\":\"\",\"kind\":\"note\",\"summary\":\"hi\"}\n"
                                                       "{\"dir\":\"sideways\"}\n{\"dir\":\"reader\",\"bytes\":\"0G\"}\n")
                               << QStringList{"host request Card status", "note note hi"} << QList<int>{2, 4, 5} << true;
        QTest::newRow("jsonl absolute time") << QStringLiteral("{\"time\":\"2026-12-07T10:04:05.123+01:00\",\"dir\":\"event\",\"bytes\":\"\",\"kind\":\"event\",\"summary\":\"x\"}\n"
                                                              "{\"time\":\"yesterday\",\"dir\":\"event\",\"bytes\":\"\",\"kind\":\"event\",\"summary\":\"y\"}\n")
                                             << QStringList{"event event x", "event event y"} << QList<int>{2} << false;
        QTest::newRow("text") << traceTextHeader() + QStringLiteral("\nPT0.000S  +0  host  request  Card status  | F2 00 00 03 43 31 30 03 B0\n"
                                                                    "garbage\nPT0.001S  +1  note  note  a | b  |\nPT0.002S  +1  reader  ack  ACK  | 0\n")
                              << QStringList{"host request Card status", "note note a | b"} << QList<int>{3, 5} << true;
        QTest::newRow("raw log") << QStringLiteral("SD: 06\r\n") << QStringList{"host ack ACK: reply accepted"} << QList<int>{} << false;
    }
    void exportedTraceLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, problems);
        QFETCH(bool, relative);
        const TraceParse p = parseTraceFile(text);
        static const char *dirs[] = {"host", "reader", "note", "event"};
        QStringList got;
        for (const TraceRow &r : p.rows)
            got << QStringLiteral("%1 %2 %3").arg(QLatin1String(dirs[int(r.dir)]), r.kind, r.summary);
        QCOMPARE(got, rows);
        QList<int> lines;
        for (const TraceProblem &problem : p.problems)
            lines << problem.line;
        QCOMPARE(lines, problems);
        QCOMPARE(p.relativeTimes, relative);
    }

    // Times as exported: ISO 8601 with milliseconds and the offset, or since the first row.
    void exportedTimes()
    {
        TraceRow row;
        row.timeMs = QDateTime(QDate(2026, 12, 7), QTime(10, 4, 5, 123), Qt::OffsetFromUTC, 3600).toMSecsSinceEpoch();
        const QString absolute = traceTime(row, TraceTimes::Absolute, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^2026-12-07T\\d\\d:04:05\\.123([+-]\\d\\d:\\d\\d|Z)$")).match(absolute).hasMatch(),
                 qPrintable(absolute));
        QCOMPARE(QDateTime::fromString(absolute, Qt::ISODateWithMs).toMSecsSinceEpoch(), *row.timeMs);
        QCOMPARE(traceTime(row, TraceTimes::Stable, *row.timeMs - 61250), QStringLiteral("PT61.250S"));
    }
};

QTEST_GUILESS_MAIN(TestTraceDecoder)
#include "tst_trace_decoder.moc"
