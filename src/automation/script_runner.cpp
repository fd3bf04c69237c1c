#include "automation/script_runner.h"

#include "automation/real_input.h"
#include "automation/script_checks.h"
#include "automation/script_prompter.h"
#include "automation/transcript.h"
#include "shell/reader_main.h"
#include "ui/widgets.h"
#include "link/execute_command.h"
#include "link/line_activity.h"
#include "link/traffic_log.h"
#include "ui/status_bar.h"
#include "link/frame.h"
#include "link/trace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>

namespace mdq {

namespace {
struct ParsedName
{
    QString window;
    QString name;
    int index = -1;
    bool ok = false;
};

ParsedName parseName(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(R"(^(?:([A-Za-z_][A-Za-z0-9_]*)\.)?([A-Za-z_][A-Za-z0-9_]*)(?:\((\d+)\))?$)"));
    const auto m = re.match(text);
    ParsedName p;
    if (!m.hasMatch())
        return p;
    p.window = m.captured(1);
    p.name = m.captured(2);
    p.index = m.captured(3).isEmpty() ? -1 : m.captured(3).toInt();
    p.ok = true;
    return p;
}

QWidget *findIn(QWidget *root, const QString &name, int index)
{
    if (!root)
        return nullptr;
    QList<QWidget *> candidates = root->findChildren<QWidget *>(name);
    if (root->objectName() == name)
        candidates.prepend(root);
    for (QWidget *w : candidates)
        if (controlIndex(w) == index)
            return w;
    return nullptr;
}

struct KeySpec
{
    const char *word;
    Qt::Key key;
    const char *text;
};
constexpr KeySpec kKeys[] = {
    {"Enter", Qt::Key_Return, "\r"}, {"Escape", Qt::Key_Escape, "\x1b"}, {"Left", Qt::Key_Left, ""},
    {"Right", Qt::Key_Right, ""},    {"Tab", Qt::Key_Tab, "\t"},         {"Backspace", Qt::Key_Backspace, "\b"},
    {"Delete", Qt::Key_Delete, "\x7f"},
};

Qt::Key keyForChar(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || u == ' ')
        return Qt::Key(u);
    return Qt::Key_unknown;
}

void sendKey(Qt::Key key, const QString &text)
{
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QWidget *target = QApplication::focusWidget();
        if (!target)
            return;
        QKeyEvent ev(type, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &ev);
    }
}
}  // namespace

QString controlDisplayName(const QWidget *w)
{
    if (!w)
        return QString();
    const int index = controlIndex(w);
    return index >= 0 ? QStringLiteral("%1(%2)").arg(w->objectName()).arg(index) : w->objectName();
}

QString controlValue(const QWidget *w, const ReaderMain &main)
{
    if (w->objectName() == QLatin1String("SDTDText"))
        return const_cast<ReaderMain &>(main).log().text();
    if (auto *bar = qobject_cast<const StatusBar *>(w))
        return bar->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *e = qobject_cast<const QPlainTextEdit *>(w))
        return e->toPlainText();
    if (auto *e = qobject_cast<const QTextEdit *>(w))
        return e->toPlainText();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (qobject_cast<const QCheckBox *>(w) || qobject_cast<const QRadioButton *>(w))
        return static_cast<const QAbstractButton *>(w)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto *t = qobject_cast<const QTabWidget *>(w))
        return QString::number(t->currentIndex());
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    return QString();
}

ScriptRunner::ScriptRunner(ReaderMain &main, ScriptPrompter &prompter, Transcript &transcript, QStringList lines,
                           QObject *parent)
    : QObject(parent), m_main(main), m_prompter(prompter), m_transcript(transcript), m_lines(std::move(lines))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScriptRunner::tick);
    qApp->installEventFilter(this);
    // Once finished, modal windows still open are closed (muted), so whoever
    // waits for finished() gets control back.
    m_finisher.setInterval(10);
    connect(&m_finisher, &QTimer::timeout, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    // What the checks look at: the messages, requests and replies of the last step.
    m_prompter.setMessageObserver([this](Icon icon, const QString &title, const QString &text) {
        m_shown.append({iconWord(icon), title, text});
    });
    // The frames each way, for expect-frame and expect-reply, as the trace records them.
    connect(&m_main.trace(), &Trace::rowAdded, this, [this](int row) {
        const QByteArray bytes = m_main.trace().lineBytes(row);
        if (bytes.size() >= 4 && quint8(bytes[0]) == STX)
            (m_main.trace().fromHost(row) ? m_requests : m_replies).append(bytes);
    });
    m_transcript.setObserver([this](const QString &line) {
        if (m_case >= 0 && !m_done)
            m_cases[m_case].transcript.append(line);
    });
    static const QRegularExpression caseLine(QStringLiteral("^\\s*case\\s+(\\S.*?)\\s*$"));
    for (int i = 0; i < m_lines.size(); ++i)
        if (const auto m = caseLine.match(m_lines.at(i)); m.hasMatch())
            m_caseLines.append({i, m.captured(1)});
}

