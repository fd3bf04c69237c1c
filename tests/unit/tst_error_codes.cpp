// Negative replies decoded into the operator's message.

#include "link/error_codes.h"
#include "support/recording_prompter.h"

#include <QtTest/QTest>

using namespace mdq;
using namespace mdqtest;

class TestErrorCodes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showErrorCode_data()
    {
        QTest::addColumn<char>("e1");
        QTest::addColumn<char>("e0");
        QTest::addColumn<QString>("text");  // empty: no message at all
        QTest::newRow("06 reserved") << '0' << '6' << "--------";
        QTest::newRow("64 curly quotes") << '6' << '4' << QString::fromUtf8("IC card communication error (Other than \u201c63\u201d)");
        QTest::newRow("80") << '8' << '0' << "Write Error (No '1')";
        QTest::newRow("B0") << 'B' << '0' << "Not received Initialize command";
        QTest::newRow("70 not in table") << '7' << '0' << "";
        QTest::newRow("a0 lower case") << 'a' << '0' << "";
        QTest::newRow("blank then 1 is code 1") << ' ' << '1' << "";
        QTest::newRow("zero bytes") << '\0' << '\0' << "";
    }
    void showErrorCode()
    {
        QFETCH(char, e1);
        QFETCH(char, e0);
        QFETCH(QString, text);
        RecordingPrompter p;
        const bool shown = ShowErrorCode(p, quint8(e1), quint8(e0));
        QCOMPARE(shown, !text.isEmpty());
        if (text.isEmpty()) {
            QVERIFY(p.shown().isEmpty());
            return;
        }
        const QString title = QStringLiteral("Negative response:") + QChar(e1) + QChar(e0);
        QCOMPARE(p.shown(), (QList<Shown>{{Icon::Information, title, text}}));
    }

    void everyTableCodeHasAMessage()
    {
        // The reader's code families: 00-69 (with gaps filled as reserved), 80, 81, A0, A1, B0.
        int found = 0;
        for (int i = 0; i <= 99; ++i)
            found += errorCodeMessage(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))).has_value();
        QCOMPARE(found, 70 + 2);  // 00..69 and 80, 81
        for (const char *c : {"A0", "A1", "B0"})
            QVERIFY(errorCodeMessage(QString::fromLatin1(c)).has_value());
        QVERIFY(!errorCodeMessage(QStringLiteral("82")).has_value());
    }
};

QTEST_APPLESS_MAIN(TestErrorCodes)
#include "tst_error_codes.moc"
