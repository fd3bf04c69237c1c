// The --link symbolic link: replaced only when stale, left alone when not ours.
// (Made, removed at the end, a regular file refused: tst_sim_program.)

#include "device_link.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace sim;

namespace {

QString linkTarget(const QString &path)
{
    char target[256];
    const ssize_t n = readlink(path.toLocal8Bit().constData(), target, sizeof target);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, int(n));
}

bool makeSymlink(const QString &target, const QString &path)
{
    return symlink(target.toLocal8Bit().constData(), path.toLocal8Bit().constData()) == 0;
}

}  // namespace

class TstDeviceLink : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("reader")); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        QFile::remove(path());
        QDir(path()).removeRecursively();
    }

    void replacesAStalePtyLink()
    {
        QVERIFY(makeSymlink(QStringLiteral("/dev/pts/99"), path()));
        DeviceLink link;
        QVERIFY(link.create(path(), QStringLiteral("/dev/pts/41")));
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/41"));
    }

    void refusesEverythingElse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << QStringLiteral("dir");
        QTest::newRow("link elsewhere") << QStringLiteral("link");
        QTest::newRow("link to a pts lookalike") << QStringLiteral("lookalike");
    }

    void refusesEverythingElse()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("dir")) {
            QVERIFY(QDir().mkdir(path()));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(makeSymlink(QStringLiteral("/etc/hostname"), path()));
        } else {
            QVERIFY(makeSymlink(QStringLiteral("/dev/pts/../sda"), path()));
        }
        const QFileInfo before(path());
        DeviceLink link;
        QString error;
        QVERIFY(!link.create(path(), QStringLiteral("/dev/pts/41"), &error));
        QVERIFY(error.startsWith(path()));
        link.remove();
        const QFileInfo after(path());
        QVERIFY(after.exists() || after.isSymLink());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isDir(), before.isDir());
    }

    void leavesALinkTakenOverByAnotherRun()
    {
        DeviceLink link;
        QVERIFY(link.create(path(), QStringLiteral("/dev/pts/41")));
        DeviceLink other;
        QVERIFY(other.create(path(), QStringLiteral("/dev/pts/42")));
        link.remove();
        QCOMPARE(linkTarget(path()), QStringLiteral("/dev/pts/42"));
    }

    void knowsPtyDevices_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("pty");
        QTest::newRow("pts") << QStringLiteral("/dev/pts/7") << true;
        QTest::newRow("ttyS") << QStringLiteral("/dev/ttyS0") << false;
        QTest::newRow("ptmx") << QStringLiteral("/dev/pts/ptmx") << false;
        QTest::newRow("relative") << QStringLiteral("pts/7") << false;
    }

    void knowsPtyDevices()
    {
        QFETCH(QString, target);
        QFETCH(bool, pty);
        QCOMPARE(DeviceLink::isPtyDevice(target), pty);
    }
};

QTEST_GUILESS_MAIN(TstDeviceLink)
#include "tst_device_link.moc"
