#include "platform/clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>

namespace mdq {

qint64 SystemClock::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMs(int ms)
{
    const qint64 end = nowMs() + ms;
    for (qint64 left = ms; left > 0; left = end - nowMs()) {
        QThread::msleep(ulong(qMin<qint64>(left, 20)));
        keepWindowsPainted();
    }
}

namespace {
int g_busy = 0;

class InputRefuser : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (g_busy > 0) {
            switch (event->type()) {
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
                event->ignore();
                return true;
            default:
                break;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};
}  // namespace

LineBusy::LineBusy() { ++g_busy; }
LineBusy::~LineBusy() { --g_busy; }
bool LineBusy::active() { return g_busy > 0; }

void keepWindowsPainted()
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
    QCoreApplication::processEvents(LineBusy::active() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

}  // namespace mdq
