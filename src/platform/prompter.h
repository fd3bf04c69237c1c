#pragma once
// Every message box, OK/Cancel question and save dialog goes through a
// Prompter, so tests and the script runner can see and answer them.

#include <QString>
#include <optional>

class QMessageBox;
class QWidget;

namespace mdq {

enum class Icon { None, Information, Exclamation, Question };

struct SaveDialogRequest
{
    QString title;             // "Save As..."
    QString filterName;        // "Text Files"
    QString filterPattern;     // "*.TXT"
    QString defaultExtension;  // "TXT"
    QString initialDirectory;
    QString proposedName;      // file name offered in the dialog, may be empty
};

struct OpenDialogRequest
{
    QString title;
    QString filter;            // "Traces and logs (*.jsonl *.txt *.TXT)"
    QString initialDirectory;
};

struct SaveDialogResult
{
    QString fullPath;
    QString fileName;  // the bare name
};

class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual void message(Icon icon, const QString &title, const QString &text) = 0;
    // true for OK, false for Cancel.
    virtual bool askOkCancel(Icon icon, const QString &title, const QString &text) = 0;
    virtual std::optional<SaveDialogResult> askSaveFile(const SaveDialogRequest &request) = 0;
    // An existing file to read; none when cancelled.
    virtual std::optional<QString> askOpenFile(const OpenDialogRequest &) { return std::nullopt; }
};

// Real dialogs, owned by the window given (may be null).
class QtPrompter : public Prompter
{
public:
    explicit QtPrompter(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    void message(Icon icon, const QString &title, const QString &text) override;
    bool askOkCancel(Icon icon, const QString &title, const QString &text) override;
    std::optional<SaveDialogResult> askSaveFile(const SaveDialogRequest &request) override;
    std::optional<QString> askOpenFile(const OpenDialogRequest &request) override;

    // The box every message and question is shown in: over the active modal
    // window (else the owner), modal to the tool's windows only, OK default.
    static QMessageBox *createBox(Icon icon, const QString &title, const QString &text, bool withCancel,
                                  QWidget *owner);

private:
    QWidget *m_owner;
};

}  // namespace mdq
