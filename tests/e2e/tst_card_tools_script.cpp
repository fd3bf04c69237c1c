// The Card Tools window driven by script steps over a real pseudo-terminal
// to the virtual reader: the transcript a bench script gets for a key search,
// a dump, a refused and a confirmed restore, a comparison, another card kind,
// and bad input.

#include "support/e2e_session.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mdqtest;

class TestCardToolsScript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeCardWorkThroughScriptSteps()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile keys(dir.filePath("secret.keys"));
        QVERIFY(keys.open(QIODevice::WriteOnly));
        keys.write("5A1B2C3D4E5F\n6C7D8E9FA0B1\n");
        keys.close();
        const QString d = dir.path();
        E2eSession session;
        QVERIFY(session.started());
        const QString steps = QStringLiteral(
            "click CardToolsBtn\n"
            "sim chip rf s50-keys\n"
            "click IROpencom\nclick Command1\n"
            "click CardToolsBtn\n"
            "set ToolKeyFiles %1/secret.keys\n"
            "set ToolDumpFile %1/card.mct\n"
            "click ToolDumpBtn\n"
            "print ToolOutput\n"
            "print ToolStatus\n"
            "check ToolTrailers\n"
            "answer Cancel\n"
            "click ToolRestoreBtn\n"
            "print ToolOutput\n"
            "uncheck ToolTrailers\n"
            "click ToolRestoreBtn\n"
            "print ToolOutput\n"
            "set ToolDumpFile %1/nothing.mct\n"
            "click ToolCompareBtn\n"
            "set ToolKeyFiles %1/none.keys\n"
            "click ToolSearchKeysBtn\n"
            "set ToolCardKind Mifare Ultralight\n"
            "set ToolDumpFile %1/card.json\n"
            "click ToolDumpBtn\n"
            "sim chip rf ultralight\n"
            "set ToolDumpFile %1/ul.eml\n"
            "click ToolDumpBtn\n"
            "set ToolDumpFile %1/ul.json\n"
            "click ToolDumpBtn\n"
            "click ToolCompareBtn\n"
            "print ToolOutput\n"
            "click ToolCloseBtn\n").arg(d);
        int code = -1;
        const QStringList actual = session.run(steps, &code);
        expectTranscript(actual, QStringList{
            QStringLiteral("message exclamation \"Caution\" \"Comm. Port Setup First\""),
            QStringLiteral("window comportset"),
            QStringLiteral("closed comportset"),
            QStringLiteral("window CardTools"),
            QStringLiteral("value ToolOutput \"S50 card A12B3C4D: 64 of 64 blocks written to %1/card.mct\"").arg(d),
            QStringLiteral("value ToolStatus \"Dump: done\""),
            QStringLiteral("message question \"Card Tools\" \"Write the sector trailers too?\\nThey hold the sector keys and access bits: a wrong trailer locks its sector for good.\""),
            QStringLiteral("answer Cancel"),
            QStringLiteral("value ToolOutput \"S50 card A12B3C4D: 64 of 64 blocks written to %1/card.mct\"").arg(d),
            QStringLiteral("value ToolOutput \"47 blocks written and verified\""),
            QStringLiteral("message exclamation \"Card Tools\" \"%1/nothing.mct: no such file\"").arg(d),
            QStringLiteral("message exclamation \"Card Tools\" \"%1/none.keys: cannot read the key file: no such file\"").arg(d),
            QStringLiteral("message exclamation \"Card Tools\" \"The card is not a Mifare Ultralight\""),
            QStringLiteral("message exclamation \"Card Tools\" \"The dump file ends in .json or .bin\""),
            QStringLiteral("value ToolOutput \"No differences\\n\""),
            QStringLiteral("closed CardTools"),
        });
        QCOMPARE(code, 0);
    }
};

QTEST_MAIN(TestCardToolsScript)
#include "tst_card_tools_script.moc"
