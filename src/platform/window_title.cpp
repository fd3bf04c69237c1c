#include "platform/window_title.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>

namespace mdq {

int titleBarRoom(const QString &title)
{
    // Window managers draw titles a little larger and bolder than the
    // application's font; measure generously.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    // Icon on the left, minimise/maximise/close on the right, margins.
    constexpr int decoration = 160;
    return QFontMetrics(font).horizontalAdvance(title) + decoration;
}

}  // namespace mdq
