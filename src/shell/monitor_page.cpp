#include "shell/monitor_page.h"

#include "link/line_activity.h"
#include "link/trace.h"
#include "link/traffic_log.h"
#include "platform/prompter.h"
#include "shell/line_source.h"
#include "shell/log_file.h"
#include "shell/log_view.h"
#include "shell/session_trace.h"
#include "ui/remembered.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace mdq {

namespace {
// Rows read from a file, for a window of their own.
class RowLines : public LineSource
{
public:
    RowLines(QList<TraceRow> rows, TraceTimes times, QObject *parent)
        : LineSource(parent), m_rows(std::move(rows)), m_times(times)
    {
        for (const TraceRow &r : m_rows) {
            if (r.timeMs) {
                m_first = *r.timeMs;
                break;
            }
        }
        for (const TraceRow &r : m_rows)
            m_columns.time = qMax(m_columns.time, int(traceTime(r, m_times, m_first).size()));
        m_columns.summary = 64;
    }
    int lineCount() const override { return int(m_rows.size()); }
    QString line(int i) const override
    {
        if (i < 0 || i >= lineCount())
            return QString();
        const QString text = traceLine(m_rows[i], m_times, m_first, m_columns);
        m_longest = qMax(m_longest, int(text.size()));
        return text;
    }
    int longestLine() const override { return m_longest; }

private:
    QList<TraceRow> m_rows;
    TraceTimes m_times;
    qint64 m_first = 0;
    TraceColumns m_columns;
    mutable int m_longest = 0;
};

}  // namespace

MonitorPage::MonitorPage(TrafficLog &log, Trace &trace, Prompter &prompter, LineActivity &activity, Remembered &remembered,
                         QWidget *parent)
    : QWidget(parent), m_log(log), m_trace(trace), m_prompter(prompter), m_activity(activity), m_remembered(&remembered)
{
    m_session = new SessionTrace(trace, this);
    auto *layout = new QVBoxLayout(this);

    auto *row = new QHBoxLayout;
    auto *clear = makeButton(this, QStringLiteral("ClearSDTDText"), QStringLiteral("Clear Data"));
    m_record = new QCheckBox(QStringLiteral("Record Data"), this);
    m_record->setObjectName(QStringLiteral("CheckRecord"));
    m_record->setChecked(false);
    auto *save = makeButton(this, QStringLiteral("SaveSDTDText"), QStringLiteral("Save To"));
    m_decoded = new QCheckBox(QStringLiteral("Decoded"), this);
    m_decoded->setObjectName(QStringLiteral("CheckDecoded"));
    m_decoded->setToolTip(QStringLiteral("Show each frame's time and meaning instead of the raw log"));
    auto *exportButton = makeButton(this, QStringLiteral("ExportTraceBtn"), QStringLiteral("Export Trace"));
    exportButton->setToolTip(QStringLiteral("Write the decoded trace to a .txt (aligned text) or .jsonl (JSON Lines) file"));
    auto *open = makeButton(this, QStringLiteral("OpenTraceBtn"), QStringLiteral("Open Trace..."));
    open->setToolTip(QStringLiteral("Read a saved log or an exported trace, decoded"));
    row->addWidget(clear);
    row->addWidget(m_record);
    row->addWidget(save);
    row->addSpacing(12);
    row->addWidget(m_decoded);
    row->addWidget(exportButton);
    row->addWidget(open);
    row->addStretch(1);
    layout->addLayout(row);

    auto *remarkRow = new QHBoxLayout;
    m_remark = new QLineEdit(this);
    m_remark->setObjectName(QStringLiteral("TraceRemark"));
    m_remark->setPlaceholderText(QStringLiteral("A remark for the trace, e.g. \"card inserted by hand\""));
    m_remark->setAccessibleName(QStringLiteral("Remark"));
    auto *remarkButton = makeButton(this, QStringLiteral("AddRemarkBtn"), QStringLiteral("Add Remark"));
    remarkRow->addWidget(m_remark, 1);
    remarkRow->addWidget(remarkButton);
    layout->addLayout(remarkRow);

    auto *sessionRow = new QHBoxLayout;
    m_sessionCheck = new QCheckBox(QStringLiteral("Session trace file"), this);
    m_sessionCheck->setObjectName(QStringLiteral("CheckSessionTrace"));
    m_sessionCheck->setToolTip(QStringLiteral("Write every row to a file as it happens; the file is whole even after a crash"));
    m_sessionPath = new QLabel(this);
    m_sessionPath->setObjectName(QStringLiteral("SessionTracePath"));
    m_sessionPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *openFolder = makeButton(this, QStringLiteral("OpenTraceFolderBtn"), QStringLiteral("Open Folder"));
    sessionRow->addWidget(m_sessionCheck);
    sessionRow->addWidget(m_sessionPath, 1);
    sessionRow->addWidget(openFolder);
    layout->addLayout(sessionRow);
    showSessionPath();

    m_views = new QStackedWidget(this);
    m_views->setObjectName(QStringLiteral("MonitorViews"));
    auto *raw = new LogView(log, m_views);
    raw->setObjectName(QStringLiteral("SDTDText"));
    auto *decodedPage = new QWidget(m_views);
    auto *decodedLayout = new QVBoxLayout(decodedPage);
    decodedLayout->setContentsMargins(0, 0, 0, 0);
    decodedLayout->setSpacing(0);
    auto *lines = new TraceLines(trace, decodedPage);
    auto *traceView = new LogView(*lines, decodedPage);
    traceView->setObjectName(QStringLiteral("TraceView"));
    traceView->setAccessibleName(QStringLiteral("Decoded trace"));
    traceView->setHeading(TraceLines::headings());
    decodedLayout->addWidget(traceView, 1);
    m_views->addWidget(raw);
    m_views->addWidget(decodedPage);
    layout->addWidget(m_views, 1);

    connect(clear, &QPushButton::clicked, &m_log, &TrafficLog::clear);
    connect(save, &QPushButton::clicked, this, [this] { saveTrafficLog(m_prompter, m_log.text(), *m_remembered); });
    connect(m_decoded, &QCheckBox::toggled, this, [this](bool on) { m_views->setCurrentIndex(on ? 1 : 0); });
    connect(exportButton, &QPushButton::clicked, this, &MonitorPage::exportTrace);
    connect(open, &QPushButton::clicked, this, &MonitorPage::openTrace);
    connect(remarkButton, &QPushButton::clicked, this, [this] { this->addRemark(QString()); });
    connect(m_remark, &QLineEdit::returnPressed, this, [this] { this->addRemark(QString()); });
    connect(m_sessionCheck, &QCheckBox::toggled, this, &MonitorPage::setSessionTrace);
    connect(openFolder, &QPushButton::clicked, this, &MonitorPage::openTraceFolder);
    connect(m_session, &SessionTrace::failed, this, [this](const QString &why) {
        m_sessionCheck->setChecked(false);
        m_prompter.message(Icon::Exclamation, QStringLiteral("Session trace"),
                           QStringLiteral("The session trace file could not be written and was closed:\r\n%1").arg(why));
    });
}

