#include "automation/real_input.h"

#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>

namespace mdq::realinput {

void click(QWidget *w)
{
    if (QWindow *window = w->window()->windowHandle())
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, w->mapTo(w->window(), w->rect().center()));
}

void key(QWidget *w, Qt::Key k)
{
    if (QWindow *window = w->window()->windowHandle())
        QTest::keyClick(window, k);
}

}  // namespace mdq::realinput
