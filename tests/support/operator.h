#pragma once
// A person at a real display (an X server): windows are shown, the real
// message boxes and dialogs open, and every click and key goes in as a real
// input event through the window system's path (QTest on a QWindow), so
// modality and the tool's input refusal apply exactly as they do for a person.
//
// Modal windows are answered by an Operator: queue what to do with each
// window as it opens, then trigger the action. A window that opens with no
// answer queued fails the test at once; one that does not close within a few
// seconds of being answered is reported as stuck. Either is then closed by
// force, so a test fails instead of hanging.

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

class QAbstractButton;

namespace mdqtest {

// Real input to a widget's window.
void realClick(QWidget *w);
void realKey(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Types Latin-1 text into the window that has w, key by key (to its focus widget).
void realType(QWidget *w, const QString &text);
// Waits (event loop running) until the widget's window is exposed.
bool waitExposed(QWidget *w, int ms = 5000);
// Runs the event loop until pred() or ms pass; returns pred().
bool waitFor(const std::function<bool()> &pred, int ms = 5000);

struct SeenWindow
{
    QString objectName;   // "MessageBox", "comportset", ...
    QString title;
    QString text;         // a message box's text
    int icon = 0;         // QMessageBox::Icon
    bool stuck = false;   // did not close after it was answered
};

class Operator : public QObject
{
public:
    using Act = std::function<void(QWidget *window)>;
    Operator();
    ~Operator() override;

    // What to do with the next modal window that opens. A window that must
    // close on that action is stuck when it does not; others (a settings
    // window that stays open after a failed test) are left alone.
    void then(Act act, bool mustClose = true) { m_queue.append({std::move(act), mustClose}); }
    // The common answers to a message box: a click on a button (by its text,
    // "OK" when empty) or a key (Enter, Escape).
    void clickButton(const QString &caption = QStringLiteral("OK"));
    void pressKey(Qt::Key key);

    // Every modal window seen, in order.
    QList<SeenWindow> seen() const { return m_seen; }
    int unanswered() const { return int(m_queue.size()); }
    bool anyStuck() const;
    // How long an answered window may stay open.
    int closeWithinMs = 3000;

private:
    void poll();
    QTimer m_timer;
    struct Step
    {
        Act act;
        bool mustClose;
    };
    QList<Step> m_queue;
    QList<SeenWindow> m_seen;
    QList<QPointer<QWidget>> m_handled;
    struct Pending
    {
        QPointer<QWidget> window;
        qint64 deadline;
        int index;
    };
    QList<Pending> m_pending;
};

QAbstractButton *buttonIn(QWidget *window, const QString &caption);

}  // namespace mdqtest
