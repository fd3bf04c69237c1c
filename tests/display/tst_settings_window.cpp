// The settings window on a real X server: a failed link test shows its box,
// which closes on a real click, and leaves the window open for another try;
// a passing one closes the window and the status bar says connected; the scan
// finds the virtual reader and fills the combos, and a real click on Stop ends it.
// The port list, opened by a real click, shows beside each COMn its device and
// what is attached there, whole.

#include "support/display_session.h"
#include "support/operator.h"
#include "ui/status_bar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

using namespace mdqtest;

class TestSettingsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkTestFailsThenPasses()
    {
        DisplaySession s;
        QVERIFY(s.started());
        Operator op;
        bool stayedOpen = false;
        op.then(
            [&](QWidget *settings) {
                s.sim(QStringLiteral("fault silent once"));
                realClick(settings->findChild<QWidget *>(QStringLiteral("Command1")));
                stayedOpen = settings->isVisible();
                realClick(settings->findChild<QWidget *>(QStringLiteral("Command1")));
            },
            false);
        op.clickButton();  // "Unit not detected"
        s.click(QStringLiteral("IROpencom"));
        QVERIFY(waitFor([] { return !QApplication::activeModalWidget(); }, 10000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(op.seen().size(), 2);
        QCOMPARE(op.seen().at(0).objectName, QStringLiteral("comportset"));
        QVERIFY(op.seen().at(1).text.startsWith(QLatin1String("Unit not detected\r\n")));
        QVERIFY(stayedOpen);
        QVERIFY(s.main().state().PortOpened);
        QCOMPARE(s.status(), QStringLiteral("COM1 (%1), 9600 baud, address 0: connected | Link test passed on %1")
                                 .arg(s.reader().devicePath()));

        // Close Comm: the status bar follows.
        s.click(QStringLiteral("IRCLOSECOM"));
        QVERIFY(s.status().startsWith(QStringLiteral("COM1 (%1), 9600 baud, address 0: not connected")
                                          .arg(s.reader().devicePath())));
    }

    void portListShowsWhatIsAttached()
    {
        DisplaySession s;
        QVERIFY(s.started());
        Operator op;
        QString first;
        bool whole = false;
        op.then([&](QWidget *settings) {
            auto *combo = settings->findChild<QComboBox *>(QStringLiteral("PortCombo"));
            realClick(combo);
            realKey(combo, Qt::Key_F4);  // the keyboard's way to open the list
            QAbstractItemView *list = combo->view();
            waitFor([&] { return list->isVisible(); }, 2000);
            const QModelIndex item = list->model()->index(0, 0);
            first = item.data(Qt::ToolTipRole).toString();
            // The drawn line holds "COM1", then the description, without cutting it.
            whole = list->isVisible()
                    && list->viewport()->width()
                           >= list->fontMetrics().horizontalAdvance(QStringLiteral("COM1   ") + first);
            realKey(list, Qt::Key_Escape);
            settings->close();
        });
        s.click(QStringLiteral("IROpencom"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000));
        QVERIFY2(first.startsWith(s.reader().devicePath() + QStringLiteral("  ")), qPrintable(first));
        QVERIFY(whole);
    }

    void scanFindsTheReader()
    {
        DisplaySession s;
        QVERIFY(s.started());
        Operator op;
        QString found;
        QString portText;
        op.then([&](QWidget *settings) {
            realClick(settings->findChild<QWidget *>(QStringLiteral("AutoLabel")));
            waitFor([&] { return settings->findChild<QWidget *>(QStringLiteral("Command3"))->isVisible(); }, 2000);
            realClick(settings->findChild<QWidget *>(QStringLiteral("Command3")));
            found = settings->findChild<QLabel *>(QStringLiteral("Label1"))->text();
            portText = settings->findChild<QComboBox *>(QStringLiteral("PortCombo"))->currentText();
            // A device that only acknowledges holds the scan; a real click on Stop gets through.
            s.sim(QStringLiteral("fault ack-only"));
            QTimer::singleShot(100, settings, [=] { realClick(settings->findChild<QWidget *>(QStringLiteral("ScanStopBtn"))); });
            realClick(settings->findChild<QWidget *>(QStringLiteral("Command3")));
            found += " / " + settings->findChild<QLabel *>(QStringLiteral("Label1"))->text();
            realClick(settings->findChild<QWidget *>(QStringLiteral("Command2")));  // Cancel
        });
        s.click(QStringLiteral("IROpencom"));
        QVERIFY(waitFor([] { return !QApplication::activeModalWidget(); }, 20000));
        QCOMPARE(op.anyStuck(), false);
        QCOMPARE(found, QStringLiteral("Found MDQ-820 AT COM1 Baut Rate 9600 / No Found MDQ-820"));
        QCOMPARE(portText, QStringLiteral("COM1"));
        QVERIFY2(s.main().statusBar()->message() == QLatin1String("Scan stopped by the operator"), qPrintable(s.status()));
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
