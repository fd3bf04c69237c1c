#include "shell/log_file.h"

#include "ui/remembered.h"
#include "ui/trim_blanks.h"
#include "platform/prompter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace mdq {

SaveDialogRequest logSaveDialogRequest(const QString &lastFolder, const QDateTime &now)
{
    SaveDialogRequest r;
    r.title = QStringLiteral("Save As...");
    r.filterName = QStringLiteral("Text Files");
    r.filterPattern = QStringLiteral("*.TXT");
    r.defaultExtension = QStringLiteral("TXT");
#ifdef Q_OS_WIN
    r.initialDirectory = qEnvironmentVariable("winDir");
#else
    r.initialDirectory = QDir::homePath();
#endif
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        r.initialDirectory = lastFolder;
    r.proposedName = now.toString(QStringLiteral("'qtest820-log-'yyyyMMdd-HHmmss'.txt'"));
    return r;
}

QByteArray logFileBytes(const QString &logText)
{
    QString text = trimBlanks(logText);
    // The log is written with CR LF already; a bare LF or CR still becomes CR LF.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toLocal8Bit();
}

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

void saveTrafficLog(Prompter &prompter, const QString &logText, Remembered &remembered)
{
    const SaveDialogRequest request = logSaveDialogRequest(remembered.text(remembered::SaveFolder));
    const auto chosen = prompter.askSaveFile(request);
    if (!chosen)
        return;
    // The operator sees which file is meant before it is written, as the tool
    // always did; a failed write then follows with its own message.
    prompter.message(Icon::None, request.title,
                     QStringLiteral("File Name is ") + chosen->fileName + QStringLiteral("\r\n")
                         + QStringLiteral("Full path and file is ") + chosen->fullPath);
    const QString error = writeFileSafely(chosen->fullPath, logFileBytes(logText));
    if (!error.isEmpty())
        prompter.message(Icon::None, QStringLiteral("mnuFileSaveAsDialog_Click"), QStringLiteral("Error: ") + error);
    else
        remembered.setValue(remembered::SaveFolder, QFileInfo(chosen->fullPath).absolutePath());
}

}  // namespace mdq
