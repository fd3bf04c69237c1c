#include "platform/line_busy.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace mdq {

namespace {
const char *const kNeverBlocked = "qtest820NeverBlocked";
const char *const kStopControl = "qtest820StopControl";

struct Scope
{
    std::function<void()> onStop;
    QPointer<QWidget> modalAtStart;  // the modal window the command was started from
};
std::vector<Scope> g_scopes;

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

bool getsThrough(const QWidget *w)
{
    const QWidget *window = w->window();
    if (window->property(kNeverBlocked).toBool())
        return true;
    for (const QWidget *p = w; p; p = p->parentWidget())
        if (p->property(kStopControl).toBool())
            return true;
    // A modal window that opened while the line was busy must take its input,
    // or it could never be closed.
    QWidget *modal = QApplication::activeModalWidget();
    return modal && window == modal && (g_scopes.empty() || modal != g_scopes.back().modalAtStart);
}

class InputRefuser : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (g_scopes.empty() || !isInput(event->type()))
            return false;
        // Window-level events go on to the widget level, where it is decided.
        if (watched->isWindowType())
            return false;
        if (auto *w = qobject_cast<QWidget *>(watched); w && getsThrough(w))
            return false;
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            LineBusy::requestStop();
        event->ignore();
        return true;
    }
};

void installRefuser()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    static InputRefuser *refuser = [app] {
        auto *r = new InputRefuser;
        r->moveToThread(app->thread());
        app->installEventFilter(r);
        return r;
    }();
    Q_UNUSED(refuser);
}
}  // namespace

LineBusy::LineBusy(std::function<void()> onStop)
{
    installRefuser();
    g_scopes.push_back({std::move(onStop), qobject_cast<QApplication *>(QCoreApplication::instance())
                                               ? QPointer<QWidget>(QApplication::activeModalWidget())
                                               : QPointer<QWidget>()});
}

LineBusy::~LineBusy()
{
    g_scopes.pop_back();
}

bool LineBusy::active()
{
    return !g_scopes.empty();
}

bool LineBusy::requestStop()
{
    if (g_scopes.empty())
        return false;
    if (g_scopes.back().onStop)
        g_scopes.back().onStop();
    return true;
}

void markNeverBlocked(QWidget *window)
{
    window->setProperty(kNeverBlocked, true);
}

bool isNeverBlocked(const QWidget *window)
{
    return window->property(kNeverBlocked).toBool();
}

void markStopControl(QWidget *control)
{
    control->setProperty(kStopControl, true);
}

void keepWindowsPainted()
{
    QCoreApplication *app = QCoreApplication::instance();
    // The windows and the busy state belong to the user-interface thread; a
    // worker thread (a scan probe on its own port) just waits.
    if (!app || QThread::currentThread() != app->thread())
        return;
    installRefuser();
    // While busy every event is taken (input is dropped by the filter, not
    // queued); outside, input waits for the event loop.
    QCoreApplication::processEvents(LineBusy::active() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

}  // namespace mdq
