#pragma once
// Input as a person gives it: clicks and keys sent through the window
// system's path to a window, so modality and the tool's input refusal apply
// exactly as they do for a person at the screen. Used by `--script --show`.

#include <QString>
#include <Qt>

class QWidget;

namespace mdq::realinput {

void click(QWidget *w);
void key(QWidget *w, Qt::Key key);

}  // namespace mdq::realinput
