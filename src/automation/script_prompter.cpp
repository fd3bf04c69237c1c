#include "automation/script_prompter.h"

#include "automation/transcript.h"

#include <QDir>
#include <QFileInfo>

namespace mdq {

void ScriptPrompter::message(Icon icon, const QString &title, const QString &text)
{
    m_transcript.line(QStringLiteral("message %1 \"%2\" \"%3\"")
                          .arg(iconWord(icon), escapeForTranscript(title), escapeForTranscript(text)));
    if (m_observer)
        m_observer(icon, title, text);
}

bool ScriptPrompter::askOkCancel(Icon icon, const QString &title, const QString &text)
{
    message(icon, title, text);
    const bool ok = takeAnswer();
    m_transcript.line(ok ? QStringLiteral("answer OK") : QStringLiteral("answer Cancel"));
    return ok;
}

std::optional<SaveDialogResult> ScriptPrompter::askSaveFile(const SaveDialogRequest &request)
{
    if (m_saveAs.isEmpty())
        return std::nullopt;
    QString path = m_saveAs.dequeue();
    if (path.isEmpty())
        return std::nullopt;
    // As the dialog would: a name without an extension gets the default one.
    QFileInfo info(path);
    // A folder gets no extension: the write refuses it by name.
    if (info.suffix().isEmpty() && !request.defaultExtension.isEmpty() && !info.fileName().isEmpty() && !info.isDir())
        path += QLatin1Char('.') + request.defaultExtension;
    info = QFileInfo(path);
    return SaveDialogResult{QDir::cleanPath(info.absoluteFilePath()), info.fileName()};
}

std::optional<QString> ScriptPrompter::askOpenFile(const OpenDialogRequest &)
{
    if (m_saveAs.isEmpty())
        return std::nullopt;
    const QString path = m_saveAs.dequeue();
    if (path.isEmpty())
        return std::nullopt;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace mdq
