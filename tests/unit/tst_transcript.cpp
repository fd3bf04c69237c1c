// Transcript strings: C escapes for control bytes, UTF-8 for the rest.

#include "automation/transcript.h"
#include "automation/script_prompter.h"

#include <QtTest/QTest>

using namespace mdq;

class TestTranscript : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void escaping_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("plain") << "Card jam" << "Card jam";
        QTest::newRow("crlf") << "a\r\nb" << "a\\r\\nb";
        QTest::newRow("quote and backslash") << "say \"x\\y\"" << "say \\\"x\\\\y\\\"";
        QTest::newRow("control bytes") << QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F) << "\\x01\\x1F\\x7F";
        QTest::newRow("tab is not special") << "\t" << "\\x09";
        QTest::newRow("unicode kept") << QString::fromUtf8("\u201c63\u201d") << QString::fromUtf8("\u201c63\u201d");
    }
    void escaping()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(escapeForTranscript(in), out);
    }

    void promptsAreRecordedAndAnswered()
    {
        QStringList lines;
        Transcript t([&lines](const QString &l) { lines << l; });
        ScriptPrompter p(t);
        p.message(Icon::Information, QStringLiteral("Card Status"), QStringLiteral("a\r\nb"));
        QVERIFY(p.askOkCancel(Icon::Question, QStringLiteral("Q"), QStringLiteral("sure?")));  // OK by default
        p.queueAnswer(false);
        QVERIFY(!p.askOkCancel(Icon::Exclamation, QStringLiteral("Q"), QStringLiteral("again?")));
        QCOMPARE(lines, (QStringList{"message information \"Card Status\" \"a\\r\\nb\"", "message question \"Q\" \"sure?\"",
                                     "answer OK", "message exclamation \"Q\" \"again?\"", "answer Cancel"}));
        t.mute();
        p.message(Icon::None, QStringLiteral("x"), QStringLiteral("y"));
        QCOMPARE(lines.size(), 5);
    }

    void saveDialogAnswers()
    {
        Transcript t([](const QString &) {});
        ScriptPrompter p(t);
        QVERIFY(!p.askSaveFile({}).has_value());  // nothing queued: cancelled
        p.queueSaveAs(QStringLiteral("/tmp/trace"));
        p.queueSaveAs(QString());
        const auto first = p.askSaveFile({QString(), QString(), QString(), QStringLiteral("TXT"), QString()});
        QVERIFY(first.has_value());
        QCOMPARE(first->fullPath, QStringLiteral("/tmp/trace.TXT"));
        QCOMPARE(first->fileName, QStringLiteral("trace.TXT"));
        QVERIFY(!p.askSaveFile({}).has_value());
    }
};

QTEST_APPLESS_MAIN(TestTranscript)
#include "tst_transcript.moc"
