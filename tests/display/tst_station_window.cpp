// The station window on a real display, as a person meets it: opened from
// the main window's Station button, a plan typed in, two ports ticked (the
// virtual reader on COM1, nothing on COM2), Start pressed; one row per unit
// follows the run live (the current case while it runs), ends PASS and
// ERROR, and the passed unit's report opens and closes by real clicks.

#include "automation/station_window.h"
#include "support/display_session.h"
#include "support/operator.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;

namespace {
// Types text into the focused control of w's window, key by key.
void typeInto(QWidget *edit, const QString &text)
{
    realClick(edit);
    realKey(edit, Qt::Key_A, Qt::ControlModifier);
    for (const QChar c : text)
        QTest::keyClick(edit->window()->windowHandle(), c.toLatin1());
}
}  // namespace

class TstStationWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsUnitsAndOpensAReport()
    {
        DisplaySession s;
        QVERIFY(s.started());
        QTemporaryDir dir;
        mdq::StationWindow station(s.main().port(), s.main().prompter(), qEnvironmentVariable("QTEST820_BINARY"), &s.main());
        s.main().setStationOpener([&] { station.show(); });
        s.click(QStringLiteral("StationBtn"));
        QVERIFY(waitExposed(&station));

        const QString plan = QDir(qEnvironmentVariable("QTEST820_SOURCE_DIR")).filePath("examples/incoming_inspection.txt");
        typeInto(station.findChild<QLineEdit *>("StationPlanText"), plan);
        typeInto(station.findChild<QLineEdit *>("StationOutText"), dir.path());
        QCOMPARE(station.findChild<QLineEdit *>("StationPlanText")->text(), plan);
        for (QCheckBox *box : station.findChildren<QCheckBox *>("StationPort"))
            if (box->text() == "COM1" || box->text() == "COM2")
                realClick(box);
        realClick(station.findChild<QWidget *>("StationStartBtn"));

        auto *table = station.findChild<QTableWidget *>("StationUnitTable");
        QCOMPARE(table->rowCount(), 2);
        auto cell = [&](int row, int col) { return table->item(row, col) ? table->item(row, col)->text() : QString(); };
        QSet<QString> casesSeen;
        QVERIFY(waitFor(
            [&] {
                if (!cell(0, mdq::StationWindow::CaseColumn).isEmpty())
                    casesSeen.insert(cell(0, mdq::StationWindow::CaseColumn));
                return !station.isRunning();
            },
            60000));
        QVERIFY2(casesSeen.size() >= 2, qPrintable(QStringList(casesSeen.values()).join(',')));
        QCOMPARE(cell(0, mdq::StationWindow::UnitColumn), QString("MDQ820SIM0001"));
        QCOMPARE(cell(0, mdq::StationWindow::StatusColumn), QString("PASS"));
        QCOMPARE(cell(1, mdq::StationWindow::StatusColumn), QString("ERROR"));
        QVERIFY2(cell(1, mdq::StationWindow::FailedColumn).contains("COM2"), qPrintable(cell(1, mdq::StationWindow::FailedColumn)));
        QVERIFY(station.findChild<QLabel *>("StationSummary")->text().startsWith("2 units: 1 passed, 0 failed, 1 errors"));
        QCOMPARE(QDir(dir.path()).entryList({"MDQ820SIM0001-*.json"}).size(), 1);

        // The first row chosen by a real click, its report opened and closed by real clicks.
        const QPoint at = table->viewport()->mapTo(&station, table->visualItemRect(table->item(0, 1)).center());
        QTest::mouseClick(station.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(table->currentRow(), 0);
        QString report;
        Operator op;
        op.then([&](QWidget *view) {
            report = view->findChild<QPlainTextEdit *>("StationReportTextBox")->toPlainText();
            realClick(view->findChild<QWidget *>("StationReportClose"));
        });
        realClick(station.findChild<QWidget *>("StationReportBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1 && !QApplication::activeModalWidget(); }, 10000));
        QVERIFY(!op.anyStuck());
        QVERIFY2(report.startsWith("Unit MDQ820SIM0001 on COM1: PASS"), qPrintable(report));
        QVERIFY(report.contains(QRegularExpression("PASS +serial number")));
        QVERIFY(report.contains(QRegularExpression("SKIPPED +rf card")));
    }
};

QTEST_MAIN(TstStationWindow)
#include "tst_station_window.moc"
