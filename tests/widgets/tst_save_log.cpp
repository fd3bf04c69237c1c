// "Save To": the traffic log written to the file the operator chooses, never
// losing an existing file when the write fails.

#include "shell/log_file.h"
#include "link/traffic_log.h"
#include "support/main_fixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace mdqtest;
using mdq::Icon;

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

const QString kExchange = QStringLiteral(
    "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n");
}  // namespace

class TestSaveLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void save_data()
    {
        QTest::addColumn<QString>("folder");    // under a fresh temporary folder; "cancel": the dialog cancelled
        QTest::addColumn<QByteArray>("before");  // the file's bytes before; "-": no file
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QByteArray>("after");  // "-": no file
        QTest::addColumn<bool>("error");
        const QByteArray precious("precious\r\nbytes\x00\xff", 17);
        QTest::newRow("cancelled") << "cancel" << QByteArray("-") << false << kExchange << QByteArray("-") << false;
        QTest::newRow("new file") << "" << QByteArray("-") << false << kExchange << kExchange.toLatin1() << false;
        QTest::newRow("blank log, empty file") << "" << QByteArray("-") << false << "    " << QByteArray() << false;
        QTest::newRow("blanks trimmed, CR LF line ends") << "" << QByteArray("-") << false << "   a\nb\rc \r\n\r\n  "
                                                         << QByteArray("a\r\nb\r\nc \r\n\r\n") << false;
        QTest::newRow("existing file replaced") << "" << QByteArray(5000, 'x') << false << "SD: 06\r\n"
                                                << QByteArray("SD: 06\r\n") << false;
        QTest::newRow("read-only file kept byte for byte") << "" << precious << true << kExchange << precious << true;
        QTest::newRow("missing folder") << "no/such/folder" << QByteArray("-") << false << kExchange
                                        << QByteArray("-") << true;
    }
    void save()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, before);
        QFETCH(bool, readOnly);
        QFETCH(QString, log);
        QFETCH(QByteArray, after);
        QFETCH(bool, error);
        QTemporaryDir dir;
        MainFixture f;
        const mdq::SaveDialogResult target{QDir(dir.path()).filePath(folder.isEmpty() ? QStringLiteral("trace.TXT") : folder + "/trace.TXT"), "trace.TXT"};
        if (before != "-") {
            QFile file(target.fullPath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
            file.close();
            if (readOnly)
                QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        f.main.log().append(log);
        const bool cancel = folder == QLatin1String("cancel");
        f.prompter.queueSave(cancel ? std::nullopt : std::optional<mdq::SaveDialogResult>(target));
        f.click(QStringLiteral("SaveSDTDText"));
        // The dialog asks for a text file from the home folder.
        QCOMPARE(f.prompter.saveRequests().size(), 1);
        const mdq::SaveDialogRequest r = f.prompter.saveRequests().first();
        QCOMPARE(QStringList({r.title, r.filterName, r.filterPattern, r.defaultExtension}),
                 QStringList({"Save As...", "Text Files", "*.TXT", "TXT"}));
#ifdef Q_OS_WIN
        QCOMPARE(r.initialDirectory, qEnvironmentVariable("winDir"));
#else
        QCOMPARE(r.initialDirectory, QDir::homePath());
#endif

        QCOMPARE(QFile::exists(target.fullPath) ? readFile(target.fullPath) : QByteArray("-"), after);
        const QList<Shown> shown = f.prompter.shown();
        QCOMPARE(shown.size(), cancel ? 0 : error ? 2 : 1);
        if (cancel) {
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(f.log(), log);
            return;
        }
        QCOMPARE(shown[0], (Shown{Icon::None, "Save As...",
                                  "File Name is trace.TXT\r\nFull path and file is " + target.fullPath}));
        if (error) {
            QCOMPARE(shown[1].icon, Icon::None);
            QCOMPARE(shown[1].title, QStringLiteral("mnuFileSaveAsDialog_Click"));
            QVERIFY2(QRegularExpression(QStringLiteral("^Error: \\d+ \\S.*$")).match(shown[1].text).hasMatch(),
                     qPrintable(shown[1].text));
        }
        // Nothing left beside it: a temporary file is renamed over the target or removed.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 after == "-" ? QStringList() : QStringList{"trace.TXT"});
        QCOMPARE(f.log(), log);  // the log itself is untouched
        QFile::setPermissions(target.fullPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
};

QTEST_MAIN(TestSaveLog)
#include "tst_save_log.moc"
