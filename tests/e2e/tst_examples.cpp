// The example scripts under examples/ run through the real qtest820 program
// against its own virtual reader, as their comments tell the operator to.

#include "support/e2e_session.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {

QString examplePath(const QString &name)
{
    return QDir(QStringLiteral(QTEST820_EXAMPLES_DIR)).filePath(name);
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const char *const kNoCard = "No card in card channel";
QString cardStatus(const char *position)
{
    return QStringLiteral("message information \"Card Status\" \"Card Status Success\\r\\n%1\\r\\n"
                          "Enough cards in stacker\\r\\nThe error card bin is not full\"")
        .arg(QLatin1String(position));
}

}  // namespace

class TestExamples : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void example_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("demo") << "demo.txt"
                              << QStringList{
                                     "window comportset",
                                     "~ value PortDeviceHint \"= /dev/pts/\\d+\"",
                                     "closed comportset",
                                     cardStatus(kNoCard),
                                     cardStatus("There is card at front side"),
                                     // Record Data kept both exchanges; the second sees the card (st0 '1').
                                     "~ value SDTDText \"SD: F2 00 00 03 43 31 30 03 B0 .*"
                                     "RD: F2 00 00 06 50 31 30 31 32 30 03 95 \\\\r\\\\nSD: 06\\\\r\\\\n\\\\r\\\\n\"",
                                 };
        QTest::newRow("reader tour")
            << "reader_tour.txt"
            << QStringList{
                   "window comportset",
                   "closed comportset",
                   "window ResetOptionForm",
                   "closed ResetOptionForm",
                   "message information \"Reset\" \"Reset success\\r\\nMDQ-820 SIM V1.0\"",
                   cardStatus(kNoCard),
                   "window SensorStateForm",
                   "value Label0 \"Sensor 1 (PSS1)\"",
                   "value Label10 \"Off\"",
                   "closed SensorStateForm",
                   "message information \"Move card to IC card operation position\" \"Move card to IC card operation "
                   "position success\"",
                   cardStatus("There is card at RF/IC card operation position"),
                   "message information \"Move card to the error card bin\" \"Move card to the error card bin success\"",
                   "message information \"Read Counter\" \"Read Counter Success\"",
                   "value IRTenKaEdit \"001\"",
                   "window ConfigForm",
                   "value Label10 \"MDQ-820\"",
                   "value Label13 \"RS-232 Interface\"",
                   "closed ConfigForm",
                   "window ReadSn",
                   "value Text1 \"MDQ820SIM0001\"",
                   "closed ReadSn",
               };
        const QString ok = QStringLiteral("message information \"Transmit Command\" \"Execute OK\\r\\n9000\"");
        QTest::newRow("memory card check")
            << "memory_card_check.txt"
            << QStringList{
                   "window comportset",
                   "closed comportset",
                   "message information \"Test IC Type\" \"Test IC Type Complete\\r\\nSLE4442 Card\"",
                   "message information \"Activate\" \"SLE4442 Activate success\"",
                   ok,  // verify
                   ok,  // write
                   ok,  // read
                   "value ICText(0) \"12\"",
                   "value ICText(1) \"34\"",
                   "value ICText(2) \"56\"",
                   "value ICText(3) \"78\"",
                   "message information \"Deactivate\" \"Deactivate success\"",
               };
        QTest::newRow("mifare value check")
            << "mifare_value_check.txt"
            << QStringList{
                   "window comportset",
                   "closed comportset",
                   "message information \"Activate\" \"The RF Card is activated\\r\\nMifare one S50 card\"",
                   "message information \"Check Password\" \"Check Password\\r\\nExecute OK\\r\\n9000\"",
                   "message information \"Initialize\" \"Initialize success\\r\\nExecute OK\\r\\n9000\"",
                   "message information \"Increment\" \"Increment\\r\\nExecute OK\\r\\n9000\"",
                   "message information \"Read\" \"Read success\\r\\nExecute OK\\r\\n9000\"",
                   "value PurseValueText \"125\"",
                   "message information \"Deactivate\" \"Deactivate Success\"",
               };
    }

    void example()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        const QString path = examplePath(file);
        const QString script = readAll(path);
        QVERIFY2(!script.isEmpty(), qPrintable(path));

        // Each example says what it does and how to run it before its first step
        // (the demo predates that rule and only says what it does).
        const QStringList lines = script.split(QLatin1Char('\n'));
        QVERIFY(lines.first().startsWith(QLatin1Char('#')));
        if (file != QLatin1String("demo.txt")) {
            const int firstStep = int(lines.indexOf(QRegularExpression(QStringLiteral("^[^#\\s].*"))));
            const QString header = lines.mid(0, firstStep).join(QLatin1Char('\n'));
            QVERIFY2(header.contains(QStringLiteral("qtest820 --simulate --script examples/") + file),
                     "the comment does not say how to run the example");
        }

        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QString::fromLocal8Bit(qgetenv("QTEST820_BINARY")),
                {QStringLiteral("--simulate"), QStringLiteral("--script"), path});
        QVERIFY2(p.waitForFinished(60000), "the example did not finish");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QStringList actual =
            QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString diff = compareTranscript(actual, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff + QStringLiteral("\nwhole transcript:\n") + actual.join('\n')
                                            + QStringLiteral("\nstderr:\n") + QString::fromUtf8(p.readAllStandardError())));
        QCOMPARE(p.exitCode(), 0);

        // What a check prints back must be what the script put in: the
        // "set ICText(n) V" steps against the "value ICText(n)" lines.
        static const QRegularExpression setCell(QStringLiteral("^set (ICText\\(\\d+\\)) (\\S+)$"));
        for (const QString &line : lines) {
            const auto m = setCell.match(line.trimmed());
            if (m.hasMatch())
                QVERIFY2(actual.contains(QStringLiteral("value %1 \"%2\"").arg(m.captured(1), m.captured(2))),
                         qPrintable(QStringLiteral("%1 did not read back as written").arg(m.captured(1))));
        }
    }
};

QTEST_MAIN(TestExamples)
#include "tst_examples.moc"