MonitorPage::~MonitorPage() = default;

void MonitorPage::setRemembered(Remembered &remembered)
{
    m_remembered = &remembered;
    if (remembered.value(remembered::SessionTraceFile).toBool())
        m_sessionCheck->setChecked(true);
}

void MonitorPage::addRemark(const QString &text)
{
    const QString remark = (text.isEmpty() ? m_remark->text() : text).trimmed();
    if (remark.isEmpty())
        return;
    m_trace.note(remark);
    if (text.isEmpty())
        m_remark->clear();
}

void MonitorPage::setSessionTrace(bool on)
{
    if (on && !m_session->start()) {
        const QSignalBlocker quiet(m_sessionCheck);
        m_sessionCheck->setChecked(false);
        m_prompter.message(Icon::Exclamation, QStringLiteral("Session trace"),
                           QStringLiteral("The session trace file cannot be written:\r\n%1").arg(m_session->errorText()));
        on = false;
    } else if (!on) {
        m_session->stop();
    }
    m_remembered->setValue(remembered::SessionTraceFile, on);
    showSessionPath();
}

void MonitorPage::showSessionPath()
{
    const QString shown = m_session->isOn() ? m_session->path() : SessionTrace::folder();
    m_sessionPath->setText(QDir::toNativeSeparators(shown));
    m_sessionPath->setToolTip(m_session->isOn() ? QStringLiteral("Every row is written to this file as it happens")
                                                : QStringLiteral("Session trace files go to this folder"));
}

