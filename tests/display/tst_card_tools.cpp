// The Card Tools window as a person meets it on a real X server: opened from
// the main window by a real click, a key search and a dump, Stop pressed by a
// real click while a slow reader holds a dump (the window keeps painting and
// the dump ends early), and a restore whose trailer question is the real
// message box, answered by a real click.

#include "cards/card_files.h"
#include "support/display_session.h"
#include "support/operator.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

using namespace mdqtest;

class TestCardTools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchDumpStopAndRestore()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        QVERIFY(s.sim(QStringLiteral("chip rf s50-keys")).startsWith(QLatin1String("ok")));
        const QString dumpPath = dir.filePath(QStringLiteral("card.json"));
        const QString stoppedPath = dir.filePath(QStringLiteral("stopped.json"));

        Operator op;
        QString keyTable, dumpOutput, stoppedStatus, restoreOutput;
        int stoppedAt = -1, paintsWhileBusy = 0;
        bool stopWasEnabled = false;
        op.then([&](QWidget *w) {
            auto *files = w->findChild<QLineEdit *>(QStringLiteral("ToolDumpFile"));
            auto *output = w->findChild<QPlainTextEdit *>(QStringLiteral("ToolOutput"));
            auto *status = w->findChild<QLabel *>(QStringLiteral("ToolStatus"));
            auto *progress = w->findChild<QProgressBar *>(QStringLiteral("ToolProgress"));
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolSearchKeysBtn")));
            keyTable = w->findChild<QPlainTextEdit *>(QStringLiteral("ToolKeyTable"))->toPlainText();

            files->setText(dumpPath);
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolDumpBtn")));
            dumpOutput = output->toPlainText();

            // A slow reader: Stop, clicked for real while the dump holds the
            // line, gets through and ends it; the progress bar moved meanwhile.
            s.sim(QStringLiteral("fault delay 30"));
            files->setText(stoppedPath);
            QTimer ticker;
            QObject::connect(&ticker, &QTimer::timeout, w, [&] { ++paintsWhileBusy; });
            ticker.start(20);
            QTimer::singleShot(600, w, [&] {
                auto *stop = w->findChild<QWidget *>(QStringLiteral("ToolStopBtn"));
                stopWasEnabled = stop->isEnabled();
                stoppedAt = progress->value();
                realClick(stop);
            });
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolDumpBtn")));
            ticker.stop();
            stoppedStatus = status->text();
            s.sim(QStringLiteral("fault delay 0"));

            // Restore with the trailers: the question is a real box.
            files->setText(dumpPath);
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolTrailers")));
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolRestoreBtn")));
            restoreOutput = output->toPlainText();
            realClick(w->findChild<QWidget *>(QStringLiteral("ToolCloseBtn")));
        });
        op.clickButton(QStringLiteral("OK"));  // the trailer question
        s.click(QStringLiteral("CardToolsBtn"));
        QVERIFY(waitFor([] { return !QApplication::activeModalWidget(); }, 20000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(op.unanswered(), 0);

        QCOMPARE(op.seen().size(), 2);
        QCOMPARE(op.seen().at(0).objectName, QStringLiteral("CardTools"));
        QCOMPARE(op.seen().at(1).title, QStringLiteral("Card Tools"));
        QVERIFY(op.seen().at(1).text.contains(QStringLiteral("a wrong trailer locks its sector for good")));
        QCOMPARE(op.seen().at(1).icon, int(QMessageBox::Question));

        QVERIFY2(keyTable.contains(QStringLiteral("     3  4D3A99C351DD  1A982C7E459A\n")), qPrintable(keyTable));
        QVERIFY(keyTable.contains(QStringLiteral("     5  ------------  ------------\n")));
        QCOMPARE(dumpOutput, QStringLiteral("S50 card A12B3C4D: 60 of 64 blocks written to %1\n1 sector opened by no key: left out of the dump").arg(dumpPath));
        QVERIFY(mdq::cards::readDump(dumpPath).error.isEmpty());

        QVERIFY(stopWasEnabled);
        QVERIFY2(stoppedAt > 0 && stoppedAt < 16, qPrintable(QString::number(stoppedAt)));
        QVERIFY2(paintsWhileBusy >= 10, qPrintable(QString::number(paintsWhileBusy)));
        QCOMPARE(stoppedStatus, QStringLiteral("Stopped by the operator"));
        QVERIFY(!QFile::exists(stoppedPath));

        // Sector 5 is not in the dump, block 0 is not asked for: the other 59 blocks, trailers included.
        QCOMPARE(restoreOutput, QStringLiteral("59 blocks written and verified"));
    }
};

QTEST_MAIN(TestCardTools)
#include "tst_card_tools.moc"