ScriptRunner::~ScriptRunner()
{
    m_transcript.setObserver({});
    m_prompter.setMessageObserver({});
    m_finisher.stop();
    if (qApp)
        qApp->removeEventFilter(this);
}

void ScriptRunner::start()
{
    // A transcript another runner finished with was muted; this run speaks.
    m_transcript.unmute();
    const QString malformed = validate();
    if (!malformed.isEmpty()) {
        m_errorLine = malformed;
        m_transcript.line(malformed);
        finish(2);
        return;
    }
    m_timer.start(0);
}

void ScriptRunner::finish(int code)
{
    if (m_done)
        return;
    if (code == 0 && m_anyFailed)
        code = 3;
    endCase();
    // Cases never reached are reported as such.
    for (const auto &[index, name] : m_caseLines) {
        if (index < m_next && code != 2)
            continue;
        CaseRecord skipped;
        skipped.name = name;
        skipped.line = index + 1;
        skipped.outcome = Outcome::Skipped;
        skipped.message = QStringLiteral("not run");
        m_cases.append(skipped);
    }
    m_done = true;
    m_exitCode = code;
    m_timer.stop();
    // Windows still open are closed without further lines.
    m_transcript.mute();
    m_finisher.start();
    Q_EMIT finished(code);
}

bool ScriptRunner::eventFilter(QObject *watched, QEvent *event)
{
    // Headless, nobody sees the windows: painting them is work for nothing
    // (a station runs several of these at once). A window paints when it is
    // exposed and when it takes its pending updates; neither is let through,
    // so nothing is drawn, not even the backgrounds. With --show they paint.
    if (!m_show) {
        switch (event->type()) {
        case QEvent::Paint:
        case QEvent::Expose:
        case QEvent::UpdateRequest:
            return true;
        default:
            break;
        }
    }
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        // A real message box (--show) stands for a message line, already printed.
        if (w->isWindow() && w != &m_main && !w->objectName().isEmpty() && !qobject_cast<QMessageBox *>(w)
            && !isNeverBlocked(w) && (w->windowType() == Qt::Dialog || w->windowType() == Qt::Window)) {
            m_transcript.line((event->type() == QEvent::Show ? QStringLiteral("window ") : QStringLiteral("closed "))
                              + w->objectName());
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScriptRunner::tick()
{
    if (m_done)
        return;
    // Never start a step during an exchange, nor inside a step that is still
    // running, unless that step is waiting on a modal window it opened.
    if (exchangeInProgress() || m_prompter.isShowingBox() || (m_depth > 0 && !QApplication::activeModalWidget())) {
        m_timer.start(1);
        return;
    }
    if (m_next >= m_lines.size()) {
        finish(0);
        return;
    }
    // A window system gives the activation back to the main window when a
    // modal one closes; the offscreen one does not, so do it here: focus
    // then follows the operator's steps as it would on screen.
    if (!QApplication::activeModalWidget() && QApplication::activeWindow() != &m_main && m_main.isVisible())
        QApplication::setActiveWindow(&m_main);
    const int lineNumber = m_next + 1;
    const QString line = m_lines.at(m_next++);
    m_sleepMs = 0;
    // Armed before the step: if it opens a modal window, the following steps
    // run inside that window's event loop.
    m_timer.start(0);
    ++m_depth;
    runStep(lineNumber, line);
    --m_depth;
    if (!m_done)
        m_timer.start(qMax(m_sleepMs, m_show ? m_stepDelayMs : 0));
}

void ScriptRunner::fail(int lineNumber, const QString &reason)
{
    const QString line = QStringLiteral("error %1: %2").arg(lineNumber).arg(reason);
    m_errorLine = line;
    m_transcript.line(line);
    if (m_case >= 0) {
        CaseRecord &c = m_cases[m_case];
        c.outcome = Outcome::Error;
        c.message = line;
        if (!c.steps.isEmpty() && c.steps.last().line == lineNumber)
            c.steps.last().detail = reason;
    }
    finish(1);
}

QWidget *ScriptRunner::findControl(const QString &text, QString *error) const
{
    const ParsedName p = parseName(text);
    if (!p.ok) {
        *error = QStringLiteral("bad control name '%1'").arg(text);
        return nullptr;
    }
    QWidget *found = nullptr;
    if (!p.window.isEmpty()) {
        QWidget *window = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == p.window && (top->isVisible() || !window))
                window = top;
        if (!window) {
            *error = QStringLiteral("no window %1").arg(p.window);
            return nullptr;
        }
        found = findIn(window, p.name, p.index);
    } else {
        found = findIn(QApplication::activeModalWidget(), p.name, p.index);
        if (!found)
            found = findIn(&m_main, p.name, p.index);
    }
    if (!found)
        *error = QStringLiteral("no control %1").arg(text);
    return found;
}

QWidget *ScriptRunner::windowInTheWay(QWidget *w) const
{
    // The bench window is never blocked by the tool's modal windows.
    QWidget *modal = QApplication::activeModalWidget();
    return modal && w->window() != modal && !isNeverBlocked(w->window()) ? modal : nullptr;
}

void ScriptRunner::bringToFront(QWidget *w)
{
    bringIntoView(w);
    QWidget *window = w->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    w->setFocus(Qt::OtherFocusReason);
}

namespace {
using Error = QString;  // empty: the step was carried out
Error noError() { return QString(); }
}  // namespace

// One verb of the script language: its word and what it does.
struct ScriptRunner::Verb
{
    const char *word;
    Error (ScriptRunner::*run)(const Step &step);
    bool onControl;  // the step names a control, found before run is called
};

const ScriptRunner::Verb ScriptRunner::kVerbs[] = {
    {"set", &ScriptRunner::stepSet, true},        {"select", &ScriptRunner::stepSelect, true},
    {"check", &ScriptRunner::stepCheck, true},    {"uncheck", &ScriptRunner::stepCheck, true},
    {"click", &ScriptRunner::stepClick, true},    {"type", &ScriptRunner::stepKeys, true},
    {"key", &ScriptRunner::stepKeys, true},       {"answer", &ScriptRunner::stepAnswer, false},
    {"save-as", &ScriptRunner::stepSaveAs, false}, {"print", &ScriptRunner::stepPrint, true},
    {"focus", &ScriptRunner::stepFocus, false},   {"sleep", &ScriptRunner::stepSleep, false},
    {"sim", &ScriptRunner::stepSim, false},       {"open-file", &ScriptRunner::stepSaveAs, false},
    {"note", &ScriptRunner::stepNote, false},
    {"case", &ScriptRunner::stepCase, false},
    {"expect", &ScriptRunner::stepExpect, true},
    {"expect-message", &ScriptRunner::stepExpectMessage, false},
    {"expect-no-message", &ScriptRunner::stepExpectNoMessage, false},
    {"expect-frame", &ScriptRunner::stepExpectBytes, false},
    {"expect-reply", &ScriptRunner::stepExpectBytes, false},
    {"set-var", &ScriptRunner::stepSetVar, false},
    {"skip-unless", &ScriptRunner::stepSkipUnless, false},
};

namespace {
bool isCheckVerb(const QString &verb) { return verb.startsWith(QLatin1String("expect")) || verb == QLatin1String("skip-unless"); }
// Steps that neither act on the reader nor the windows: the checks still see
// what the step before them did.
bool keepsLastStep(const QString &verb)
{
    return isCheckVerb(verb) || verb == QLatin1String("case") || verb == QLatin1String("set-var");
}
}  // namespace

void ScriptRunner::runStep(int lineNumber, const QString &rawLine)
{
    QString line = rawLine;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
        return;
    m_lineNumber = lineNumber;
    // Steps before the first case belong to "setup".
    if (m_case < 0 && !line.trimmed().startsWith(QLatin1String("case ")))
        beginCase(QStringLiteral("setup"), 0);
    QString substituteError;
    if (!substitute(&line, &substituteError)) {
        fail(lineNumber, substituteError);
        return;
    }
    // Leading blanks are allowed; after the verb and the name the rest is the value, blanks kept.
    Step step;
    const QString body = line.mid(line.indexOf(QRegularExpression(QStringLiteral("\\S"))));
    const int verbEnd = body.indexOf(QLatin1Char(' '));
    step.verb = verbEnd < 0 ? body : body.left(verbEnd);
    step.rest = verbEnd < 0 ? QString() : body.mid(verbEnd + 1);
    const int nameEnd = step.rest.indexOf(QLatin1Char(' '));
    step.name = nameEnd < 0 ? step.rest : step.rest.left(nameEnd);
    step.value = nameEnd < 0 ? QString() : step.rest.mid(nameEnd + 1);

    // The record: checks apart from the steps; a step that acts starts afresh
    // what the checks after it look at.
    int recorded = -1;
    const int caseIndex = m_case;
    if (step.verb != QLatin1String("case") && m_case >= 0) {
        StepRecord r;
        r.line = lineNumber;
        r.text = body;
        r.check = isCheckVerb(step.verb);
        m_cases[m_case].steps.append(r);
        recorded = int(m_cases[m_case].steps.size()) - 1;
    }
    if (!keepsLastStep(step.verb)) {
        m_shown.clear();
        m_shownChecked = 0;
        m_requests.clear();
        m_replies.clear();
    }
    QElapsedTimer clock;
    clock.start();
    m_checkPassed = true;
    m_checkDetail.clear();

    for (const Verb &verb : kVerbs) {
        if (step.verb == QLatin1String(verb.word)) {
            Error error;
            if (verb.onControl)
                step.control = control(step, &error);
            if (error.isEmpty())
                error = (this->*verb.run)(step);
            // A step that opened a modal window ran the checks inside it: their
            // result is theirs, not this step's.
            const bool checkFailed = isCheckVerb(step.verb) && !m_checkPassed;
            if (recorded >= 0 && caseIndex < m_cases.size()) {
                StepRecord &r = m_cases[caseIndex].steps[recorded];
                r.ms = clock.nsecsElapsed() / 1e6;
                r.passed = !checkFailed;
                if (checkFailed)
                    r.detail = m_checkDetail;
            }
            if (!error.isEmpty())
                fail(lineNumber, error);
            else if (checkFailed)
                checked(false, m_checkDetail);
            return;
        }
    }
    fail(lineNumber, QStringLiteral("unknown step '%1'").arg(step.verb));
}

bool ScriptRunner::substitute(QString *line, QString *error) const
{
    static const QRegularExpression var(QStringLiteral("\\$\\{([A-Za-z_][A-Za-z0-9_]*)\\}"));
    QString out;
    int from = 0;
    for (auto it = var.globalMatch(*line); it.hasNext();) {
        const auto m = it.next();
        if (!m_vars.contains(m.captured(1))) {
            *error = QStringLiteral("no variable %1 (set-var sets one)").arg(m.captured(1));
            return false;
        }
        out += line->mid(from, m.capturedStart() - from) + m_vars.value(m.captured(1));
        from = m.capturedEnd();
    }
    *line = out + line->mid(from);
    return true;
}

QWidget *ScriptRunner::control(const Step &step, QString *error) const
{
    if (step.name.isEmpty()) {
        *error = QStringLiteral("%1 needs a control name").arg(step.verb);
        return nullptr;
    }
    QWidget *w = findControl(step.name, error);
    // A person cannot reach a control behind a modal window; only `print`
    // and the steps that read values may read one.
    if (w && step.verb != QLatin1String("print") && step.verb != QLatin1String("expect")) {
        if (QWidget *modal = windowInTheWay(w)) {
            *error = QStringLiteral("%1 is behind the modal window %2").arg(step.name, modal->objectName());
            return nullptr;
        }
    }
    return w;
}

QString ScriptRunner::stepSet(const Step &step)
{
    QWidget *w = step.control;
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(step.value);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (c->isEditable()) {
            c->setEditText(step.value);
        } else {
            const int i = c->findText(step.value, Qt::MatchExactly);
            if (i < 0)
                return QStringLiteral("%1 has no item '%2'").arg(step.name, step.value);
            c->setCurrentIndex(i);
        }
    } else if (auto *p = qobject_cast<QPlainTextEdit *>(w)) {
        p->setPlainText(step.value);
    } else {
        return QStringLiteral("%1 takes no text").arg(step.name);
    }
    return noError();
}

