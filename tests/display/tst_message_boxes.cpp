// Message boxes as a person meets them on a real X server: every engine
// failure, a negative reply and a confirmation open the real QMessageBox,
// which must close on a real click on its button and on Enter. Also the
// visible busy state (wait cursor, status bar, Escape and Stop), the virtual
// reader window staying usable behind the tool's modal windows, and Exit.

#include "link/traffic_log.h"
#include "support/display_session.h"
#include "support/operator.h"
#include "support/recording_prompter.h"
#include "ui/status_bar.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {
void answer(Operator &op, bool byEnter)
{
    if (byEnter)
        op.pressKey(Qt::Key_Return);
    else
        op.clickButton();
}
}  // namespace

class TestMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void engineFailuresShowABoxThatCloses_data()
    {
        QTest::addColumn<QString>("setup");   // control command for the reader
        QTest::addColumn<QString>("button");  // the command to click
        QTest::addColumn<QString>("text");    // the box's text ("" for none)
        QTest::addColumn<QString>("status");  // the status bar's message (regular expression)
        QTest::addColumn<bool>("byEnter");

        for (const bool enter : {false, true}) {
            const char *how = enter ? " (Enter)" : " (click)";
            QTest::newRow(qPrintable(QStringLiteral("NAK") + how))
                << "fault nak once" << "CardStatusBtn" << kUnitNotDetected
                << "The reader refused the command: received 15h instead of ACK \\(06h\\)" << enter;
            QTest::newRow(qPrintable(QStringLiteral("header without body") + how))
                << "fault header-only once" << "CardStatusBtn" << kDataError
                << "Reply cut off: header received, then 0 of \\d+ bytes within 6 s" << enter;
            QTest::newRow(qPrintable(QStringLiteral("reply too long") + how))
                << "fault oversize once" << "CardStatusBtn" << kDataError
                << "Reply too long: 11\\d\\d bytes do not fit the 1025-byte reply buffer" << enter;
            QTest::newRow(qPrintable(QStringLiteral("negative reply") + how))
                << "fault negative 10" << "CardStatusBtn" << QString("*negative*")
                << "Negative reply 10 after .*" << enter;
        }
        QTest::newRow("silence: no box") << "fault silent once" << "CardStatusBtn" << QString()
                                         << "No reply from the reader: EOT sent after (8|9|10)\\.\\d s" << false;
        QTest::newRow("ACK only: no box") << "fault ack-only once" << "CardStatusBtn" << QString()
                                          << "No reply from the reader: EOT sent after \\d+\\.\\d s" << false;
    }

    void engineFailuresShowABoxThatCloses()
    {
        QFETCH(QString, setup);
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(QString, status);
        QFETCH(bool, byEnter);

        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        QVERIFY2(s.sim(setup).startsWith(QLatin1String("ok")), qPrintable(setup));
        Operator op;
        const bool box = !text.isEmpty();
        if (box)
            answer(op, byEnter);
        s.click(button);
        QVERIFY(waitFor([&] { return !QApplication::activeModalWidget(); }, 10000));
        QTest::qWait(50);

        QCOMPARE(op.anyStuck(), false);
        if (box) {
            QCOMPARE(op.seen().size(), 1);
            const SeenWindow seen = op.seen().first();
            if (text == QLatin1String("*negative*")) {
                QCOMPARE(seen.title, QStringLiteral("Negative response:10"));
                QCOMPARE(seen.icon, int(QMessageBox::Information));
            } else {
                QCOMPARE(seen.title, QStringLiteral("Caution"));
                QCOMPARE(seen.text, text);
                QCOMPARE(seen.icon, int(QMessageBox::Warning));
            }
        } else {
            QCOMPARE(op.seen().size(), 0);
        }
        const QString message = s.main().statusBar()->message();
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(status)).match(message).hasMatch(),
                 qPrintable(message));

        // The tool is not left wedged: the next command goes through.
        s.sim(QStringLiteral("serial 12345678"));
        Operator next;
        next.clickButton();
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return next.seen().size() == 1 && !QApplication::activeModalWidget(); }));
        QCOMPARE(next.seen().first().title, QStringLiteral("Card Status"));
        QCOMPARE(next.anyStuck(), false);
    }

    void portVanishingMidExchange()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("fault silent"));
        // The reader goes away while the tool waits for its acknowledgement.
        QTimer::singleShot(100, [&] { s.reader().stop(); });
        Operator op;
        op.clickButton();
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(op.seen().first().text, kUnitNotDetected);
        QVERIFY2(s.status().contains(QStringLiteral(": lost |")), qPrintable(s.status()));
        QVERIFY2(s.status().endsWith(QStringLiteral("Port lost: %1 is gone").arg(s.reader().devicePath()))
                     || s.status().contains(QStringLiteral("Port lost: ")),
                 qPrintable(s.status()));
    }

    void confirmationAnsweredBothWays()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("chip rf s50"));
        Operator op;
        op.clickButton();  // "Activate"
        s.click(QStringLiteral("RFCardUPBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }));
        // Block 3 of sector 0 is the trailer: writing it asks first.
        auto *block = s.control<QComboBox>(QStringLiteral("BlockNumberCombo"));
        block->setCurrentIndex(3);
        const auto cells = s.main().findChildren<QLineEdit *>(QStringLiteral("SRFTextLIST"));
        for (QLineEdit *cell : cells)
            cell->setText(QStringLiteral("FF"));

        op.clickButton(QStringLiteral("Cancel"));
        s.main().log().clear();
        s.click(QStringLiteral("RFwriteBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 2 && !QApplication::activeModalWidget(); }));
        QCOMPARE(op.seen().at(1).text,
                 QStringLiteral("Are you sure to modify\r\nthe password of present sector and control key memory area?"));
        QCOMPARE(s.main().log().text(), QString());  // nothing sent

        op.pressKey(Qt::Key_Return);  // OK is the default
        op.clickButton();             // "Write Block Data ... Execute OK"
        s.click(QStringLiteral("RFwriteBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 4 && !QApplication::activeModalWidget(); }));
        QCOMPARE(op.seen().at(3).title, QStringLiteral("Write Block Data"));
        QVERIFY(s.main().log().text().startsWith(QLatin1String("SD: F2")));
        QCOMPARE(op.anyStuck(), false);
    }

    void cpuCardWindowBoxesCloseAndTheBenchStaysUsable()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("fault nak once"));
        Operator op;
        QString benchState;
        op.then([&](QWidget *cpu) {
            QCOMPARE(cpu->objectName(), QStringLiteral("CPUCARD"));
            // An engine failure inside the CPU card window.
            realClick(cpu->findChild<QWidget *>(QStringLiteral("CheckStatusBtn")));
            // The bench is no part of the tool: usable while CPUCARD is open,
            // and its state line follows without a click of its own.
            realClick(s.bench().findChild<QWidget *>(QStringLiteral("Sim_insert")));
            waitFor([&] { return s.bench().findChild<QLabel *>(QStringLiteral("SimState"))->text().contains(QLatin1String("card=front")); });
            benchState = s.bench().findChild<QLabel *>(QStringLiteral("SimState"))->text();
            realKey(cpu->focusWidget() ? cpu->focusWidget() : cpu, Qt::Key_Escape);
        });
        op.clickButton();  // the failure's box
        s.click(QStringLiteral("CPURUN"));
        QVERIFY(waitFor([&] { return !QApplication::activeModalWidget(); }, 10000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(op.seen().size(), 2);
        QCOMPARE(op.seen().at(1).text, kUnitNotDetected);
        QVERIFY2(benchState.contains(QLatin1String("card=front")), qPrintable(benchState));
    }

    void busyStateIsVisibleAndEscapeStopsTheWait_data()
    {
        QTest::addColumn<bool>("byStopButton");
        QTest::newRow("Escape") << false;
        QTest::newRow("Stop button") << true;
    }

    void busyStateIsVisibleAndEscapeStopsTheWait()
    {
        QFETCH(bool, byStopButton);
        DisplaySession s(1);  // real time: the wait lasts long enough to look at
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("fault silent once"));
        QStringList seenDuringWait;
        QStringList spokenDuringWait;
        bool waitCursor = false;
        bool stopVisible = false;
        QTimer probe;
        probe.setInterval(100);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            seenDuringWait << s.main().statusBar()->message();
            // What a screen reader is told: the busy text too.
            if (QAccessibleInterface *a = QAccessible::queryAccessibleInterface(s.control(QStringLiteral("StatusMessage"))))
                spokenDuringWait << a->text(QAccessible::Name);
            if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
                waitCursor = true;
            if (s.main().activity().isBusy() && s.main().activity().elapsedMs() > 900) {
                auto *stop = s.control<QPushButton>(QStringLiteral("StopWaitBtn"));
                // In the bar, beside the message and the connection, over neither.
                const QRect at = stop->geometry();
                stopVisible = stop->isVisible() && s.main().statusBar()->rect().contains(at)
                              && !at.intersects(s.control(QStringLiteral("StatusMessage"))->geometry())
                              && !at.intersects(s.control(QStringLiteral("StatusConnection"))->geometry());
                probe.stop();
                if (byStopButton)
                    realClick(stop);
                else
                    realKey(s.control(QStringLiteral("CardStatusBtn")), Qt::Key_Escape);
            }
        });
        probe.start();
        Operator op;
        QElapsedTimer t;
        t.start();
        s.click(QStringLiteral("CardStatusBtn"));
        const qint64 took = t.elapsed();
        probe.stop();
        QVERIFY2(took < 4000, qPrintable(QString::number(took)));  // not the 12 s of a silent reader
        QVERIFY(waitCursor);
        QVERIFY(stopVisible);
        QVERIFY(!s.control(QStringLiteral("StopWaitBtn"))->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        // Updated while waiting, at least every 250 ms.
        QVERIFY2(seenDuringWait.filter(QRegularExpression(QStringLiteral("^Waiting for the reader's reply\\.\\.\\. \\d\\.\\d s$"))).size() >= 3,
                 qPrintable(seenDuringWait.join(QLatin1Char('|'))));
        QVERIFY(!spokenDuringWait.filter(QStringLiteral("Waiting for the reader's reply...")).isEmpty());
        QCOMPARE(op.seen().size(), 0);
        QVERIFY2(s.main().statusBar()->message().startsWith(QLatin1String("Stopped by the operator after")),
                 qPrintable(s.main().statusBar()->message()));
        QVERIFY(s.main().log().text().endsWith(QLatin1String("SD: 04\r\n-- Stopped by the operator\r\n\r\n")));
    }

    void exitEndsTheProgramAfterAFailure()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        s.sim(QStringLiteral("fault nak once"));
        Operator op;
        op.pressKey(Qt::Key_Return);
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }));
        QSignalSpy exit(&s.main(), &mdq::ReaderMain::exitRequested);
        s.click(QStringLiteral("EXITGRM"));
        QCOMPARE(exit.size(), 1);
        QCOMPARE(op.anyStuck(), false);
    }

    // An unplugged reader: noticed while idle; the next command's box names the
    // device and closes on a real click; the status bar shows the link lost.
    void unpluggedReaderIsNamedInTheBox()
    {
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        const QString device = s.main().port().deviceName();
        s.reader().stop();
        QVERIFY(waitFor([&] { return s.main().log().text().contains(QLatin1String("-- Port lost: ")); }));
        Operator op;
        op.clickButton();
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }));
        QCOMPARE(op.anyStuck(), false);
        QVERIFY2(op.seen().at(0).text.startsWith(QStringLiteral("The reader's port is gone: %1 was unplugged").arg(device)),
                 qPrintable(op.seen().at(0).text));
        QVERIFY2(s.status().contains(QStringLiteral(": lost | Port lost: %1 is gone").arg(device)), qPrintable(s.status()));
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
