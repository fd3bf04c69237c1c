#include "platform/safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace mdq {

QString writeFileSafely(const QString &path, const QByteArray &bytes)
{
    auto failure = [](QFileDevice::FileError code, const QString &text) {
        return QStringLiteral("%1 %2").arg(int(code)).arg(text);
    };
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo given(path);
    // A name that is (or ends as) a folder never becomes FOLDER/.TXT.
    if (given.fileName().isEmpty() || given.isDir())
        return failure(QFileDevice::OpenError, QStringLiteral("%1 is a folder, not a file").arg(shown));
    // Through symbolic links to what would really be replaced.
    const QFileInfo target(given.isSymLink() ? given.canonicalFilePath() : path);
    if (given.isSymLink() && !target.exists())
        return failure(QFileDevice::OpenError, QStringLiteral("%1 points to nothing that exists").arg(shown));
    if (target.exists() && target.isDir())
        return failure(QFileDevice::OpenError, QStringLiteral("%1 is a folder, not a file").arg(shown));
    // A device, a pipe or a socket would be replaced by a plain file (as root,
    // /dev/null would be gone): refuse anything but a regular file.
    if (target.exists() && !target.isFile())
        return failure(QFileDevice::OpenError, QStringLiteral("%1 is not a regular file").arg(shown));
    if (target.exists() && (!target.isWritable() || !(target.permissions() & QFileDevice::WriteOwner)))
        return failure(QFileDevice::PermissionsError, QStringLiteral("Permission denied: %1 is read-only").arg(shown));
    QSaveFile file(target.absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.error(), file.errorString());
    // Every byte must be on the disk before the rename: a failed flush (a full
    // disk, a file size limit) cancels the write, and the old file stays.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString error = failure(file.error() != QFileDevice::NoError ? file.error() : QFileDevice::WriteError,
                                      file.errorString());
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return failure(file.error(), file.errorString());
    return QString();
}

bool writeFileWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("No file given");
        return false;
    }
    const QString failure = writeFileSafely(path, bytes);
    if (failure.isEmpty())
        return true;
    *error = failure.section(QLatin1Char(' '), 1);
    const QString shown = QDir::toNativeSeparators(path);
    if (!error->contains(shown))
        *error = QStringLiteral("%1: %2").arg(shown, *error);
    return false;
}

}  // namespace mdq