QString ScriptRunner::stepSelect(const Step &step)
{
    QWidget *w = step.control;
    bool ok = false;
    const int index = step.value.trimmed().toInt(&ok);
    if (!ok)
        return QStringLiteral("select needs an index");
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (index < -1 || index >= c->count())
            return QStringLiteral("%1 has no index %2").arg(step.name).arg(index);
        c->setCurrentIndex(index);
    } else if (auto *t = qobject_cast<QTabWidget *>(w)) {
        if (index < 0 || index >= t->count())
            return QStringLiteral("%1 has no page %2").arg(step.name).arg(index);
        t->setCurrentIndex(index);
    } else {
        return QStringLiteral("%1 is not a combo box or tab control").arg(step.name);
    }
    return noError();
}

QString ScriptRunner::stepCheck(const Step &step)
{
    QWidget *w = step.control;
    auto *b = qobject_cast<QAbstractButton *>(w);
    if (!b || !b->isCheckable())
        return QStringLiteral("%1 is not a check box or option button").arg(step.name);
    const bool check = step.verb == QLatin1String("check");
    if (!check && qobject_cast<QRadioButton *>(w))
        return QStringLiteral("an option button is unchecked by checking another");
    b->setChecked(check);
    return noError();
}

QString ScriptRunner::stepClick(const Step &step)
{
    QWidget *w = step.control;
    if (!w->isEnabled())
        return QStringLiteral("%1 is disabled").arg(step.name);
    if (m_show) {
        bringToFront(w);
        realinput::click(w);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->click();
    } else if (!QMetaObject::invokeMethod(w, "click")) {
        return QStringLiteral("%1 cannot be clicked").arg(step.name);
    }
    return noError();
}

