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
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

namespace mdqtest {

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

// Runs `act` on the next modal window that opens (polling the event loop), so
// a test can press its buttons while the handler waits in exec().
inline void onModal(std::function<void(QWidget *)> act, int attempts = 500)
{
    QTimer::singleShot(1, [act, attempts]() {
        if (QWidget *w = QApplication::activeModalWidget())
            act(w);
        else if (attempts > 0)
            onModal(act, attempts - 1);
    });
}

template <class T = QWidget>
T *childOf(QWidget *window, const QString &name, int index = -1)
{
    for (T *w : window->findChildren<T *>(name))
        if (mdq::controlIndex(w) == index)
            return w;
    return nullptr;
}

}  // namespace mdqtest
