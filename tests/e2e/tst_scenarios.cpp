// Scenarios against the virtual reader over a real pty: each file under
// scenarios/ holds script steps, a line "--- expected", then the transcript.
// Every scenario starts connected: "Setup Comm" and OK on COM1 come first.

#include "support/e2e_session.h"

#include <QDir>
#include <QFile>
#include <QtTest/QTest>

using namespace mdqtest;

class TestScenarios : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scenario_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(QTEST820_SCENARIO_DIR));
        const auto files = dir.entryList({QStringLiteral("*.scn")}, QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), "no scenarios found");
        for (const QString &f : files)
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
    void scenario()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const int split = text.indexOf(QLatin1String("\n--- expected\n"));
        QVERIFY2(split >= 0, "scenario lacks a '--- expected' line");
        const QString steps = QStringLiteral("click IROpencom\nclick Command1\n") + text.left(split + 1);
        QStringList expected = text.mid(split + 14).split(QLatin1Char('\n'));
        expected.prepend(QStringLiteral("closed comportset"));
        expected.prepend(QStringLiteral("window comportset"));
        while (!expected.isEmpty() && expected.last().isEmpty())
            expected.removeLast();
        int expectedCode = 0;
        if (!expected.isEmpty() && expected.last().startsWith(QLatin1String("exit ")))
            expectedCode = expected.takeLast().mid(5).toInt();

        E2eSession session;
        QVERIFY(session.started());
        int code = -1;
        const QStringList actual = session.run(steps, &code);
        expectTranscript(actual, expected);
        QCOMPARE(code, expectedCode);
    }
};

QTEST_MAIN(TestScenarios)
#include "tst_scenarios.moc"
