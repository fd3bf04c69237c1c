#include "support/operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QWindow>
#include <QtTest/QTest>

namespace mdqtest {

namespace {
// Every Operator alive: a window that one of them has an answer for is not
// unanswered, whichever polls first.
QList<Operator *> &operators()
{
    static QList<Operator *> all;
    return all;
}

QWindow *handleOf(QWidget *w)
{
    QWidget *top = w->window();
    return top->windowHandle();
}
}  // namespace

void realClick(QWidget *w)
{
    QWindow *window = handleOf(w);
    if (!window)
        return;
    const QPoint at = w->mapTo(w->window(), w->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
}

void realKey(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QWindow *window = handleOf(w))
        QTest::keyClick(window, key, modifiers);
}

void realType(QWidget *w, const QString &text)
{
    if (QWindow *window = handleOf(w))
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1());
}

bool waitFor(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QTest::qWait(10);
    return pred();
}

bool waitExposed(QWidget *w, int ms)
{
    return waitFor([w] { return w->windowHandle() && w->windowHandle()->isExposed(); }, ms);
}

QAbstractButton *buttonIn(QWidget *window, const QString &caption)
{
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
        if (b->isVisible() && b->text().remove(QLatin1Char('&')) == caption)
            return b;
    return nullptr;
}

Operator::Operator()
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &Operator::poll);
    m_timer.start();
    operators().append(this);
}

Operator::~Operator()
{
    m_timer.stop();
    operators().removeOne(this);
}

void Operator::clickButton(const QString &caption)
{
    then([caption](QWidget *w) {
        if (QAbstractButton *b = buttonIn(w, caption))
            realClick(b);
    });
}

void Operator::pressKey(Qt::Key key)
{
    then([key](QWidget *w) {
        QWidget *target = w->focusWidget() ? w->focusWidget() : w;
        realKey(target, key);
    });
}

bool Operator::anyStuck() const
{
    for (const SeenWindow &s : m_seen)
        if (s.stuck)
            return true;
    return false;
}

void Operator::poll()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // Answered windows must go away; one that stays is stuck: note it and
    // close it by force so the test goes on (and fails).
    for (int i = 0; i < m_pending.size(); ++i) {
        Pending &p = m_pending[i];
        if (!p.window || !p.window->isVisible()) {
            m_pending.removeAt(i--);
        } else if (now > p.deadline) {
            m_seen[p.index].stuck = true;
            // Hidden, not closed: a window that refuses input may refuse a
            // close event too; hiding ends a dialog's exec() all the same.
            QPointer<QWidget> w = p.window;
            QTimer::singleShot(0, [w] {
                if (w)
                    w->hide();
            });
            m_pending.removeAt(i--);
        }
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || m_handled.contains(QPointer<QWidget>(modal)))
        return;
    if (!modal->windowHandle() || !modal->windowHandle()->isExposed())
        return;  // not on screen yet
    for (const Operator *o : operators()) {
        if (o == this)
            continue;
        if (o->m_handled.contains(QPointer<QWidget>(modal)))
            return m_handled.append(modal);  // another one answered it
        if (m_queue.isEmpty() && !o->m_queue.isEmpty())
            return;  // another one will
    }
    m_handled.append(modal);
    SeenWindow s;
    s.objectName = modal->objectName();
    s.title = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        s.text = box->text();
        s.icon = int(box->icon());
    }
    m_seen.append(s);
    if (m_queue.isEmpty()) {
        // Nobody said what to do: fail now and close it, never wait for the suite's limit.
        m_seen.last().stuck = true;
        for (Operator *o : operators())
            if (o != this)
                o->m_handled.append(modal);
        QTest::qFail(qPrintable(QStringLiteral("modal window %1 \"%2\" opened with no answer queued: %3")
                                    .arg(s.objectName, s.title, s.text)),
                     __FILE__, __LINE__);
        QPointer<QWidget> w(modal);
        QTimer::singleShot(0, [w] {
            if (w)
                w->hide();
        });
        return;
    }
    const Step step = m_queue.takeFirst();
    if (step.mustClose)
        m_pending.append({modal, now + closeWithinMs, int(m_seen.size() - 1)});
    QPointer<QWidget> target(modal);
    // Acted on from a fresh timer: the action may open nested windows whose
    // event loops must see this poll timer fire again.
    const Act act = step.act;
    QTimer::singleShot(0, modal, [act, target] {
        if (target)
            act(target);
    });
}

}  // namespace mdqtest
