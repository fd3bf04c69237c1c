#include "shell/log_file.h"

#include "ui/trim_blanks.h"
#include "platform/prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace mdq {

SaveDialogRequest logSaveDialogRequest()
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
    const QFileInfo target(path);
    if (target.exists() && target.isFile()
        && (!target.isWritable() || !(target.permissions() & QFileDevice::WriteOwner))) {
        return QStringLiteral("%1 Permission denied: %2 is read-only")
            .arg(int(QFileDevice::PermissionsError))
            .arg(QDir::toNativeSeparators(path));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 %2").arg(int(file.error())).arg(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString error = QStringLiteral("%1 %2").arg(int(file.error())).arg(file.errorString());
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return QStringLiteral("%1 %2").arg(int(file.error())).arg(file.errorString());
    return QString();
}

void saveTrafficLog(Prompter &prompter, const QString &logText)
{
    const SaveDialogRequest request = logSaveDialogRequest();
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
}

}  // namespace mdq
