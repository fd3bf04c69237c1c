// The log view follows the traffic log piece by piece: lines split on line
// ends (whatever the piece boundaries), the view sticks to the end while it
// is there, and selected lines copy with CR LF.

#include "shell/log_view.h"
#include "link/traffic_log.h"

#include <QScrollBar>
#include <QtTest/QTest>

using namespace mdq;

class TestLogView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesFollowPieces()
    {
        TrafficLog log;
        log.append(QStringLiteral("before\r\n"));
        LogView view(log);  // picks up what is there already
        log.append(QStringLiteral("SD: F2 00 "));
        log.append(QStringLiteral("03 \r"));
        log.append(QStringLiteral("\nRD: 06\r\n       "));
        QCOMPARE(view.lineCount(), 4);
        QCOMPARE(view.line(0), QStringLiteral("before"));
        QCOMPARE(view.line(1), QStringLiteral("SD: F2 00 03 "));
        QCOMPARE(view.line(2), QStringLiteral("RD: 06"));
        QCOMPARE(view.line(3), QStringLiteral("       "));
        QCOMPARE(view.line(4), QString());
        log.clear();
        QCOMPARE(view.lineCount(), 1);
        QCOMPARE(view.line(0), QString());
    }

    void sticksToTheEnd()
    {
        TrafficLog log;
        LogView view(log);
        view.resize(300, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 200; ++i)
            log.append(QStringLiteral("line %1\r\n").arg(i));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.firstVisibleLine() > 150);
        view.verticalScrollBar()->setValue(10);  // the operator scrolled up: stay there
        log.append(QStringLiteral("more\r\n"));
        QCOMPARE(view.firstVisibleLine(), 10);
        log.moveCaretToEnd();
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    }

    void selectAndCopy()
    {
        TrafficLog log;
        LogView view(log);
        QVERIFY(view.selectedText().isEmpty());
        log.append(QStringLiteral("a\r\nb\r\nc"));
        view.selectAll();
        QCOMPARE(view.selectedText(), QStringLiteral("a\r\nb\r\nc"));
    }
};

QTEST_MAIN(TestLogView)
#include "tst_log_view.moc"
