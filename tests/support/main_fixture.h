#pragma once
// The main window on a fake port, fake clock and recording prompter: the
// harness for handler tests. Modal windows are answered with onModal().

#include "shell/reader_main.h"
#include "ui/widgets.h"
#include "support/fake_clock.h"
#include "support/fake_serial_port.h"
#include "support/recording_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <utility>

namespace mdqtest {

// Modal windows in handler tests. onModal() queues what to do with the next
// modal window that opens (the handler waits in its exec() meanwhile). A modal
// window nobody queued an answer for, or one still open shortly after its
// answer, fails the test at once with its name and is closed, so the handler
// returns instead of hanging until the suite's time limit.
class ModalGuard : public QObject
{
public:
    static ModalGuard &instance()
    {
        static ModalGuard *guard = new ModalGuard(qApp);
        return *guard;
    }
    void queue(std::function<void(QWidget *)> act) { m_queue.append(std::move(act)); }
    // Drops the answers queued for windows that never opened; returns how many.
    int takeUnused() { return int(std::exchange(m_queue, {}).size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_answered.remove(watched);
        return false;
    }

private:
    explicit ModalGuard(QObject *parent) : QObject(parent)
    {
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, &ModalGuard::poll);
        m_timer.start();
    }
    void fail(QWidget *w, const char *why)
    {
        QTest::qFail(qPrintable(QStringLiteral("modal window %1 \"%2\" %3")
                                    .arg(w->objectName(), w->windowTitle(), QLatin1String(why))),
                     __FILE__, __LINE__);
        m_answered.remove(w);
        w->hide();  // ends its exec()
    }
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        if (m_answered.contains(w)) {
            if (++m_answered[w] > 100)  // about 0.2 s of event loop after the answer
                fail(w, "stayed open after its answer");
            return;
        }
        if (m_queue.isEmpty())
            return fail(w, "opened with no answer queued");
        m_answered.insert(w, 0);
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, this, [this](QObject *o) { m_answered.remove(o); });
        m_queue.takeFirst()(w);
    }
    QTimer m_timer;
    QList<std::function<void(QWidget *)>> m_queue;
    QHash<QObject *, int> m_answered;  // windows answered and still shown: event-loop turns since
};

inline void onModal(std::function<void(QWidget *)> act)
{
    ModalGuard::instance().queue(std::move(act));
}

class MainFixture
{
public:
    MainFixture() : port(clock), main(port, clock, prompter) { ModalGuard::instance().takeUnused(); }
    ~MainFixture()
    {
        if (const int n = ModalGuard::instance().takeUnused())
            QTest::qFail(qPrintable(QStringLiteral("%1 queued answer(s) found no modal window").arg(n)), __FILE__,
                         __LINE__);
    }

    // As after a successful "Setup Comm": port open and PortOpened set.
    void connectPort()
    {
        port.open(1, 9600);
        main.state().PortOpened = true;
    }

    template <class T = QWidget>
    T *control(const QString &name, int index = -1)
    {
        const auto all = main.findChildren<T *>(name);
        for (T *w : all)
            if (mdq::controlIndex(w) == index)
                return w;
        QTest::qFail(qPrintable(QStringLiteral("no control %1(%2)").arg(name).arg(index)), __FILE__, __LINE__);
        return nullptr;
    }

    void click(const QString &name, int index = -1)
    {
        if (auto *b = control<QAbstractButton>(name, index))
            b->click();
    }

    QString log() const { return const_cast<mdq::ReaderMain &>(main).log().text(); }

    FakeClock clock;
    FakeSerialPort port;
    RecordingPrompter prompter;
    mdq::ReaderMain main;
};

template <class T = QWidget>
T *childOf(QWidget *window, const QString &name, int index = -1)
{
    for (T *w : window->findChildren<T *>(name))
        if (mdq::controlIndex(w) == index)
            return w;
    return nullptr;
}

}  // namespace mdqtest
