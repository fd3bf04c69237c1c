// What the program takes as a script: a regular file or standard input ("-");
// a device, a folder, a script past 16 MiB or a line past 64 KiB is refused
// at once with a clear error and exit code 2, never read until memory runs out.

#include "support/program_run.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;

class TestScriptInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
};

QTEST_MAIN(TestScriptInput)
#include "tst_script_input.moc"
