#include "shell/log_file.h"

#include "ui/remembered.h"
#include "ui/trim_blanks.h"
#include "platform/prompter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

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
