#pragma once
// Runs a script of steps against the real windows and handlers (offscreen),
// printing a transcript. Steps, one per line (blank lines and # comments skipped):
//   set NAME VALUE | select NAME INDEX | check NAME | uncheck NAME
//   type NAME TEXT | key NAME KEY | click NAME | answer OK|Cancel
//   save-as PATH|cancel | print NAME | focus | sleep MS | sim WORDS...
// Test plans add cases and checks (see docs/station.md):
//   case NAME | expect NAME TEXT|~REGEX | expect-message ICON "TITLE" "TEXT"
//   expect-no-message | expect-frame HEX | expect-reply HEX | set-var VAR NAME
//   skip-unless CHECK; ${VAR} in any later step.
// Names: NAME, NAME(INDEX) for control arrays, WINDOW.NAME to name the window.

#include "automation/run_record.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

namespace mdq {

class ReaderMain;
class ScriptPrompter;
class Transcript;

class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    using SimControl = std::function<QString(const QString &)>;

    ScriptRunner(ReaderMain &main, ScriptPrompter &prompter, Transcript &transcript, QStringList lines,
                 QObject *parent = nullptr);
    ~ScriptRunner() override;

    // Passes `sim ...` steps to a virtual reader; without one they fail.
    void setSimControl(SimControl control) { m_sim = std::move(control); }

    // --show: steps act through real input events on the visible windows,
    // with at least stepDelayMs between steps.
    void setShowMode(int stepDelayMs)
    {
        m_show = true;
        m_stepDelayMs = stepDelayMs;
    }

    // A failed check ends its case; with this on, it ends the run.
    void setStopOnFail(bool on) { m_stopOnFail = on; }
    // A ${NAME} value known before the run (PORT, BAUD, ADDRESS).
    void setVariable(const QString &name, const QString &value) { m_vars.insert(name, value); }
    QString variable(const QString &name) const { return m_vars.value(name); }
    // A case carried out before the script's own (a station worker's connection).
    void addCase(const CaseRecord &record) { m_cases.append(record); }
    // Every case, once finished: those never reached are marked skipped.
    const QList<CaseRecord> &cases() const { return m_cases; }
    // The `error ...` line that ended the run, if one did.
    QString errorLine() const { return m_errorLine; }

    // Starts stepping from the event loop; finished() carries the exit code:
    // 0 all steps ran and all checks passed, 1 a step could not be carried
    // out, 2 a malformed check (found before anything runs), 3 a check failed.
    void start();
    bool isDone() const { return m_done; }
    int exitCode() const { return m_exitCode; }

    // Ends the run now (the program's "Exit" button).
    void finish(int code);

Q_SIGNALS:
    void finished(int code);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tick();
    // One line of the script: the verb, the rest of the line, and the rest
    // split into a control name and a value.
    struct Step
    {
        QString verb;
        QString rest;
        QString name;
        QString value;
        QWidget *control = nullptr;  // for the verbs that act on a control
    };
    struct Verb;
    static const Verb kVerbs[];

    void runStep(int lineNumber, const QString &line);
    QWidget *control(const Step &step, QString *error) const;
    // The verbs; each returns an error text, empty when the step was carried out.
    QString stepSet(const Step &step);
    QString stepSelect(const Step &step);
    QString stepCheck(const Step &step);
    QString stepClick(const Step &step);
    QString stepKeys(const Step &step);
    QString stepAnswer(const Step &step);
    QString stepSaveAs(const Step &step);
    QString stepNote(const Step &step);
    QString stepPrint(const Step &step);
    QString stepFocus(const Step &step);
    QString stepSleep(const Step &step);
    QString stepSim(const Step &step);
    QString stepCase(const Step &step);
    QString stepExpect(const Step &step);
    QString stepExpectMessage(const Step &step);
    QString stepExpectNoMessage(const Step &step);
    QString stepExpectBytes(const Step &step);
    QString stepSetVar(const Step &step);
    QString stepSkipUnless(const Step &step);
    // Checks report here: the outcome of the check (detail "expected ..., got ...").
    void checked(bool passed, const QString &detail);
    // A check step's syntax; empty when well formed.
    static QString checkSyntax(const QString &verb, const QString &rest);
    QString validate() const;
    void beginCase(const QString &name, int line);
    void endCase();
    // The rest of the current case is not run: its modal windows are closed.
    void skipRestOfCase();
    bool substitute(QString *line, QString *error) const;
    void fail(int lineNumber, const QString &reason);
    QWidget *findControl(const QString &name, QString *error) const;
    void bringToFront(QWidget *w);
    // The modal window a person would first have to deal with before reaching
    // w, or null.
    QWidget *windowInTheWay(QWidget *w) const;

    ReaderMain &m_main;
    ScriptPrompter &m_prompter;
    Transcript &m_transcript;
    QStringList m_lines;
    int m_next = 0;
    int m_exitCode = 0;
    bool m_done = false;
    int m_sleepMs = 0;
    int m_depth = 0;
    QTimer m_timer;
    QTimer m_finisher;
    SimControl m_sim;
    bool m_show = false;
    int m_stepDelayMs = 0;

    // What the last step that acted showed and sent, for the checks.
    struct Shown
    {
        QString icon, title, text;
    };
    QList<Shown> m_shown;
    int m_shownChecked = 0;
    QList<QByteArray> m_requests;
    QList<QByteArray> m_replies;
    int m_lineNumber = 0;
    // The check being run: its result, set by checked().
    bool m_checkPassed = true;
    QString m_checkDetail;

    QString m_errorLine;
    QHash<QString, QString> m_vars;
    bool m_stopOnFail = false;
    bool m_anyFailed = false;
    QList<CaseRecord> m_cases;
    int m_case = -1;  // index in m_cases of the case running, -1 none yet
    QElapsedTimer m_caseClock;
    QList<QPair<int, QString>> m_caseLines;  // (0-based line, name) of every `case` step
};

// The printed name of a control: NAME or NAME(INDEX).
QString controlDisplayName(const QWidget *w);
// The value `print` shows for a control.
QString controlValue(const QWidget *w, const ReaderMain &main);

}  // namespace mdq
