// "Save To": the traffic log written to the file the operator chooses, never
// losing an existing file when the write fails.

#include "shell/log_file.h"
#include "link/traffic_log.h"
#include "support/main_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace mdqtest;
using mdq::Icon;

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

mdq::SaveDialogResult chosen(const QString &dir, const QString &name)
{
    return {QDir(dir).filePath(name), name};
}

Shown fileNameMessage(const mdq::SaveDialogResult &r)
{
    return {Icon::None, QStringLiteral("Save As..."),
            QStringLiteral("File Name is ") + r.fileName + QStringLiteral("\r\nFull path and file is ") + r.fullPath};
}

const QString kExchange = QStringLiteral(
    "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n");
}  // namespace

class TestSaveLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dialogIsAskedForTextFilesFromTheHomeFolder()
    {
        MainFixture f;
        f.click(QStringLiteral("SaveSDTDText"));
        QCOMPARE(f.prompter.saveRequests().size(), 1);
        const mdq::SaveDialogRequest r = f.prompter.saveRequests().first();
        QCOMPARE(r.title, QStringLiteral("Save As..."));
        QCOMPARE(r.filterName, QStringLiteral("Text Files"));
        QCOMPARE(r.filterPattern, QStringLiteral("*.TXT"));
        QCOMPARE(r.defaultExtension, QStringLiteral("TXT"));
#ifdef Q_OS_WIN
        QCOMPARE(r.initialDirectory, qEnvironmentVariable("winDir"));
#else
        QCOMPARE(r.initialDirectory, QDir::homePath());
#endif
    }

    void cancelWritesNothingAndShowsNothing()
    {
        QTemporaryDir dir;
        MainFixture f;
        f.main.log().append(kExchange);
        f.prompter.queueSave(std::nullopt);
        f.click(QStringLiteral("SaveSDTDText"));
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(f.log(), kExchange);
    }

    void happyPath_namesTheFileThenWritesTheLog()
    {
        QTemporaryDir dir;
        MainFixture f;
        f.main.log().append(kExchange);
        const auto target = chosen(dir.path(), QStringLiteral("trace.TXT"));
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));
        QCOMPARE(f.prompter.shown(), (QList<Shown>{fileNameMessage(target)}));
        QCOMPARE(readFile(target.fullPath), kExchange.toLatin1());
        // Nothing left beside it: the temporary file was renamed over the target.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"trace.TXT"});
        QCOMPARE(f.log(), kExchange);  // the log itself is untouched
    }

    void blanksAtBothEndsAreRemovedAndLinesEndInCrLf()
    {
        QCOMPARE(mdq::logFileBytes(QStringLiteral("   SD: 06 \r\n\r\n  ")), QByteArray("SD: 06 \r\n\r\n"));
        QCOMPARE(mdq::logFileBytes(QStringLiteral("a\nb\r\nc\rd")), QByteArray("a\r\nb\r\nc\r\nd"));
        QCOMPARE(mdq::logFileBytes(QStringLiteral("    ")), QByteArray());
    }

    void emptyLogGivesAnEmptyFile()
    {
        QTemporaryDir dir;
        MainFixture f;
        const auto target = chosen(dir.path(), QStringLiteral("empty.TXT"));
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));
        QVERIFY(QFile::exists(target.fullPath));
        QCOMPARE(readFile(target.fullPath), QByteArray());
        QCOMPARE(f.prompter.shown(), (QList<Shown>{fileNameMessage(target)}));
    }

    void existingFileIsReplaced()
    {
        QTemporaryDir dir;
        MainFixture f;
        const auto target = chosen(dir.path(), QStringLiteral("old.TXT"));
        QVERIFY(writeFile(target.fullPath, QByteArray(5000, 'x')));
        f.main.log().append(QStringLiteral("SD: 06\r\n"));
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));
        QCOMPARE(readFile(target.fullPath), QByteArray("SD: 06\r\n"));
    }

    void readOnlyTargetStaysByteIdenticalAndTheErrorIsShown()
    {
        QTemporaryDir dir;
        MainFixture f;
        const auto target = chosen(dir.path(), QStringLiteral("locked.TXT"));
        const QByteArray precious("precious\r\nbytes\x00\xff", 17);
        QVERIFY(writeFile(target.fullPath, precious));
        QVERIFY(QFile::setPermissions(target.fullPath, QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                           | QFileDevice::ReadOther));
        f.main.log().append(kExchange);
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));

        QCOMPARE(readFile(target.fullPath), precious);
        const auto shown = f.prompter.shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], fileNameMessage(target));
        QCOMPARE(shown[1].icon, Icon::None);
        QCOMPARE(shown[1].title, QStringLiteral("mnuFileSaveAsDialog_Click"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Error: \\d+ \\S.*$")).match(shown[1].text).hasMatch(),
                 qPrintable(shown[1].text));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"locked.TXT"});
        QCOMPARE(f.log(), kExchange);
        QFile::setPermissions(target.fullPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void missingFolderShowsTheErrorAndCreatesNothing()
    {
        QTemporaryDir dir;
        MainFixture f;
        const auto target = chosen(dir.path() + QStringLiteral("/no/such/folder"), QStringLiteral("x.TXT"));
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));
        QVERIFY(!QFile::exists(target.fullPath));
        QCOMPARE(f.prompter.shown().size(), 2);
        QCOMPARE(f.prompter.shown()[1].title, QStringLiteral("mnuFileSaveAsDialog_Click"));
        QVERIFY(f.prompter.shown()[1].text.startsWith(QLatin1String("Error: ")));
    }

    void withRecordDataOffOnlyTheLastExchangeIsSaved()
    {
        QTemporaryDir dir;
        MainFixture f;
        f.connectPort();
        f.port.answerWith(positive('1', '0', {}, "020"));
        f.port.answerWith(positive('2', '1'));
        f.click(QStringLiteral("CardStatusBtn"));
        f.click(QStringLiteral("MoveCardToICCBtn"));
        f.prompter.clear();
        const auto target = chosen(dir.path(), QStringLiteral("last.TXT"));
        f.prompter.queueSave(target);
        f.click(QStringLiteral("SaveSDTDText"));
        const QByteArray saved = readFile(target.fullPath);
        QVERIFY(saved.startsWith("SD: F2 00 00 03 43 32 31 03"));
        QCOMPARE(saved.count("SD: F2"), 1);
        QVERIFY(saved.endsWith("SD: 06\r\n\r\n"));
    }
};

QTEST_MAIN(TestSaveLog)
#include "tst_save_log.moc"
