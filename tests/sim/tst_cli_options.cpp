// mdq820-sim's command line.

#include "cli_options.h"
#include "control_interpreter.h"

#include <QtTest>

using namespace sim;

class TstCliOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("pace");
        QTest::addColumn<QString>("link");
        QTest::newRow("defaults") << QStringList{} << 0 << 9600 << false << QString();
        QTest::newRow("all") << QStringList{"--address", "a", "--baud", "115200", "--pace", "--link", "/tmp/x"}
                             << 10 << 115200 << true << QStringLiteral("/tmp/x");
        QTest::newRow("inline values") << QStringList{"--address=F", "--baud=38400", "--link=/tmp/y"} << 15
                                       << 38400 << false << QStringLiteral("/tmp/y");
    }

    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, address);
        QFETCH(int, baud);
        QFETCH(bool, pace);
        QFETCH(QString, link);
        const CliParseResult r = parseCliOptions(arguments);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(int(r.options.reader.address), address);
        QCOMPARE(r.options.reader.baud, baud);
        QCOMPARE(r.options.reader.pace, pace);
        QCOMPARE(r.options.linkPath, link);
        QVERIFY(!r.options.help);
        QVERIFY(!r.options.version);
    }

    void rejects_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("address too big") << QStringList{"--address", "10"}
                                         << QStringLiteral("--address is one hex digit 0..F, not \"10\"");
        QTest::newRow("address missing") << QStringList{"--address"} << QStringLiteral("--address needs a value");
        QTest::newRow("odd baud") << QStringList{"--baud", "9601"} << QStringLiteral("unsupported baud rate \"9601\"");
        QTest::newRow("empty link") << QStringList{"--link="} << QStringLiteral("--link needs a path");
        QTest::newRow("value for a flag") << QStringList{"--pace=yes"} << QStringLiteral("--pace takes no value");
        QTest::newRow("unknown") << QStringList{"--fast"} << QStringLiteral("unknown argument \"--fast\"");
        QTest::newRow("stray word") << QStringList{"9600"} << QStringLiteral("unknown argument \"9600\"");
    }

    void rejects()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CliParseResult r = parseCliOptions(arguments);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, error);
    }

    void helpAndVersionFlags()
    {
        QVERIFY(parseCliOptions({QStringLiteral("--help")}).options.help);
        QVERIFY(parseCliOptions({QStringLiteral("-h")}).options.help);
        QVERIFY(parseCliOptions({QStringLiteral("--version")}).options.version);
    }

    void usageDocumentsOptionsAndCommands()
    {
        const QString usage = cliUsage();
        for (const char *option : {"--address X", "--baud N", "--pace", "--link PATH", "--help", "--version"})
            QVERIFY2(usage.contains(QLatin1String(option)), option);
        for (const QString &entry : ControlInterpreter::commandHelp())
            QVERIFY2(usage.contains(QStringLiteral("  ") + entry), qPrintable(entry));
    }
};

QTEST_GUILESS_MAIN(TstCliOptions)
#include "tst_cli_options.moc"