QString MonitorPage::exportTo(const QString &path) const
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("txt") && suffix != QLatin1String("jsonl"))
        return QStringLiteral("%1: the name must end in .txt (text) or .jsonl (JSON Lines)").arg(QDir::toNativeSeparators(path));
    const QList<TraceRow> rows = m_trace.rows();
    const QString text = suffix == QLatin1String("txt") ? traceText(rows, m_times) : traceJsonLines(rows, m_times);
    return writeFileSafely(path, text.toUtf8());
}

void MonitorPage::exportTrace()
{
    SaveDialogRequest request;
    request.title = QStringLiteral("Export Trace");
    request.filterName = QStringLiteral("Traces");
    request.filterPattern = QStringLiteral("*.jsonl *.txt");
    request.defaultExtension = QStringLiteral("jsonl");
    request.initialDirectory = m_remembered->text(remembered::TraceFolder);
    if (request.initialDirectory.isEmpty() || !QFileInfo(request.initialDirectory).isDir())
        request.initialDirectory = QDir::homePath();
    request.proposedName = QDateTime::currentDateTime().toString(QStringLiteral("'qtest820-trace-'yyyyMMdd-HHmmss'.jsonl'"));
    const auto target = m_prompter.askSaveFile(request);
    if (!target)
        return;
    const QString error = exportTo(target->fullPath);
    if (!error.isEmpty()) {
        m_prompter.message(Icon::Exclamation, QStringLiteral("Export Trace"), error);
        return;
    }
    m_remembered->setValue(remembered::TraceFolder, QFileInfo(target->fullPath).absolutePath());
    m_activity.report(QStringLiteral("Trace exported: %1 rows to %2").arg(m_trace.size()).arg(QDir::toNativeSeparators(target->fullPath)));
}

void MonitorPage::openTraceFolder()
{
    const QString folder = SessionTrace::folder();
    if (!QDir().mkpath(folder)) {
        m_prompter.message(Icon::Exclamation, QStringLiteral("Session trace"),
                           QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(folder);
    if (!m_openFolder(url))
        m_prompter.message(Icon::Information, QStringLiteral("Session trace"),
                           QStringLiteral("No program to show folders was found here. The session traces are kept in:\r\n%1")
                               .arg(QDir::toNativeSeparators(folder)));
}

void MonitorPage::openTrace()
{
    OpenDialogRequest request;
    request.title = QStringLiteral("Open Trace");
    request.filter = QStringLiteral("Traces and logs (*.jsonl *.txt *.TXT);;All files (*)");
    request.initialDirectory = SessionTrace::folder();
    if (const auto path = m_prompter.askOpenFile(request))
        showTraceFile(*path);
}

QWidget *MonitorPage::showTraceFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        m_prompter.message(Icon::Exclamation, QStringLiteral("Open Trace"),
                           QStringLiteral("%1 cannot be read: %2")
                               .arg(QDir::toNativeSeparators(path),
                                    QFileInfo(path).isFile() ? file.errorString() : QStringLiteral("not a file")));
        return nullptr;
    }
    const TraceParse parse = parseTraceFile(QString::fromUtf8(file.readAll()));
    auto *dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("TraceFileWindow"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Trace: %1").arg(QFileInfo(path).fileName()));
    auto *layout = new QVBoxLayout(dialog);
    auto *lines = new RowLines(parse.rows, parse.relativeTimes ? TraceTimes::Stable : TraceTimes::Absolute, dialog);
    auto *view = new LogView(*lines, dialog);
    view->setObjectName(QStringLiteral("TraceFileView"));
    view->setAccessibleName(QStringLiteral("Decoded trace of %1").arg(QFileInfo(path).fileName()));
    layout->addWidget(new QLabel(QStringLiteral("%1 rows from %2").arg(parse.rows.size()).arg(QDir::toNativeSeparators(path)), dialog));
    layout->addWidget(view, 1);
    if (!parse.problems.isEmpty()) {
        auto *problems = new QPlainTextEdit(dialog);
        problems->setObjectName(QStringLiteral("TraceFileProblems"));
        problems->setReadOnly(true);
        problems->setMaximumHeight(problems->fontMetrics().lineSpacing() * 5 + 12);
        QStringList text;
        for (const TraceProblem &p : parse.problems)
            text << QStringLiteral("line %1: %2").arg(p.line).arg(p.text);
        problems->setPlainText(text.join(QLatin1Char('\n')));
        layout->addWidget(new QLabel(QStringLiteral("%1 lines could not be read:").arg(parse.problems.size()), dialog));
        layout->addWidget(problems);
    }
    dialog->resize(900, 500);
    dialog->show();
    return dialog;
}

}  // namespace mdq
