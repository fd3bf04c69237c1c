// The decoded trace of a real session: qtest820 on the virtual reader over
// a pseudo-terminal, run as a process. The exported trace holds the same
// frame rows as --decode makes of the raw log saved in the same session;
// --decode of an export gives the export's rows back; the session trace
// file is whole after the program is killed with SIGKILL.

#include "support/program_run.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <csignal>

using namespace mdqtest;

namespace {
// A reader tour with a refusal, a corrupted reply, a negative reply and a remark.
const char *kSession = R"(check CheckRecord
click IROpencom
click Command1
click ReaderResetBtn
click Command1
click CardStatusBtn
sim insert
click MoveCardToICCBtn
note card moved by the script
sim fault nak once
click CardStatusBtn
sim fault bad-bcc once
click CardStatusBtn
sim fault negative 10
click CardStatusBtn
sim fault none
click TypeReadsn
click Command1
)";

QList<QJsonObject> jsonRows(const QString &text)
{
    QList<QJsonObject> rows;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        rows.append(QJsonDocument::fromJson(line.toUtf8()).object());
    return rows;
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The rows of the line only, without what a raw log cannot hold (times, the
// line it stood on).
QList<QJsonObject> lineRows(const QList<QJsonObject> &rows)
{
    QList<QJsonObject> out;
    for (QJsonObject o : rows) {
        const QString dir = o.value(QLatin1String("dir")).toString();
        if (dir != QLatin1String("host") && dir != QLatin1String("reader"))
            continue;
        for (const char *key : {"time", "delta_ms", "line"})
            o.remove(QLatin1String(key));
        out.append(o);
    }
    return out;
}
}  // namespace

class TestTraceProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString script = QString::fromLatin1(kSession) + QStringLiteral("save-as %1\nclick SaveSDTDText\n"
                                                                              "save-as %2\nclick ExportTraceBtn\n"
                                                                              "save-as %3\nclick ExportTraceBtn\n")
                                                                   .arg(path("raw.txt"), path("trace.jsonl"), path("trace.txt"));
        const ProgramRun r = runProgram({QStringLiteral("--simulate"), QStringLiteral("--script"), QStringLiteral("-")},
                                        {script.toUtf8()});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    void liveRowsAreTheSavedLogsRows()
    {
        const QList<QJsonObject> live = jsonRows(readAll(path("trace.jsonl")));
        const ProgramRun decoded = runProgram({QStringLiteral("--decode"), path("raw.txt"), QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(decoded.code, 0);
        QCOMPARE(decoded.err, QString());
        QCOMPARE(lineRows(jsonRows(decoded.out)), lineRows(live));
        QVERIFY(lineRows(live).size() > 25);

        // What only the live trace knows: verdicts of each kind met, the remark, times.
        QStringList verdicts;
        int notes = 0;
        for (const QJsonObject &o : live) {
            QVERIFY2(o.value(QLatin1String("time")).toString().startsWith(QLatin1String("PT")), "scripts export stable times");
            if (o.value(QLatin1String("kind")).toString() == QLatin1String("verdict"))
                verdicts << o.value(QLatin1String("end")).toString();
            if (o.value(QLatin1String("dir")).toString() == QLatin1String("note")) {
                ++notes;
                QCOMPARE(o.value(QLatin1String("summary")).toString(), QStringLiteral("card moved by the script"));
            }
        }
        QCOMPARE(notes, 1);
        QVERIFY2(verdicts.contains(QStringLiteral("refused")) && verdicts.contains(QStringLiteral("bad reply"))
                     && verdicts.count(QStringLiteral("reply")) == 5,
                 qPrintable(verdicts.join(QLatin1Char(','))));
        QCOMPARE(live.first().value(QLatin1String("time")).toString(), QStringLiteral("PT0.000S"));
        for (const char *field : {"time", "delta_ms", "dir", "bytes", "kind", "summary"})
            QVERIFY2(live.last().contains(QLatin1String(field)), field);
    }

    void decodingAnExportGivesItsRowsBack()
    {
        const QList<QJsonObject> exported = jsonRows(readAll(path("trace.jsonl")));
        const ProgramRun fromJson = runProgram({QStringLiteral("--decode"), path("trace.jsonl"), QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(fromJson.code, 0);
        QCOMPARE(jsonRows(fromJson.out), exported);

        // The text export keeps no decoded fields, but every row, time and meaning.
        const ProgramRun fromText = runProgram({QStringLiteral("--decode"), path("trace.txt"), QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(fromText.code, 0);
        const QList<QJsonObject> rows = jsonRows(fromText.out);
        QCOMPARE(rows.size(), exported.size());
        for (int i = 0; i < rows.size(); ++i)
            for (const char *key : {"time", "delta_ms", "dir", "bytes", "kind", "summary"})
                QVERIFY2(rows[i].value(QLatin1String(key)) == exported[i].value(QLatin1String(key)),
                         qPrintable(QStringLiteral("row %1 %2").arg(i).arg(QLatin1String(key))));
    }

    void sessionTraceSurvivesSigkill()
    {
        QTemporaryDir data;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QTEST820_BINARY"),
                {QStringLiteral("--simulate"), QStringLiteral("--script"), QStringLiteral("-")});
        QVERIFY(p.waitForStarted());
        p.write("check CheckSessionTrace\n");
        p.write(kSession);
        p.write("note all done\nsleep 60000\n");
        p.closeWriteChannel();
        const QString folder = data.filePath(QStringLiteral("qtest820/traces"));
        QString file;
        QTRY_VERIFY_WITH_TIMEOUT(!(file = QDir(folder).entryList({QStringLiteral("qtest820-trace-*.jsonl")}).value(0)).isEmpty()
                                     && readAll(QDir(folder).filePath(file)).contains(QLatin1String("all done")),
                                 30000);
        ::kill(pid_t(p.processId()), SIGKILL);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);

        const QString text = readAll(QDir(folder).filePath(file));
        QVERIFY(text.endsWith(QLatin1Char('\n')));
        const QList<QJsonObject> rows = jsonRows(text);
        QCOMPARE(rows.size(), text.count(QLatin1Char('\n')));  // every line a whole row
        QCOMPARE(rows.last().value(QLatin1String("summary")).toString(), QStringLiteral("all done"));
        int requests = 0;
        for (const QJsonObject &o : rows) {
            QVERIFY(QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs).isValid());
            requests += o.value(QLatin1String("kind")).toString() == QLatin1String("request");
        }
        // The link test, initialise, four card status, a move and the serial number.
        QCOMPARE(requests, 8);

        // Its times made stable for diff: counted from the first row.
        const ProgramRun stable = runProgram({QStringLiteral("--decode"), QDir(folder).filePath(file), QStringLiteral("--format"),
                                              QStringLiteral("jsonl"), QStringLiteral("--stable-times")});
        QCOMPARE(stable.code, 0);
        const QList<QJsonObject> stableRows = jsonRows(stable.out);
        QCOMPARE(stableRows.size(), rows.size());
        QCOMPARE(stableRows.first().value(QLatin1String("time")).toString(), QStringLiteral("PT0.000S"));
        QVERIFY(stableRows.last().value(QLatin1String("time")).toString() != QLatin1String("PT0.000S"));
    }
};

QTEST_GUILESS_MAIN(TestTraceProgram)
#include "tst_trace_program.moc"
