// The qtest820 program itself: command line, exit codes, scripted runs
// against its own in-process virtual reader, and the example scripts.

#include "support/program_run.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest/QTest>

class TestProgram : public QObject
{
    Q_OBJECT

    struct Run
    {
        int code = -1;
        QStringList lines;
        QString err;
    };

    static Run run(const QStringList &args, const QString &script = QString())
    {
        QTemporaryFile file;
        QStringList all = args;
        if (!script.isNull()) {
            file.open();
            file.write(script.toUtf8());
            file.close();
            all << QStringLiteral("--script") << file.fileName();
        }
        const mdqtest::ProgramRun p = mdqtest::runProgram(all);
        Run r;
        r.code = p.status == QProcess::NormalExit ? p.code : -1;
        r.lines = p.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        r.err = p.err;
        return r;
    }

private Q_SLOTS:
    // Runs of the program: arguments, an optional script (written to a file
    // and passed with --script), the exit code and the standard output's
    // lines ("..." last: more may follow); "stderr: TEXT" stands for an empty
    // output and TEXT on standard error.
    void runs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("script");  // null: none
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lines");
        const QString none;
        const QStringList usageError{"stderr: qtest820:"};
        QTest::newRow("help") << QStringList{"--help"} << none << 0 << QStringList{
            "Usage: qtest820 [--map COMn=DEVICE]... [--simulate[=COMn]] [--script FILE [--show [--step-delay MS]]]", "..."};
        QTest::newRow("version") << QStringList{"--version"} << none << 0 << QStringList{"qtest820 1.0.0"};
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << none << 2 << usageError;
        QTest::newRow("bad map") << QStringList{"--map", "COM17=/dev/null"} << none << 2 << usageError;
        QTest::newRow("script without file") << QStringList{"--script"} << none << 2 << usageError;
        // The last line is not a step: the run stops there with exit code 1.
        QTest::newRow("scripted session on the virtual reader")
            << QStringList{"--simulate=COM4"}
            << "# comment and blank lines are skipped\n\nclick IROpencom\nset PortCombo COM\ntype PortCombo 4\nfocus\n"
               "print PortCombo\ncomportset.Command1\n"
            << 1
            << QStringList{"window comportset", "focus PortCombo", "value PortCombo \"COM4\"",
                           "error 8: unknown step 'comportset.Command1'"};
        QTest::newRow("connects, and ends at Exit")
            << QStringList{"--simulate"}
            << "click IROpencom\nclick comportset.Command1\nsim insert\nclick CardStatusBtn\nclick EXITGRM\n"
               "click CardStatusBtn\n"
            << 0
            << QStringList{"window comportset", "closed comportset",
                           "message information \"Card Status\" \"Card Status Success\\r\\nThere is card at front "
                           "side\\r\\nEnough cards in stacker\\r\\nThe error card bin is not full\""};
        QTest::newRow("open windows close silently at the end") << QStringList{} << "click IROpencom\nprint Label3\n" << 0
            << QStringList{"window comportset", "value Label3 \"Comm Port Number\""};
        const QStringList fails[][2] = {
            {{"print NoSuchThing\n"}, {"error 1: no control NoSuchThing"}},
            {{"sim insert\n"}, {"error 1: no virtual reader (start with --simulate)"}},
            {{"key cmbAddress820 F13\n"}, {"error 1: unknown key 'F13'"}},
            {{"set cmbAddress820 G\n"}, {"error 1: cmbAddress820 has no item 'G'"}},
            {{"select SSTab1 4\n"}, {"error 1: SSTab1 has no page 4"}}};
        for (const auto &f : fails)
            QTest::newRow(qPrintable(f[0].first().trimmed())) << QStringList{} << f[0].first() << 1 << f[1];
    }
    void runs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, script);
        QFETCH(int, code);
        QFETCH(QStringList, lines);
        const Run r = run(args, script);
        QCOMPARE(r.code, code);
        if (lines.value(0).startsWith(QLatin1String("stderr: "))) {
            QVERIFY(r.lines.isEmpty());
            QVERIFY2(r.err.contains(lines[0].mid(8)), qPrintable(r.err));
        } else if (lines.last() == QLatin1String("...")) {  // more lines follow
            QCOMPARE(r.lines.mid(0, lines.size() - 1), lines.mid(0, lines.size() - 1));
        } else {
            QCOMPARE(r.lines, lines);
        }
    }

    // The example scripts run as their comments tell the operator to: against
    // the virtual reader, without an error or a caution, every cell they set
    // read back as written. (What each command shows is the scenarios' part.)
    void example_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file : {"demo.txt", "reader_tour.txt", "memory_card_check.txt", "mifare_value_check.txt"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void example()
    {
        QFETCH(QString, file);
        QFile f(QDir(QStringLiteral(QTEST820_EXAMPLES_DIR)).filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.first().startsWith(QLatin1Char('#')));
        // Each says how to run it before its first step (the demo predates that rule).
        const int firstStep = int(lines.indexOf(QRegularExpression(QStringLiteral("^[^#\\s].*"))));
        QVERIFY(firstStep > 0);
        if (file != QLatin1String("demo.txt"))
            QVERIFY(lines.mid(0, firstStep).join('\n').contains("qtest820 --simulate --script examples/" + file));
        const Run r = run({QStringLiteral("--simulate"), QStringLiteral("--script"), f.fileName()});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.lines.filter(QRegularExpression(QStringLiteral("^(error|message exclamation)"))).isEmpty(),
                 qPrintable(r.lines.join('\n')));
        QVERIFY(r.lines.filter(QStringLiteral("message information")).size() >= 2);
        static const QRegularExpression setCell(QStringLiteral("^set (ICText\\(\\d+\\)) (\\S+)$"));
        for (const QString &line : lines)
            if (const auto m = setCell.match(line.trimmed()); m.hasMatch())
                QVERIFY2(r.lines.contains(QStringLiteral("value %1 \"%2\"").arg(m.captured(1), m.captured(2))), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
