// qtest820 --decode run as a process on a saved traffic log: the rows on
// standard output as text or JSON Lines, the odd line on standard error with
// its number, exit 0; a file it cannot read or bad usage: exit 2.

#include "support/program_run.h"
#include "support/saved_traffic_log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;

class TestDecodeProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_log;

private Q_SLOTS:
    void initTestCase()
    {
        m_log = m_dir.filePath(QStringLiteral("saved.TXT"));
        QFile f(m_log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(savedTrafficLog());
    }

    void text()
    {
        const ProgramRun r = runProgram({QStringLiteral("--decode"), m_log});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QStringLiteral("qtest820: %1:36: '0O' is not a byte in two hex digits\n").arg(m_log));
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.takeFirst().startsWith(QLatin1String("# QTEST820 trace:")), "a header names the columns");
        QCOMPARE(lines.size(), 26);
        QVERIFY2(lines[14].contains(QLatin1String("Negative reply 10: Card jam"))
                     && lines[14].endsWith(QLatin1String("F2 00 00 05 4E 30 30 31 30 03 BB")),
                 qPrintable(lines[14]));
        // Aligned: every ACK's byte stands in the same column.
        int ackColumn = -1;
        for (const QString &line : lines) {
            if (!line.contains(QLatin1String(" ack ")))
                continue;
            QVERIFY2(ackColumn < 0 || line.size() == ackColumn, qPrintable(line));
            ackColumn = int(line.size());
        }
        QVERIFY(ackColumn > 0);
    }

    void jsonLines()
    {
        const ProgramRun r = runProgram({QStringLiteral("--decode"), m_log, QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(QStringLiteral("%1:36:").arg(m_log)), qPrintable(r.err));
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 26);
        QStringList dirs;
        for (const QString &line : lines) {
            QVERIFY2(line.startsWith(QLatin1String("{\"time\":null,\"delta_ms\":null,\"dir\":")), qPrintable(line));
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
            for (const char *key : {"bytes", "kind", "summary"})
                QVERIFY2(o.value(QLatin1String(key)).isString(), qPrintable(line));
            dirs << o.value(QLatin1String("dir")).toString();
        }
        QCOMPARE(dirs.count(QStringLiteral("host")), 13);
        QCOMPARE(dirs.count(QStringLiteral("reader")), 11);
        QCOMPARE(dirs.count(QStringLiteral("event")), 2);
        const QJsonObject negative = QJsonDocument::fromJson(lines[14].toUtf8()).object();
        QCOMPARE(negative.value(QLatin1String("bytes")).toString(), QStringLiteral("F20000054E3030313003BB"));
        QCOMPARE(negative.value(QLatin1String("code_text")).toString(), QStringLiteral("Card jam"));
        const QJsonObject select = QJsonDocument::fromJson(lines[4].toUtf8()).object();
        QCOMPARE(select.value(QLatin1String("ins_name")).toString(), QStringLiteral("SELECT"));
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("err");
        QTest::newRow("no such file") << QStringList{"--decode", "/nonexistent/log.TXT"} << "cannot read /nonexistent/log.TXT: no such file";
        QTest::newRow("a folder") << QStringList{"--decode", "/tmp"} << "cannot read /tmp: not a regular file";
        QTest::newRow("unknown format") << QStringList{"--decode", "x", "--format", "csv"} << "--format is text or jsonl, not 'csv'";
        QTest::newRow("format alone") << QStringList{"--format", "text"} << "--format goes with --decode";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        const ProgramRun r = runProgram(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("qtest820: ") + err), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDecodeProgram)
#include "tst_decode_program.moc"
