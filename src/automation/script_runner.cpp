#include "automation/script_runner.h"

#include "automation/real_input.h"
#include "automation/script_prompter.h"
#include "automation/transcript.h"
#include "shell/reader_main.h"
#include "ui/widgets.h"
#include "link/execute_command.h"
#include "link/traffic_log.h"
#include "ui/status_bar.h"

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
}

ScriptRunner::~ScriptRunner()
{
    m_finisher.stop();
    if (qApp)
        qApp->removeEventFilter(this);
}

void ScriptRunner::start()
{
    // A transcript another runner finished with was muted; this run speaks.
    m_transcript.unmute();
    m_timer.start(0);
}

void ScriptRunner::finish(int code)
{
    if (m_done)
        return;
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
    m_transcript.line(QStringLiteral("error %1: %2").arg(lineNumber).arg(reason));
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
};

void ScriptRunner::runStep(int lineNumber, const QString &rawLine)
{
    QString line = rawLine;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
        return;
    // Leading blanks are allowed; after the verb and the name the rest is the value, blanks kept.
    Step step;
    const QString body = line.mid(line.indexOf(QRegularExpression(QStringLiteral("\\S"))));
    const int verbEnd = body.indexOf(QLatin1Char(' '));
    step.verb = verbEnd < 0 ? body : body.left(verbEnd);
    step.rest = verbEnd < 0 ? QString() : body.mid(verbEnd + 1);
    const int nameEnd = step.rest.indexOf(QLatin1Char(' '));
    step.name = nameEnd < 0 ? step.rest : step.rest.left(nameEnd);
    step.value = nameEnd < 0 ? QString() : step.rest.mid(nameEnd + 1);

    for (const Verb &verb : kVerbs) {
        if (step.verb == QLatin1String(verb.word)) {
            Error error;
            if (verb.onControl)
                step.control = control(step, &error);
            if (error.isEmpty())
                error = (this->*verb.run)(step);
            if (!error.isEmpty())
                fail(lineNumber, error);
            return;
        }
    }
    fail(lineNumber, QStringLiteral("unknown step '%1'").arg(step.verb));
}

QWidget *ScriptRunner::control(const Step &step, QString *error) const
{
    if (step.name.isEmpty()) {
        *error = QStringLiteral("%1 needs a control name").arg(step.verb);
        return nullptr;
    }
    QWidget *w = findControl(step.name, error);
    // A person cannot reach a control behind a modal window; only `print`
    // may read one.
    if (w && step.verb != QLatin1String("print")) {
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

}  // namespace mdq
