// The qtest820 program itself: command line, exit codes, scripted runs
// against its own in-process virtual reader, and the example scripts.
// What it takes as a script: a regular file or standard input ("-"); a
// device, a folder, a script past 16 MiB or a line past 64 KiB is refused at
// once with a clear error and exit code 2, never read until memory runs out.
// Save To through the real program on real files: a save that cannot be
// completed (a file size limit, as a full disk would) leaves the old file
// byte-identical and says so; a FIFO, a link to one, or a folder is refused
// by name and left as it was.

#include "qtest820_version.h"
#include "support/program_run.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest/QTest>
#include <sys/stat.h>

using namespace mdqtest;

namespace {
// Runs qtest820 on the virtual reader with `steps`, optionally under a file
// size limit (SIGXFSZ ignored, so a write past it fails with EFBIG instead).
ProgramRun runScript(const QString &dir, const QString &steps, qint64 fileSizeLimit = -1)
{
    const QString script = dir + QStringLiteral("/steps.txt");
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write(steps.toUtf8());
    f.close();
    ProgramOptions o;
    if (fileSizeLimit >= 0)
        o.prefix = QStringList{QStringLiteral("bash"), QStringLiteral("-c"),
                               QStringLiteral("trap '' XFSZ; exec prlimit --fsize=%1 \"$@\"").arg(fileSizeLimit),
                               QStringLiteral("bash")};
    return runProgram({QStringLiteral("--simulate"), QStringLiteral("--script"), script}, o);
}

QString connectAndRecord(int commands)
{
    QString s = QStringLiteral("click IROpencom\nclick Command1\ncheck CheckRecord\n");
    for (int i = 0; i < commands; ++i)
        s += QStringLiteral("click CardStatusBtn\n");
    return s;
}
}  // namespace

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
        QTest::newRow("version") << QStringList{"--version"} << none << 0 << QStringList{"qtest820 " QTEST820_VERSION};
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
        // Found before the event loop runs: the program ends at once.
        QTest::newRow("a malformed check") << QStringList{} << "click IROpencom\nexpect-frame F2 0\n" << 2
                                           << QStringList{"error 2: 'F2 0' is not whole hex bytes"};
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
    // The version both programs print and the package carries: the project
    // version, then what git describe says, as a valid Debian version
    // (letters, digits, '.', '~'; no '-', which would start a Debian revision).
    void version()
    {
        const QRegularExpression form(QLatin1Char('^') + QRegularExpression::escape(QStringLiteral(QTEST820_PROJECT_VERSION))
                                      + QStringLiteral("(\\+[A-Za-z0-9.~]+)?$"));
        QVERIFY2(form.match(QStringLiteral(QTEST820_VERSION)).hasMatch(), QTEST820_VERSION);
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
        for (const char *file : {"demo.txt", "reader_tour.txt", "memory_card_check.txt", "mifare_value_check.txt",
                                 "incoming_inspection.txt"})
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

    void refused_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("error");
        QTest::newRow("device") << "/dev/zero" << "not a regular file or a pipe";
        QTest::newRow("folder") << "folder" << "not a regular file or a pipe";
        QTest::newRow("missing") << "missing" << "no such file";
        QTest::newRow("too large") << "large" << "larger than 16 MiB";
        QTest::newRow("line too long") << "longline" << "line 2 is longer than 64 KiB";
    }

    void refused()
    {
        QFETCH(QString, what);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QString path = what;
        if (!what.startsWith(QLatin1Char('/')))
            path = dir.filePath(what);
        if (what == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        if (what == QLatin1String("large") || what == QLatin1String("longline")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (what == QLatin1String("large")) {
                const QByteArray line = QByteArray("# ") + QByteArray(1000, 'x') + '\n';
                for (int i = 0; i < 17 * 1024; ++i)
                    f.write(line);
            } else {
                f.write("focus\n# " + QByteArray(65 * 1024, 'x') + "\n");
            }
        }
        QElapsedTimer t;
        t.start();
        const ProgramRun r = runProgram({QStringLiteral("--script"), path});
        QVERIFY(t.elapsed() < 10000);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(error), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void noStepReachesBehindAModalWindow_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("click") << "click IROpencom";
        QTest::newRow("set") << "set SRFTextLIST(0) 12";
        QTest::newRow("check") << "check CheckRecord";
        QTest::newRow("select") << "select cmbAddress820 3";
        QTest::newRow("type") << "type SRFTextLIST(0) 12";
        QTest::newRow("key") << "key SRFTextLIST(0) Enter";
    }

    void noStepReachesBehindAModalWindow()
    {
        // Repeated clicks behind the settings window used to nest settings
        // windows until the program died; a person cannot reach there.
        QFETCH(QString, step);
        const ProgramRun r = runProgram({QStringLiteral("--script"), QStringLiteral("-")},
                                        {("click IROpencom\nprint cmbAddress820\n" + step + "\nprint cmbAddress820\n").toUtf8()});
        QCOMPARE(r.code, 1);
        const QString name = step.section(QLatin1Char(' '), 1, 1);
        QCOMPARE(r.out,
                 QStringLiteral("window comportset\nvalue cmbAddress820 \"0\"\nerror 3: %1 is behind the modal window comportset\n")
                     .arg(name));
    }

    void openingWhatIsNoSerialPortSaysWhy_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("why");
        QTest::newRow("/dev/null") << "/dev/null" << "/dev/null is not a serial device";
        QTest::newRow("regular file") << "file" << "is not a serial device";
        QTest::newRow("folder") << "folder" << "is a folder, not a serial device";
    }

    void openingWhatIsNoSerialPortSaysWhy()
    {
        // No box for these (the settings window keeps the rules' silence);
        // the status bar names the cause.
        QFETCH(QString, device);
        QFETCH(QString, why);
        QTemporaryDir dir;
        if (device == QLatin1String("file")) {
            device = dir.filePath(QStringLiteral("file"));
            QFile f(device);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (device == QLatin1String("folder")) {
            device = dir.filePath(QStringLiteral("folder"));
            QVERIFY(QDir().mkdir(device));
        }
        const QString out = runProgram({QStringLiteral("--map"), QStringLiteral("COM1=") + device, QStringLiteral("--script"),
                                        QStringLiteral("-")},
                                       {"click IROpencom\nclick Command1\nprint StatusBar\n"})
                                .out;
        QVERIFY2(!out.contains(QLatin1String("message ")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("| COM1 cannot be opened: ")) && out.contains(why), qPrintable(out));
    }

    // ---- Save To through the program ----

    void aSaveCutShortKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("log.txt"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("hello");
        old.close();
        // About 100 bytes of log per status exchange: 80 exchanges pass 4 KiB.
        const ProgramRun r = runScript(dir.path(), connectAndRecord(80) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target),
                                4096);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QLatin1String("message none \"mnuFileSaveAsDialog_Click\" \"Error: ")), qPrintable(r.out));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("hello"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // log.txt, steps.txt

        // The same save without the limit goes through.
        const ProgramRun ok = runScript(dir.path(), connectAndRecord(80) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target));
        QVERIFY2(!ok.out.contains(QLatin1String("\"Error: ")), qPrintable(ok.out));
        QVERIFY(QFileInfo(target).size() > 4096);
    }

    void whatIsNoRegularFileIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "is not a regular file";
        QTest::newRow("link to a FIFO") << "link" << "is not a regular file";
        QTest::newRow("existing folder") << "folder" << "is a folder, not a file";
        QTest::newRow("folder name ending in a slash") << "slash" << "is a folder, not a file";
    }

    void whatIsNoRegularFileIsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.TXT"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString target = fifo;
        if (kind == QLatin1String("link")) {
            target = dir.filePath(QStringLiteral("link.TXT"));
            QVERIFY(QFile::link(fifo, target));
        } else if (kind == QLatin1String("folder") || kind == QLatin1String("slash")) {
            target = dir.filePath(QStringLiteral("folder"));
            QVERIFY(QDir().mkdir(target));
            if (kind == QLatin1String("slash"))
                target += QLatin1Char('/');
        }
        const ProgramRun r = runScript(dir.path(), connectAndRecord(1) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target));
        QVERIFY2(r.out.contains(QStringLiteral("\"Error: 5 ")) && r.out.contains(reason), qPrintable(r.out));
        // Nothing was replaced or created.
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("folder/.TXT"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("folder.TXT"))));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
