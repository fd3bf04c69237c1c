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
    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: qtest820 [--map COMn=DEVICE]... [--simulate[=COMn]] [--script FILE [--show [--step-delay MS]]]";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "qtest820 1.0.0";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "";
        QTest::newRow("bad map") << QStringList{"--map", "COM17=/dev/null"} << 2 << "";
        QTest::newRow("script without file") << QStringList{"--script"} << 2 << "";
    }
    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, firstLine);
        const Run r = run(args);
        QCOMPARE(r.code, code);
        if (!firstLine.isEmpty())
            QCOMPARE(r.lines.value(0), firstLine);
        else
            QVERIFY(r.err.contains(QLatin1String("qtest820:")));
    }

    void scriptedSessionOnTheVirtualReader()
    {
        const Run r = run({QStringLiteral("--simulate=COM4")},
                          QStringLiteral("# comment and blank lines are skipped\n\n"
                                         "click IROpencom\n"
                                         "set PortCombo COM\n"
                                         "type PortCombo 4\n"
                                         "focus\n"
                                         "print PortCombo\n"
                                         "comportset.Command1\n"));
        // The last line is not a step: the run stops there with exit code 1.
        QCOMPARE(r.code, 1);
        QCOMPARE(r.lines, (QStringList{"window comportset", "focus PortCombo", "value PortCombo \"COM4\"",
                                       "error 8: unknown step 'comportset.Command1'"}));
    }

    void connectsAndEndsAtExit()
    {
        const Run r = run({QStringLiteral("--simulate")},
                          QStringLiteral("click IROpencom\nclick comportset.Command1\nsim insert\n"
                                         "click CardStatusBtn\nclick EXITGRM\nclick CardStatusBtn\n"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines,
                 (QStringList{"window comportset", "closed comportset",
                              "message information \"Card Status\" \"Card Status Success\\r\\nThere is card at front "
                              "side\\r\\nEnough cards in stacker\\r\\nThe error card bin is not full\""}));
    }

    void openWindowsCloseSilentlyAtTheEnd()
    {
        const Run r = run({}, QStringLiteral("click IROpencom\nprint Label3\n"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines, (QStringList{"window comportset", "value Label3 \"Comm Port Number\""}));
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

    void failingSteps_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("no control") << "print NoSuchThing\n" << "error 1: no control NoSuchThing";
        QTest::newRow("sim without reader") << "sim insert\n" << "error 1: no virtual reader (start with --simulate)";
        QTest::newRow("bad key") << "key cmbAddress820 F13\n" << "error 1: unknown key 'F13'";
        QTest::newRow("fixed combo item") << "set cmbAddress820 G\n" << "error 1: cmbAddress820 has no item 'G'";
        QTest::newRow("select out of range") << "select SSTab1 4\n" << "error 1: SSTab1 has no page 4";
    }
    void failingSteps()
    {
        QFETCH(QString, script);
        QFETCH(QString, error);
        const Run r = run({}, script);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.lines.value(r.lines.size() - 1), error);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
