// While the line is busy the windows keep painting (timers and paint events
// run) but the operator's clicks and keys are refused, not queued.

#include "link/execute_command.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>

using namespace mdq;

class TestLineBusy : public QObject
{
    Q_OBJECT

    static void postClick(QWidget *w)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        const QPointF global = w->mapToGlobal(at);
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(w, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                           type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                           Qt::NoModifier));
    }

private Q_SLOTS:
    void inputRefusedWhileBusy()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("go"), &window);
        auto *edit = new QLineEdit(&window);
        edit->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(button, &QPushButton::clicked);
        bool timerRan = false;
        {
            ExchangeScope busy;
            QVERIFY(exchangeInProgress());
            QTimer::singleShot(0, [&timerRan] { timerRan = true; });
            postClick(button);
            edit->setFocus();
            QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
            keepWindowsPainted();
            keepWindowsPainted();
        }
        QVERIFY(!exchangeInProgress());
        QVERIFY(timerRan);
        QCOMPARE(clicked.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 0);  // dropped, not delivered late
        QCOMPARE(edit->text(), QString());

        postClick(button);
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 1);  // idle again: input works
    }
};

QTEST_MAIN(TestLineBusy)
#include "tst_line_busy.moc"
