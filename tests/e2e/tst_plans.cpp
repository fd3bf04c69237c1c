// Test plans: every check kind passing and failing over a real pty to the
// virtual reader; the reports (JUnit XML parsed and counted, TAP lines
// counted, the JSON record's fields); the ready incoming-inspection plan in
// process and over a pty to mdq820-sim; and station mode with several
// virtual readers, some of them faulty.

#include "automation/run_record.h"
#include "support/e2e_session.h"
#include "support/program_run.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest/QTest>
#include <memory>

using namespace mdqtest;

namespace {
const QString kConnect = QStringLiteral("click IROpencom\nclick Command1\n");

QString plan() { return QDir(QStringLiteral(QTEST820_EXAMPLES_DIR)).filePath(QStringLiteral("incoming_inspection.txt")); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A JUnit file's counts: the attributes of its first testsuite(s) element, and
// what its testcase elements hold.
struct JUnit
{
    QMap<QString, QString> top;
    int suites = 0, cases = 0, failures = 0, errors = 0, skipped = 0, outputs = 0;
    bool ok = false;
};

JUnit parseJUnit(const QByteArray &xml)
{
    JUnit j;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = r.name().toString();
        if (j.top.isEmpty())
            for (const auto &a : r.attributes())
                j.top.insert(a.name().toString(), a.value().toString());
        j.suites += name == QLatin1String("testsuite");
        j.cases += name == QLatin1String("testcase");
        j.failures += name == QLatin1String("failure");
        j.errors += name == QLatin1String("error");
        j.skipped += name == QLatin1String("skipped");
        j.outputs += name == QLatin1String("system-out");
    }
    j.ok = !r.hasError();
    return j;
}

// mdq820-sim as a process; it ends with its standard input.
struct SimDeleter
{
    void operator()(QProcess *p) const
    {
        p->closeWriteChannel();
        if (!p->waitForFinished(3000))
            p->kill();
        p->waitForFinished(1000);
        delete p;
    }
};
using SimProcess = std::unique_ptr<QProcess, SimDeleter>;

// mdq820-sim with a link at `link`, staged by control lines.
SimProcess startSim(const QString &link, const QStringList &control)
{
    SimProcess p(new QProcess);
    p->start(qEnvironmentVariable("MDQ820_SIM_BINARY"), {QStringLiteral("--link"), link});
    if (!p->waitForStarted() || !p->waitForReadyRead(5000))
        return nullptr;
    p->readLine();  // the device
    for (const QString &line : control) {
        p->write(line.toUtf8() + '\n');
        while (!p->canReadLine())
            if (!p->waitForReadyRead(5000))
                return nullptr;
        if (!p->readLine().startsWith("ok"))
            return nullptr;
    }
    return p;
}
}  // namespace

