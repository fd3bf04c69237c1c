#pragma once
// The prompter of a scripted run: every message goes to the transcript,
// questions and save dialogs take the answers the script queued.

#include "platform/prompter.h"

#include <QQueue>
#include <functional>

namespace mdq {

class Transcript;

class ScriptPrompter : public Prompter
{
public:
    explicit ScriptPrompter(Transcript &transcript) : m_transcript(transcript) {}

    void queueAnswer(bool ok) { m_answers.enqueue(ok); }
    // An empty path stands for a cancelled dialog.
    void queueSaveAs(const QString &path) { m_saveAs.enqueue(path); }

    // Told of every message and question shown: what the message checks compare.
    using MessageObserver = std::function<void(Icon icon, const QString &title, const QString &text)>;
    void setMessageObserver(MessageObserver observer) { m_observer = std::move(observer); }

    void message(Icon icon, const QString &title, const QString &text) override;
    bool askOkCancel(Icon icon, const QString &title, const QString &text) override;
    std::optional<SaveDialogResult> askSaveFile(const SaveDialogRequest &request) override;
    // Answered from the same queue as the save dialogs (open-file PATH).
    std::optional<QString> askOpenFile(const OpenDialogRequest &request) override;
    // True while a real message box of this prompter is open (--show).
    virtual bool isShowingBox() const { return false; }

protected:
    Transcript &transcript() { return m_transcript; }
    // The next queued answer to a question (OK when none was queued).
    bool takeAnswer() { return m_answers.isEmpty() ? true : m_answers.dequeue(); }

private:
    Transcript &m_transcript;
    QQueue<bool> m_answers;
    QQueue<QString> m_saveAs;
    MessageObserver m_observer;
};

}  // namespace mdq