QString ScriptRunner::stepKeys(const Step &step)
{
    QWidget *w = step.control;
    bringToFront(w);
    // Typing goes key by key to the focused control in both modes: the cell
    // rows move the focus on as they fill, and window-level key events do not
    // yet follow that move the same way.
    if (step.verb == QLatin1String("type")) {
        for (const QChar c : step.value)
            sendKey(keyForChar(c), QString(c));
        return noError();
    }
    const QString word = step.value.trimmed();
    for (const auto &k : kKeys) {
        if (word == QLatin1String(k.word)) {
            if (m_show)
                realinput::key(w, k.key);
            else
                sendKey(k.key, QString::fromLatin1(k.text));
            return noError();
        }
    }
    return QStringLiteral("unknown key '%1'").arg(word);
}

QString ScriptRunner::stepAnswer(const Step &step)
{
    if (step.name == QLatin1String("OK"))
        m_prompter.queueAnswer(true);
    else if (step.name == QLatin1String("Cancel"))
        m_prompter.queueAnswer(false);
    else
        return QStringLiteral("answer takes OK or Cancel");
    return noError();
}

QString ScriptRunner::stepNote(const Step &step)
{
    if (step.rest.trimmed().isEmpty())
        return QStringLiteral("note needs a text");
    m_main.trace().note(step.rest.trimmed());
    return noError();
}

