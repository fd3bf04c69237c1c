#pragma once
// The MONITOR page: the raw traffic log (SDTDText, Clear Data, Record Data,
// Save To) and beside it the decoded trace: a switch between the two views,
// remarks, Export Trace, a session trace file, and opening a saved log or
// trace to read it decoded.

#include "link/trace_decoder.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace mdq {

class LineActivity;
class LogView;
class Prompter;
class Remembered;
class SessionTrace;
class Trace;
class TraceLines;
class TrafficLog;

namespace remembered {
inline const QString SessionTraceFile = QStringLiteral("trace/sessionFile");
inline const QString TraceFolder = QStringLiteral("trace/exportFolder");
}  // namespace remembered

class MonitorPage : public QWidget
{
    Q_OBJECT
public:
    MonitorPage(TrafficLog &log, Trace &trace, Prompter &prompter, LineActivity &activity, Remembered &remembered,
                QWidget *parent = nullptr);
    ~MonitorPage() override;

    QCheckBox *recordCheck() const { return m_record; }
    // Where Save To's folder, the session trace option and the export folder
    // are kept; must outlive the page. A remembered session trace starts.
    void setRemembered(Remembered &remembered);
    // Exported times count from the first row (scripts, --stable-times).
    void setStableTimes(bool stable) { m_times = stable ? TraceTimes::Stable : TraceTimes::Absolute; }
    SessionTrace &sessionTrace() { return *m_session; }

    // Adds the operator's remark row (the box's text when none is given).
    void addRemark(const QString &text);
    // Export Trace: asks for a file; .txt writes text, .jsonl JSON Lines.
    void exportTrace();
    // Writes the trace to path in the format its extension names; "" or the error.
    QString exportTo(const QString &path) const;
    // Open Trace: a saved log or exported trace, decoded in a window of its own.
    void openTrace();
    QWidget *showTraceFile(const QString &path);
    // Open Folder: the session traces' folder in the desktop's file manager;
    // where there is none, a message says where the folder is.
    void openTraceFolder();
    // What opens a folder (by default the desktop's file manager); false when
    // nothing did. Never empty.
    using FolderOpener = std::function<bool(const QUrl &)>;
    void setFolderOpener(FolderOpener opener) { m_openFolder = std::move(opener); }

private:
    void setSessionTrace(bool on);
    void showSessionPath();

    TrafficLog &m_log;
    Trace &m_trace;
    Prompter &m_prompter;
    LineActivity &m_activity;
    Remembered *m_remembered;  // never null
    TraceTimes m_times = TraceTimes::Absolute;
    QCheckBox *m_record = nullptr;
    QCheckBox *m_decoded = nullptr;
    QCheckBox *m_sessionCheck = nullptr;
    QLabel *m_sessionPath = nullptr;
    QLineEdit *m_remark = nullptr;
    QStackedWidget *m_views = nullptr;
    SessionTrace *m_session = nullptr;
    FolderOpener m_openFolder = &QDesktopServices::openUrl;
};

}  // namespace mdq
