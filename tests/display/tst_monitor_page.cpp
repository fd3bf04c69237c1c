// The MONITOR page's decoded trace as a person meets it on a real display:
// switched on by a real click, a remark typed and entered, the trace
// exported and opened again through the real file dialogs.

#include "link/trace.h"
#include "shell/log_view.h"
#include "shell/monitor_page.h"
#include "support/display_session.h"
#include "support/operator.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;
using mdq::LogView;

namespace {
// Answers a file dialog as a person does: the name typed into its name box, then Enter.
Operator::Act typeFileName(const QString &path)
{
    return [path](QWidget *dialog) {
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY2(name, "the file dialog has a name box");
        realClick(name);
        realKey(name, Qt::Key_A, Qt::ControlModifier);
        realType(name, path);
        realKey(name, Qt::Key_Return);
    };
}
}  // namespace

class TestMonitorPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The widget dialog, the same on every desktop.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void decodedTraceRemarkExportAndOpen()
    {
        QTemporaryDir dir;
        DisplaySession s;
        QVERIFY(s.started());
        s.connect();
        Operator op;
        op.clickButton();
        s.click(QStringLiteral("CardStatusBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1; }));

        auto *views = s.control<QStackedWidget>(QStringLiteral("MonitorViews"));
        auto *raw = s.control<LogView>(QStringLiteral("SDTDText"));
        auto *decoded = s.control<LogView>(QStringLiteral("TraceView"));
        QVERIFY(views && raw && decoded);
        s.click(QStringLiteral("CheckDecoded"));
        QVERIFY(waitFor([&] { return decoded->isVisible() && !raw->isVisible(); }));
        QVERIFY(decoded->lineCount() >= 5);
        QVERIFY2(decoded->line(0).contains(QLatin1String("Card status")), qPrintable(decoded->line(0)));

        // A remark: typed into the box, entered with Enter; the box empties.
        auto *remark = s.control<QLineEdit>(QStringLiteral("TraceRemark"));
        realClick(remark);
        realType(remark, QStringLiteral("card in by hand"));
        realKey(remark, Qt::Key_Return);
        const mdq::TraceRow last = s.main().trace().row(s.main().trace().size() - 1);
        QCOMPARE(last.dir, mdq::TraceDir::Note);
        QCOMPARE(last.summary, QStringLiteral("card in by hand"));
        QVERIFY(remark->text().isEmpty());
        QVERIFY(decoded->line(decoded->lineCount() - 1).contains(QLatin1String("card in by hand")));
        QVERIFY(decoded->firstVisibleLine() + 1 <= decoded->lineCount());

        // Export Trace through the real save dialog; the file holds every row.
        const QString path = dir.filePath(QStringLiteral("bench.jsonl"));
        op.then(typeFileName(path));
        s.click(QStringLiteral("ExportTraceBtn"));
        QVERIFY(waitFor([&] { return QFile::exists(path); }));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size() - 1, s.main().trace().size());
        QVERIFY(lines[lines.size() - 2].contains("\"dir\":\"note\""));
        QVERIFY(s.status().contains(QLatin1String("Trace exported")));

        // Open Trace: the file read back in a window of its own, decoded.
        op.then(typeFileName(path));
        s.click(QStringLiteral("OpenTraceBtn"));
        QWidget *window = nullptr;
        QVERIFY(waitFor([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("TraceFileWindow") && w->isVisible())
                    window = w;
            return window != nullptr;
        }));
        auto *view = window->findChild<LogView *>(QStringLiteral("TraceFileView"));
        QVERIFY(view);
        QCOMPARE(view->lineCount(), s.main().trace().size());
        QVERIFY(view->line(view->lineCount() - 1).contains(QLatin1String("card in by hand")));
        QCOMPARE(op.seen().size(), 3);
        QCOMPARE(op.seen()[1].title, QStringLiteral("Export Trace"));
        QCOMPARE(op.seen()[2].title, QStringLiteral("Open Trace"));
        QVERIFY(!op.anyStuck());
        QCOMPARE(op.unanswered(), 0);
        window->close();
    }

    // Open Folder hands the session traces' folder (made if need be) to the
    // desktop's file manager; where there is none, a message says where it is.
    void openFolder()
    {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        DisplaySession s;
        QVERIFY(s.started());
        auto *page = s.main().findChild<mdq::MonitorPage *>();
        QVERIFY(page);
        const QString folder = dir.filePath(QStringLiteral("data/qtest820/traces"));
        QList<QUrl> asked;
        bool fileManager = true;
        page->setFolderOpener([&](const QUrl &url) {
            asked << url;
            return fileManager;
        });
        Operator op;
        s.click(QStringLiteral("OpenTraceFolderBtn"));
        QVERIFY(waitFor([&] { return asked.size() == 1; }));
        QCOMPARE(asked[0], QUrl::fromLocalFile(folder));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(op.seen().size(), 0);

        fileManager = false;
        op.clickButton();
        s.click(QStringLiteral("OpenTraceFolderBtn"));
        QVERIFY(waitFor([&] { return op.seen().size() == 1; }));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(op.seen()[0].title, QStringLiteral("Session trace"));
        QVERIFY2(op.seen()[0].text.endsWith(QStringLiteral("kept in:\r\n") + folder), qPrintable(op.seen()[0].text));
        QVERIFY(!op.anyStuck());
        QCOMPARE(op.unanswered(), 0);
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_MAIN(TestMonitorPage)
#include "tst_monitor_page.moc"