// Answers the next file dialog, to save or to open.
QString ScriptRunner::stepSaveAs(const Step &step)
{
    if (step.rest.isEmpty())
        return QStringLiteral("%1 needs a path or cancel").arg(step.verb);
    m_prompter.queueSaveAs(step.rest == QLatin1String("cancel") ? QString() : step.rest);
    return noError();
}

QString ScriptRunner::stepPrint(const Step &step)
{
    QWidget *w = step.control;
    m_transcript.line(QStringLiteral("value %1 \"%2\"")
                          .arg(controlDisplayName(w), escapeForTranscript(controlValue(w, m_main))));
    return noError();
}

QString ScriptRunner::stepFocus(const Step &)
{
    QWidget *w = QApplication::focusWidget();
    while (w && w->objectName().isEmpty())
        w = w->parentWidget();
    m_transcript.line(QStringLiteral("focus ") + (w ? controlDisplayName(w) : QString()));
    return noError();
}

QString ScriptRunner::stepSleep(const Step &step)
{
    bool ok = false;
    const int ms = step.name.toInt(&ok);
    if (!ok || ms < 0)
        return QStringLiteral("sleep needs milliseconds");
    m_sleepMs = ms;
    return noError();
}

QString ScriptRunner::stepSim(const Step &step)
{
    if (!m_sim)
        return QStringLiteral("no virtual reader (start with --simulate)");
    const QString answer = m_sim(step.rest);
    return answer.startsWith(QLatin1String("error")) ? answer : noError();
}