class TstPlans : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each check kind, passing and failing, after connecting. A failing check
    // prints "fail LINE: ..." and the run ends with exit code 3; a passing
    // one prints nothing of its own.
    void checks_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("fail");  // the fail line (the line number counts the two connect steps); "" none
        const QString status = QStringLiteral("click CardStatusBtn\n");
        QTest::newRow("expect text") << "expect cmbAddress820 0\n" << 0 << "";
        QTest::newRow("expect text fails") << "expect cmbAddress820 1\n" << 3 << "fail 3: expected cmbAddress820 \"1\", got \"0\"";
        QTest::newRow("expect escapes") << "click TypeReadsn\nexpect Text1 MDQ820SIM\\x30001\n" << 0 << "";
        QTest::newRow("expect regex") << "expect StatusBar ~^COM1 .*: connected\n" << 0 << "";
        QTest::newRow("expect regex fails") << "expect StatusBar ~not connected\n" << 3
                                            << "~^fail 3: expected StatusBar ~not connected, got \"COM1 .*: connected";
        QTest::newRow("expect-message") << status + "expect-message information \"Card Status\" \"~No card in card channel\"\n"
                                        << 0 << "";
        QTest::newRow("expect-message wrong text")
            << status + "expect-message information \"Card Status\" \"Card Status Success\"\n" << 3
            << "fail 4: expected message information \"Card Status\" \"Card Status Success\", got message information "
               "\"Card Status\" \"Card Status Success\\r\\nNo card in card channel\\r\\nEnough cards in stacker\\r\\nThe "
               "error card bin is not full\"";
        QTest::newRow("expect-message wrong icon")
            << status + "expect-message exclamation \"Card Status\" \"~.\"\n" << 3 << "~^fail 4: expected message exclamation";
        QTest::newRow("expect-message, none shown")
            << "print StatusBar\nexpect-message information \"Card Status\" \"~.\"\n" << 3
            << "fail 4: expected message information \"Card Status\" ~., got no message";
        QTest::newRow("expect-message takes them in order")
            << "sim insert\nclick ReaderResetBtn\nclick Command1\nexpect-message information \"Reset\" \"~^Reset success\"\n"
               "expect-message information \"Reset\" \"~.\"\n"
            << 3 << "fail 7: expected message information \"Reset\" ~., got no message";
        QTest::newRow("expect-no-message") << "click SensorStatusBtn\nclick Command1\nexpect-no-message\n" << 0 << "";
        QTest::newRow("expect-no-message fails") << status + "expect-no-message\n" << 3
                                                 << "~^fail 4: expected no message, got message information \"Card Status\"";
        QTest::newRow("expect-frame") << status + "expect-frame F2 00 00 03 43 31 30 03 B0\nexpect-frame F2xx0003 ..\n" << 0 << "";
        QTest::newRow("expect-frame fails") << status + "expect-frame F2 00 00 03 43 31 31 ..\n" << 3
                                            << "fail 4: expected frame F2 00 00 03 43 31 31 .., got F2 00 00 03 43 31 30 03 B0";
        QTest::newRow("expect-frame, longer than the pattern") << status + "expect-frame F2 00 00 03 43 31 30 03\n" << 3
                                                              << "~^fail 4: expected frame F2 00 00 03 43 31 30 03, got";
        QTest::newRow("expect-reply") << status + "expect-reply F2 00 00 06 50 31 30 30 xx 30 03 xx\n" << 0 << "";
        QTest::newRow("expect-reply fails") << status + "expect-reply F2 00 00 06 4E ..\n" << 3
                                            << "fail 4: expected reply F2 00 00 06 4E .., got F2 00 00 06 50 31 30 30 32 30 03 94";
        QTest::newRow("expect-reply, no reply") << "sim fault silent once\n" + status + "expect-reply F2 ..\n" << 3
                                                << "fail 5: expected reply F2 .., got no reply";
        QTest::newRow("set-var and ${VAR}") << "click TypeReadsn\nset-var SN Text1\nclick Command1\nsim serial other\n"
                                               "click TypeReadsn\nexpect Text1 ~^other$\nset Text1 ${SN}\nexpect Text1 MDQ820SIM0001\n"
                                            << 0 << "";
        QTest::newRow("skip-unless, not met: no failure") << status + "skip-unless expect-message information \"X\" \"~.\"\n"
                                                                      "expect cmbAddress820 9\n"
                                                          << 0 << "";
        QTest::newRow("a bad check stops before anything runs") << "expect-frame F2 0\n" << 2 << "";
        QTest::newRow("an unknown variable is an error") << "expect Text1 ${NOPE}\n" << 1 << "";
    }
    void checks()
    {
        QFETCH(QString, steps);
        QFETCH(int, code);
        QFETCH(QString, fail);
        E2eSession session;
        QVERIFY(session.started());
        int exitCode = -1;
        const QStringList lines = session.run(kConnect + steps, &exitCode);
        const QStringList fails = lines.filter(QRegularExpression(QStringLiteral("^fail ")));
        QVERIFY2(exitCode == code, qPrintable(lines.join('\n')));
        if (fail.isEmpty()) {
            QVERIFY2(fails.isEmpty(), qPrintable(lines.join('\n')));
        } else {
            QCOMPARE(fails.size(), 1);
            if (fail.startsWith(QLatin1Char('~')))
                QVERIFY2(QRegularExpression(fail.mid(1)).match(fails[0]).hasMatch(), qPrintable(fails[0]));
            else
                QCOMPARE(fails[0], fail);
        }
        if (code == 2)
            QCOMPARE(lines, QStringList{"error 3: 'F2 0' is not whole hex bytes"});
        if (code == 1)
            QVERIFY(lines.last().startsWith(QLatin1String("error 3: no variable NOPE")));
    }

    // A failed check ends its case; the next case runs, its windows in
    // reach (a window the failed case left open is closed); --stop-on-fail
    // ends the run there. Every report: JUnit XML parsed and counted, TAP
    // lines counted, the JSON record's fields.
    void reports_data()
    {
        QTest::addColumn<bool>("stopOnFail");
        QTest::newRow("going on") << false;
        QTest::newRow("--stop-on-fail") << true;
    }
    void reports()
    {
        QFETCH(bool, stopOnFail);
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("plan.txt"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("click IROpencom\nclick Command1\n"
                "case sensors\nclick SensorStatusBtn\nexpect Label10 On\nclick Command1\n"
                "case status\nclick CardStatusBtn\nexpect-message information \"Card Status\" \"~^Card Status Success\"\n"
                "case no card\nclick ICTestTypeCmd\nskip-unless expect-message information \"Test IC Type\" \"~SLE4442\"\n"
                "case serial\nclick TypeReadsn\nset-var UNIT Text1\nclick Command1\n");
        f.close();
        QStringList args{"--simulate", "--script", script, "--out", dir.filePath("out")};
        for (const char *ext : {"xml", "tap", "json"})
            args << "--report" << dir.filePath(QStringLiteral("r.") + ext);
        if (stopOnFail)
            args << "--stop-on-fail";
        const ProgramRun run = runProgram(args);
        QCOMPARE(run.code, 3);
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.filter(QRegularExpression("^fail ")), QStringList{"fail 5: expected Label10 \"On\", got \"Off\""});
        // Going on, the window the failed case opened is closed before the next case.
        QCOMPARE(lines.contains("closed SensorStateForm"), !stopOnFail);
        QCOMPARE(lines.contains("case status"), !stopOnFail);
        // setup, sensors (failed), status, no card (skipped), serial; or the last three not run.
        const int passed = stopOnFail ? 1 : 3;
        const int skipped = stopOnFail ? 3 : 1;

        const JUnit j = parseJUnit(readAll(dir.filePath("r.xml")));
        QVERIFY(j.ok);
        QCOMPARE(j.suites, 1);
        QCOMPARE(j.cases, 5);
        QCOMPARE(j.top.value("tests"), QString("5"));
        QCOMPARE(j.top.value("failures"), QString("1"));
        QCOMPARE(j.top.value("errors"), QString("0"));
        QCOMPARE(j.top.value("skipped"), QString::number(skipped));
        QCOMPARE(j.failures, 1);
        QCOMPARE(j.skipped, skipped);
        QCOMPARE(j.outputs, 5);
        for (const char *attribute : {"time", "timestamp", "hostname"})
            QVERIFY2(!j.top.value(attribute).isEmpty(), attribute);
        QCOMPARE(j.top.value("name"), stopOnFail ? QString("COM1") : QString("MDQ820SIM0001"));

        const QStringList tap = QString::fromUtf8(readAll(dir.filePath("r.tap"))).split('\n');
        QCOMPARE(tap.mid(0, 2), (QStringList{"TAP version 13", "1..5"}));
        QCOMPARE(tap.filter(QRegularExpression("^ok \\d+ - ")).size(), passed + skipped);
        QCOMPARE(tap.filter(QRegularExpression("^ok \\d+ - .* # SKIP ")).size(), skipped);
        QCOMPARE(tap.filter(QRegularExpression("^not ok \\d+ - sensors$")).size(), 1);

        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath("r.json"))).object();
        QCOMPARE(o.value("outcome").toString(), QString("FAIL"));
        QCOMPARE(o.value("port").toString(), QString("COM1"));
        QVERIFY(!o.value("station").toString().isEmpty());
        QVERIFY(QDateTime::fromString(o.value("start").toString(), Qt::ISODateWithMs) <=
                QDateTime::fromString(o.value("end").toString(), Qt::ISODateWithMs));
        const QJsonArray cases = o.value("cases").toArray();
        QCOMPARE(cases.size(), 5);
        const QJsonObject sensors = cases[1].toObject();
        QCOMPARE(sensors.value("name").toString(), QString("sensors"));
        QCOMPARE(sensors.value("outcome").toString(), QString("FAIL"));
        QCOMPARE(sensors.value("steps").toArray().size(), 1);  // Command1 never ran
        QCOMPARE(sensors.value("checks").toArray()[0].toObject().value("passed").toBool(true), false);
        QVERIFY(sensors.value("ms").toDouble() > 0);
        QCOMPARE(cases[3].toObject().value("outcome").toString(), QString("SKIPPED"));
        // The unit's own reports in --out, named after its serial number once read.
        const QStringList own = QDir(dir.filePath("out")).entryList(QDir::Files);
        QCOMPARE(own.size(), 2);
        QVERIFY2(own[0].startsWith(stopOnFail ? "COM1-" : "MDQ820SIM0001-"), qPrintable(own[0]));
    }

    // The ready plan passes against the virtual reader: in process (no test
    // cards: the card cases are skipped) and over a pty to mdq820-sim with an
    // SLE4442 and an S50 card, started connected as a station worker is.
    void readyPlan()
    {
        QTemporaryDir dir;
        const ProgramRun inProcess = runProgram({"--simulate", "--script", plan(), "--report", dir.filePath("a.tap")});
        QVERIFY2(inProcess.code == 0, qPrintable(inProcess.out));
        // Nothing on stderr about the windowless platform's limits.
        QVERIFY2(!inProcess.err.contains("propagateSizeHints"), qPrintable(inProcess.err.left(300)));
        const QString tap = QString::fromUtf8(readAll(dir.filePath("a.tap")));
        QCOMPARE(tap.count(QRegularExpression("\\nok \\d+ - [^#\\n]*\\n")), 10);
        QCOMPARE(tap.count("# SKIP"), 2);

        const auto sim = startSim(dir.filePath("reader"), {"chip ic sle4442", "chip rf s50", "serial SN 77"});
        QVERIFY(sim);
        const ProgramRun overPty = runProgram({"--map", "COM3=" + dir.filePath("reader"), "--script", plan(), "--port", "COM3",
                                               "--report", dir.filePath("b.json")});
        QVERIFY2(overPty.code == 0, qPrintable(overPty.out));
        QVERIFY(overPty.out.startsWith("connected COM3 at 9600 baud\n"));
        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath("b.json"))).object();
        QCOMPARE(o.value("unit").toString(), QString("SN 77"));
        QCOMPARE(o.value("outcome").toString(), QString("PASS"));
        const QJsonArray cases = o.value("cases").toArray();
        QCOMPARE(cases.size(), 13);  // connect and the plan's twelve
        for (const QJsonValue &c : cases)
            QVERIFY2(c.toObject().value("outcome").toString() == "PASS", qPrintable(c.toObject().value("name").toString()));
    }

    // A unit's reports get a name no other writer is given, even before
    // anything is written under it; an unsafe unit id becomes a safe name.
    void reportNamesAreClaimed()
    {
        QTemporaryDir dir;
        const QDateTime start(QDate(2026, 3, 4), QTime(5, 6, 7));
        const QString first = mdq::unitReportBase(dir.path(), "../A B", start);
        const QString second = mdq::unitReportBase(dir.path(), "../A B", start);
        QCOMPARE(first, dir.filePath("_A_B-20260304-050607"));
        QCOMPARE(second, first + "-2");
        QVERIFY(QFile::exists(first + ".json") && QFile::exists(second + ".json"));
        // A name with only an XML report is taken too.
        QVERIFY(QFile(dir.filePath("C-20260304-050607.xml")).open(QIODevice::WriteOnly));
        QCOMPARE(mdq::unitReportBase(dir.path(), "C", start), dir.filePath("C-20260304-050607-2"));
    }

    // Several readers at once: a good one, one with an empty stacker (the
    // movement case fails), one that never answers (its link test fails)
    // and a port with nothing behind it. Each unit gets its own outcome and
    // reports; the run's exit code is 1 (an error), or 3 with failures only.
    void station_data()
    {
        QTest::addColumn<QStringList>("faults");  // per reader: "" good, "stacker empty", "fault silent", "none" (no reader)
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("oneSerial");  // every reader answers the same serial number
        QTest::newRow("good, failing, silent, missing")
            << QStringList{"", "stacker empty", "fault silent", "none"} << QStringList{"PASS", "FAIL", "ERROR", "ERROR"} << 1 << false;
        QTest::newRow("good and failing") << QStringList{"", "stacker empty"} << QStringList{"PASS", "FAIL"} << 3 << false;
        QTest::newRow("all good") << QStringList{"", ""} << QStringList{"PASS", "PASS"} << 0 << false;
        // Reports named alike in the same second: each unit still keeps its own.
        QTest::newRow("four readers, one serial number")
            << QStringList{"", "", "", ""} << QStringList{"PASS", "PASS", "PASS", "PASS"} << 0 << true;
    }
    void station()
    {
        QFETCH(QStringList, faults);
        QFETCH(QStringList, outcomes);
        QFETCH(int, code);
        QFETCH(bool, oneSerial);
        QTemporaryDir dir;
        std::vector<SimProcess> sims;
        QStringList args{"--station", plan(), "--out", dir.filePath("out")};
        for (int i = 0; i < faults.size(); ++i) {
            const QString link = dir.filePath(QStringLiteral("r%1").arg(i + 1));
            if (faults[i] != "none") {
                QStringList control{oneSerial ? QStringLiteral("serial TWIN") : QStringLiteral("serial UNIT-%1").arg(i + 1)};
                if (!faults[i].isEmpty())
                    control << faults[i];
                sims.push_back(startSim(link, control));
                QVERIFY(sims.back());
            }
            args << "--port" << QStringLiteral("COM%1").arg(i + 1) << "--map" << QStringLiteral("COM%1=%2").arg(i + 1).arg(link);
        }
        const ProgramRun run = runProgram(args);
        QVERIFY2(run.code == code, qPrintable(run.out + run.err));
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.filter(QRegularExpression("^start COM\\d+$")).size(), faults.size());
        const JUnit summary = parseJUnit(readAll(run.out.section("summary: ", 1).trimmed()));
        QVERIFY(summary.ok);
        QCOMPARE(summary.suites, faults.size());
        int errors = 0, failures = 0;
        for (int i = 0; i < faults.size(); ++i) {
            const QString com = QStringLiteral("COM%1").arg(i + 1);
            const QString unit = faults[i] == "none" || faults[i] == "fault silent" ? com
                                 : oneSerial                                        ? QStringLiteral("TWIN")
                                                                                    : QStringLiteral("UNIT-%1").arg(i + 1);
            const QStringList end = lines.filter(QRegularExpression(QStringLiteral("^end +%1 +%2 +%3 ").arg(com, unit, outcomes[i])));
            QVERIFY2(end.size() == 1, qPrintable(run.out));
            QVERIFY2(lines.filter(QRegularExpression(QStringLiteral("^%1 +%2 +%3 ").arg(unit, com, outcomes[i]))).size() == 1,
                     qPrintable(run.out));
            // The unit's own report: the one of its name that says its port.
            QStringList own;
            QJsonObject o;
            for (const QString &name : QDir(dir.filePath("out")).entryList({unit + "-*.json"}, QDir::Files)) {
                const QJsonObject r = QJsonDocument::fromJson(readAll(dir.filePath("out/" + name))).object();
                if (r.value("port").toString() == com) {
                    own << name;
                    o = r;
                }
            }
            QVERIFY2(own.size() == 1, qPrintable(own.join(' ')));
            QCOMPARE(o.value("outcome").toString(), outcomes[i]);
            QVERIFY(QFile::exists(dir.filePath("out/" + QString(own[0]).replace(".json", ".xml"))));
            if (outcomes[i] == "FAIL")
                QVERIFY2(end[0].endsWith("failed: movement"), qPrintable(end[0]));
            if (outcomes[i] == "ERROR")
                QCOMPARE(o.value("cases").toArray()[0].toObject().value("name").toString(), QString("connect"));
            errors += outcomes[i] == "ERROR";
            failures += outcomes[i] == "FAIL";
        }
        QCOMPARE(QDir(dir.filePath("out")).entryList({"*.json"}, QDir::Files).size(), faults.size());
        QCOMPARE(summary.top.value("failures").toInt(), failures);
        QCOMPARE(summary.top.value("errors").toInt(), errors);
        QCOMPARE(summary.errors, errors);
    }
};

QTEST_MAIN(TstPlans)
#include "tst_plans.moc"
