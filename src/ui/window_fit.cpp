#include "ui/window_fit.h"

#include "platform/window_title.h"
#include "ui/accessible_names.h"
#include "ui/remembered.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace mdq {

WindowFitter::WindowFitter(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

WindowFitter::~WindowFitter()
{
    qApp->removeEventFilter(this);
}

QRect WindowFitter::availableArea(const QWidget *window)
{
    const QWidget *anchor = window->parentWidget() ? window->parentWidget()->window() : window;
    const QScreen *screen = anchor->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins WindowFitter::decoration(const QWidget *window)
{
    if (const QWindow *handle = window->windowHandle()) {
        const QMargins m = handle->frameMargins();
        if (!m.isNull())
            return m;
    }
    return {4, 30, 4, 4};
}

void WindowFitter::fit(QWidget *window, bool firstShow)
{
    const QRect area = availableArea(window);
    const QMargins frame = decoration(window);
    const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());

    QSize size = firstShow ? window->sizeHint().expandedTo(window->size()) : window->size();
    size = size.expandedTo(window->minimumSizeHint()).expandedTo(QSize(titleBarRoom(window->windowTitle()), 0));
    size = size.boundedTo(room).expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
    if (size != window->size())
        window->resize(size);

    // A dialog opening for the first time centres itself on its owner, inside
    // the screen; everything else is kept inside here.
    const bool dialogCentres = firstShow && qobject_cast<QDialog *>(window) && !window->testAttribute(Qt::WA_Moved);
    if (dialogCentres)
        return;
    QPoint pos = window->pos();
    const int right = area.right() - frame.right() - window->width() + 1;
    const int bottom = area.bottom() - frame.bottom() - window->height() + 1;
    pos.setX(qMax(area.left() + frame.left(), qMin(pos.x(), right)));
    pos.setY(qMax(area.top() + frame.top(), qMin(pos.y(), bottom)));
    if (pos != window->pos())
        window->move(pos);
}

bool WindowFitter::handles(const QWidget *window) const
{
    if (!window->isWindow() || qobject_cast<const QMessageBox *>(window) || qobject_cast<const QFileDialog *>(window))
        return false;
    const Qt::WindowType type = window->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

bool WindowFitter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide) || !watched->isWidgetType() || event->spontaneous())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    if (!handles(window))
        return false;
    if (type == QEvent::Hide) {
        if (m_remembered)
            m_remembered->storeWindow(window);
        return false;
    }
    bool firstShow = false;
    if (!m_seen.contains(window)) {
        m_seen.insert(window);
        connect(window, &QObject::destroyed, this, [this, window] { m_seen.remove(window); });
        nameControls(window);
        firstShow = !(m_remembered && m_remembered->restoreWindow(window));
    }
    fit(window, firstShow);
    return false;
}

}  // namespace mdq