// --- Cases and checks -----------------------------------------------------

void ScriptRunner::beginCase(const QString &name, int line)
{
    endCase();
    CaseRecord c;
    c.name = name;
    c.line = line;
    m_cases.append(c);
    m_case = int(m_cases.size()) - 1;
    m_caseClock.start();
}

void ScriptRunner::endCase()
{
    if (m_case >= 0 && m_case < m_cases.size() && m_caseClock.isValid())
        m_cases[m_case].ms = m_caseClock.nsecsElapsed() / 1e6;
    m_caseClock.invalidate();
}

void ScriptRunner::skipRestOfCase()
{
    // The next case starts where a person would: no window of this one open.
    for (int guard = 0; guard < 8; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
    }
    int next = int(m_lines.size());
    for (const auto &entry : m_caseLines) {
        if (entry.first >= m_next) {
            next = entry.first;
            break;
        }
    }
    m_next = next;
}

void ScriptRunner::checked(bool passed, const QString &detail)
{
    if (passed)
        return;
    const QString line = QStringLiteral("fail %1: %2").arg(m_lineNumber).arg(detail);
    m_transcript.line(line);
    m_anyFailed = true;
    if (m_case >= 0) {
        CaseRecord &c = m_cases[m_case];
        if (c.outcome == Outcome::Pass) {
            c.outcome = Outcome::Fail;
            c.message = line;
        }
    }
    if (m_stopOnFail)
        finish(3);
    else
        skipRestOfCase();
}

QString ScriptRunner::stepCase(const Step &step)
{
    const QString name = step.rest.trimmed();
    if (name.isEmpty())
        return QStringLiteral("case needs a name");
    beginCase(name, m_lineNumber);
    m_transcript.line(QStringLiteral("case ") + name);
    return noError();
}

namespace {
// Sets what the runner reports for a check that did not pass.
QString bytesText(const QByteArray &bytes) { return hexSpaced(bytes).trimmed(); }
}  // namespace

QString ScriptRunner::stepExpect(const Step &step)
{
    QString error;
    const auto match = TextMatch::parse(step.value, &error);
    if (!match)
        return error;
    const QString value = controlValue(step.control, m_main);
    if (!match->matches(value)) {
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected %1 %2, got \"%3\"")
                            .arg(controlDisplayName(step.control), match->describe(), escapeForTranscript(value));
    }
    return noError();
}

QString ScriptRunner::stepExpectMessage(const Step &step)
{
    QString error;
    const auto match = MessageMatch::parse(step.rest, &error);
    if (!match)
        return error;
    if (m_shownChecked >= m_shown.size()) {
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected %1, got no message").arg(match->describe());
        return noError();
    }
    const Shown &shown = m_shown.at(m_shownChecked++);
    if (!match->matches(shown.icon, shown.title, shown.text)) {
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected %1, got %2")
                            .arg(match->describe(), describeMessage(shown.icon, shown.title, shown.text));
    }
    return noError();
}

QString ScriptRunner::stepExpectNoMessage(const Step &)
{
    if (!m_shown.isEmpty()) {
        const Shown &shown = m_shown.first();
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected no message, got %1").arg(describeMessage(shown.icon, shown.title, shown.text));
    }
    return noError();
}

QString ScriptRunner::stepExpectBytes(const Step &step)
{
    QString error;
    const auto pattern = BytePattern::parse(step.rest, &error);
    if (!pattern)
        return error;
    const bool frame = step.verb == QLatin1String("expect-frame");
    const QList<QByteArray> &seen = frame ? m_requests : m_replies;
    const QString what = frame ? QStringLiteral("frame") : QStringLiteral("reply");
    if (seen.isEmpty()) {
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected %1 %2, got no %1").arg(what, pattern->describe());
    } else if (!pattern->matches(seen.last())) {
        m_checkPassed = false;
        m_checkDetail = QStringLiteral("expected %1 %2, got %3").arg(what, pattern->describe(), bytesText(seen.last()));
    }
    return noError();
}

