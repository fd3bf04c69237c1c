#pragma once
// Runs a script of steps against the real windows and handlers (offscreen),
// printing a transcript. Steps, one per line (blank lines and # comments skipped):
//   set NAME VALUE | select NAME INDEX | check NAME | uncheck NAME
//   type NAME TEXT | key NAME KEY | click NAME | answer OK|Cancel
//   save-as PATH|cancel | print NAME | focus | sleep MS | sim WORDS...
// Names: NAME, NAME(INDEX) for control arrays, WINDOW.NAME to name the window.

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

    // Starts stepping from the event loop; finished() carries the exit code.
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
};

// The printed name of a control: NAME or NAME(INDEX).
QString controlDisplayName(const QWidget *w);
// The value `print` shows for a control.
QString controlValue(const QWidget *w, const ReaderMain &main);

}  // namespace mdq
