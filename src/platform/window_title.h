#pragma once
// How wide a window must be for the window manager to show its whole title:
// the title in the title bar's font, plus room for the icon and the buttons
// the window manager puts beside it.

#include <QString>

namespace mdq {

int titleBarRoom(const QString &title);

}  // namespace mdq
