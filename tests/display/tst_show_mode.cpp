// The program itself on a real X server: `--script --show` runs the steps on
// screen with the real message boxes answered by real clicks and prints the
// same transcript as the headless run; SIGTERM while a command waits ends the
// program cleanly (exit code 143, not killed), on screen and headless.

#include "support/program_run.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {
const char *const kScript = R"(# connect, then an engine failure, a negative reply, a question and a reply
click IROpencom
click Command1
sim fault nak once
click CardStatusBtn
sim fault negative 10
click CardStatusBtn
click CardStatusBtn
sim chip rf s50
click RFCardUPBtn
click RFCheckPasswordBtn
select BlockNumberCombo 1
click RFreadBtn
select BlockNumberCombo 3
answer Cancel
click RFwriteBtn
click EXITGRM
)";

}  // namespace

class TestShowMode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showPrintsTheHeadlessTranscript()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("s.txt"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kScript);
        f.close();
        const ProgramRun headless = runProgram({QStringLiteral("--simulate"), QStringLiteral("--script"), script});
        const ProgramRun shown = runProgram({QStringLiteral("--simulate"), QStringLiteral("--script"), script, QStringLiteral("--show"),
                               QStringLiteral("--step-delay"), QStringLiteral("30")});
        QCOMPARE(headless.code, 0);
        QVERIFY(headless.out.contains(QLatin1String("message exclamation \"Caution\" \"Unit not detected")));
        QVERIFY(headless.out.contains(QLatin1String("answer Cancel")));
        QCOMPARE(shown.status, QProcess::NormalExit);
        QCOMPARE(shown.out, headless.out);
        QCOMPARE(shown.code, 0);
    }

    void showAndStepDelayNeedAScript_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--show alone") << QStringList{QStringLiteral("--show")};
        QTest::newRow("--step-delay without --show")
            << QStringList{QStringLiteral("--script"), QStringLiteral("x"), QStringLiteral("--step-delay"), QStringLiteral("5")};
        QTest::newRow("negative delay") << QStringList{QStringLiteral("--script"), QStringLiteral("x"), QStringLiteral("--show"),
                                                       QStringLiteral("--step-delay"), QStringLiteral("-1")};
    }

    void showAndStepDelayNeedAScript()
    {
        QFETCH(QStringList, args);
        QCOMPARE(runProgram(args).code, 2);
    }

    void sigtermWhileACommandWaits_data()
    {
        QTest::addColumn<bool>("show");
        QTest::newRow("headless") << false;
        QTest::newRow("on screen") << true;
    }

    void sigtermWhileACommandWaits()
    {
        QFETCH(bool, show);
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("s.txt"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // A silent reader: the Card Status wait lasts 12 s.
        f.write("click IROpencom\nclick Command1\nsim fault silent\nclick CardStatusBtn\nprint SDTDText\n");
        f.close();
        QStringList args{QStringLiteral("--simulate"), QStringLiteral("--script"), script};
        if (show)
            args << QStringLiteral("--show") << QStringLiteral("--step-delay") << QStringLiteral("0");
        QElapsedTimer t;
        t.start();
        const ProgramRun r = runProgram(args, {{}, {}, 1500});
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.code, 128 + 15);
        QVERIFY2(!r.out.contains(QLatin1String("value SDTDText")), qPrintable(r.out));
    }
};

QTEST_MAIN(TestShowMode)
#include "tst_show_mode.moc"
