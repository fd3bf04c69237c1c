#include "device_link.h"

#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

QString readLink(const QByteArray &path)
{
    char target[PATH_MAX];
    const ssize_t n = readlink(path.constData(), target, sizeof target - 1);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, int(n));
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

}  // namespace

DeviceLink::~DeviceLink()
{
    remove();
}

bool DeviceLink::isPtyDevice(const QString &target)
{
    static const QRegularExpression pts(QStringLiteral("^/dev/pts/[0-9]+$"));
    return pts.match(target).hasMatch();
}

bool DeviceLink::create(const QString &path, const QString &device, QString *error)
{
    const QByteArray p = path.toLocal8Bit();
    struct stat st {};
    if (lstat(p.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return fail(error, QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(path));
        const QString old = readLink(p);
        if (!isPtyDevice(old))
            return fail(error, QStringLiteral("%1 links to %2, not to a pty; not replacing it").arg(path, old));
    } else if (errno != ENOENT) {
        return fail(error, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    }

    // Make the new link beside the old one and rename it over: no moment without a link.
    const QByteArray temp = p + ".new." + QByteArray::number(qint64(getpid()));
    ::unlink(temp.constData());
    if (symlink(device.toLocal8Bit().constData(), temp.constData()) != 0 || rename(temp.constData(), p.constData()) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        ::unlink(temp.constData());
        return fail(error, QStringLiteral("cannot make %1: %2").arg(path, why));
    }
    m_path = path;
    m_device = device;
    return true;
}

void DeviceLink::remove()
{
    if (m_path.isEmpty())
        return;
    const QByteArray p = m_path.toLocal8Bit();
    if (readLink(p) == m_device)  // another run may have taken the name over since
        ::unlink(p.constData());
    m_path.clear();
    m_device.clear();
}

}  // namespace sim