QString ScriptRunner::stepSetVar(const Step &step)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!name.match(step.name).hasMatch() || step.value.trimmed().isEmpty())
        return QStringLiteral("set-var takes a variable name and a control name");
    QString error;
    QWidget *w = findControl(step.value.trimmed(), &error);
    if (!w)
        return error;
    m_vars.insert(step.name, controlValue(w, m_main));
    return noError();
}

QString ScriptRunner::stepSkipUnless(const Step &step)
{
    // The condition is a check of its own; a miss skips the rest of the case.
    Step inner;
    inner.verb = step.name;
    inner.rest = step.value;
    const int nameEnd = inner.rest.indexOf(QLatin1Char(' '));
    inner.name = nameEnd < 0 ? inner.rest : inner.rest.left(nameEnd);
    inner.value = nameEnd < 0 ? QString() : inner.rest.mid(nameEnd + 1);
    for (const Verb &verb : kVerbs) {
        if (inner.verb == QLatin1String(verb.word) && inner.verb.startsWith(QLatin1String("expect"))) {
            Error error;
            if (verb.onControl)
                inner.control = control(inner, &error);
            if (error.isEmpty())
                error = (this->*verb.run)(inner);
            if (!error.isEmpty() || m_checkPassed)
                return error;
            m_checkPassed = true;  // a condition not met is no failure
            const QString why = QStringLiteral("skipped: %1").arg(m_checkDetail);
            m_transcript.line(QStringLiteral("skip %1: %2").arg(m_lineNumber).arg(m_checkDetail));
            if (m_case >= 0) {
                m_cases[m_case].outcome = Outcome::Skipped;
                m_cases[m_case].message = why;
            }
            m_checkDetail.clear();
            skipRestOfCase();
            return noError();
        }
    }
    return QStringLiteral("skip-unless takes a check (expect...)");
}

QString ScriptRunner::checkSyntax(const QString &verb, const QString &rest)
{
    QString error;
    const int blank = rest.indexOf(QLatin1Char(' '));
    const QString first = blank < 0 ? rest : rest.left(blank);
    const QString after = blank < 0 ? QString() : rest.mid(blank + 1);
    if (verb == QLatin1String("skip-unless")) {
        if (!first.startsWith(QLatin1String("expect")))
            return QStringLiteral("skip-unless takes a check (expect...)");
        return checkSyntax(first, after);
    }
    if (verb == QLatin1String("case") && rest.trimmed().isEmpty())
        return QStringLiteral("case needs a name");
    if (verb == QLatin1String("expect")) {
        if (first.isEmpty())
            return QStringLiteral("expect needs a control name");
        if (!TextMatch::parse(after, &error))
            return error;
    } else if (verb == QLatin1String("expect-message")) {
        if (!MessageMatch::parse(rest, &error))
            return error;
    } else if (verb == QLatin1String("expect-frame") || verb == QLatin1String("expect-reply")) {
        if (!BytePattern::parse(rest, &error))
            return error;
    } else if (verb == QLatin1String("expect-no-message")) {
        if (!rest.trimmed().isEmpty())
            return QStringLiteral("expect-no-message takes nothing");
    }
    return QString();
}

QString ScriptRunner::validate() const
{
    // Checks whose text holds a ${VAR} are checked when they run.
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString body = m_lines.at(i).trimmed();
        if (body.startsWith(QLatin1Char('#')) || body.contains(QLatin1String("${")))
            continue;
        const int blank = body.indexOf(QLatin1Char(' '));
        const QString verb = blank < 0 ? body : body.left(blank);
        if (!isCheckVerb(verb) && verb != QLatin1String("case"))
            continue;
        QString rest = blank < 0 ? QString() : m_lines.at(i).mid(m_lines.at(i).indexOf(verb) + verb.size() + 1);
        if (rest.endsWith(QLatin1Char('\r')))
            rest.chop(1);
        const QString error = checkSyntax(verb, rest);
        if (!error.isEmpty())
            return QStringLiteral("error %1: %2").arg(i + 1).arg(error);
    }
    return QString();
}

}  // namespace mdq
