// Save To through the real program on real files: a save that cannot be
// completed (a file size limit, as a full disk would) leaves the old file
// byte-identical and says so; a FIFO, a link to one, or a folder is refused
// by name and left as it was.

#include "support/program_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <sys/stat.h>

using namespace mdqtest;

namespace {
// Runs qtest820 on the virtual reader with `steps`, optionally under a file
// size limit (SIGXFSZ ignored, so a write past it fails with EFBIG instead).
ProgramRun runScript(const QString &dir, const QString &steps, qint64 fileSizeLimit = -1)
{
    const QString script = dir + QStringLiteral("/steps.txt");
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write(steps.toUtf8());
    f.close();
    ProgramOptions o;
    if (fileSizeLimit >= 0)
        o.prefix = QStringList{QStringLiteral("bash"), QStringLiteral("-c"),
                               QStringLiteral("trap '' XFSZ; exec prlimit --fsize=%1 \"$@\"").arg(fileSizeLimit),
                               QStringLiteral("bash")};
    return runProgram({QStringLiteral("--simulate"), QStringLiteral("--script"), script}, o);
}

QString connectAndRecord(int commands)
{
    QString s = QStringLiteral("click IROpencom\nclick Command1\ncheck CheckRecord\n");
    for (int i = 0; i < commands; ++i)
        s += QStringLiteral("click CardStatusBtn\n");
    return s;
}
}  // namespace

class TestSaveSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSaveCutShortKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("log.txt"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("hello");
        old.close();
        // About 100 bytes of log per status exchange: 80 exchanges pass 4 KiB.
        const ProgramRun r = runScript(dir.path(), connectAndRecord(80) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target),
                                4096);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QLatin1String("message none \"mnuFileSaveAsDialog_Click\" \"Error: ")), qPrintable(r.out));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("hello"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // log.txt, steps.txt

        // The same save without the limit goes through.
        const ProgramRun ok = runScript(dir.path(), connectAndRecord(80) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target));
        QVERIFY2(!ok.out.contains(QLatin1String("\"Error: ")), qPrintable(ok.out));
        QVERIFY(QFileInfo(target).size() > 4096);
    }

    void whatIsNoRegularFileIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "is not a regular file";
        QTest::newRow("link to a FIFO") << "link" << "is not a regular file";
        QTest::newRow("existing folder") << "folder" << "is a folder, not a file";
        QTest::newRow("folder name ending in a slash") << "slash" << "is a folder, not a file";
    }

    void whatIsNoRegularFileIsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.TXT"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString target = fifo;
        if (kind == QLatin1String("link")) {
            target = dir.filePath(QStringLiteral("link.TXT"));
            QVERIFY(QFile::link(fifo, target));
        } else if (kind == QLatin1String("folder") || kind == QLatin1String("slash")) {
            target = dir.filePath(QStringLiteral("folder"));
            QVERIFY(QDir().mkdir(target));
            if (kind == QLatin1String("slash"))
                target += QLatin1Char('/');
        }
        const ProgramRun r = runScript(dir.path(), connectAndRecord(1) + QStringLiteral("save-as %1\nclick SaveSDTDText\n").arg(target));
        QVERIFY2(r.out.contains(QStringLiteral("\"Error: 5 ")) && r.out.contains(reason), qPrintable(r.out));
        // Nothing was replaced or created.
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("folder/.TXT"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("folder.TXT"))));
    }
};

QTEST_MAIN(TestSaveSafety)
#include "tst_save_safety.moc"
