#pragma once
// The main window on a fake port, fake clock and recording prompter: the
// harness for handler tests. Modal windows are answered with onModal().

#include "shell/reader_main.h"
#include "ui/widgets.h"
#include "support/fake_clock.h"
#include "support/fake_serial_port.h"
#include "support/operator.h"
#include "support/recording_prompter.h"

#include <QAbstractButton>
#include <QtTest/QTest>
#include <functional>
#include <utility>

namespace mdqtest {

// Modal windows in handler tests are answered as on a display, by an
// Operator (support/operator.h): onModal() queues what to do with the next
// modal window that opens (the handler waits in its exec() meanwhile). A
// window nobody queued an answer for fails the test at once; one still open
// after its answer is stuck. Either is closed, so the handler returns.
class ModalAnswers : public Operator
{
public:
    ModalAnswers() : m_outer(std::exchange(current(), this)) {}
    ~ModalAnswers() override
    {
        current() = m_outer;
        if (unanswered())
            QTest::qFail(qPrintable(QStringLiteral("%1 answer(s) found no modal window").arg(unanswered())), __FILE__,
                         __LINE__);
        else if (anyStuck())
            QTest::qFail("a modal window was left unanswered or open", __FILE__, __LINE__);
    }
    static ModalAnswers *&current()
    {
        static ModalAnswers *answers = nullptr;
        return answers;
    }

private:
    ModalAnswers *m_outer;
};

inline void onModal(std::function<void(QWidget *)> act)
{
    ModalAnswers::current()->then(std::move(act));
}

template <class T = QWidget>
T *childOf(QWidget *window, const QString &name, int index = -1)
{
    for (T *w : window->findChildren<T *>(name))
        if (mdq::controlIndex(w) == index)
            return w;
    return nullptr;
}

class MainFixture
{
public:
    MainFixture() : port(clock), main(port, clock, prompter) {}

    // As after a successful "Setup Comm": port open and PortOpened set.
    void connectPort()
    {
        port.open(1, 9600);
        main.state().PortOpened = true;
    }

    template <class T = QWidget>
    T *control(const QString &name, int index = -1)
    {
        if (T *w = childOf<T>(&main, name, index))
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

    ModalAnswers modals;
    FakeClock clock;
    FakeSerialPort port;
    RecordingPrompter prompter;
    mdq::ReaderMain main;
};

}  // namespace mdqtest
