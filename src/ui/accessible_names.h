#pragma once
// Names for screen readers and accessibility tools. Buttons, check boxes and
// option buttons are named by their captions; a box or combo without a name
// of its own takes the text of the label before it in its row (or above it in
// its column, or its frame's title), with a number when several boxes follow
// one label ("Address", "Address 2"). Cells of hex rows and grids are named
// where they are made ("Block byte 0F").

class QWidget;

namespace mdq {

void nameControls(QWidget *root);

}  // namespace mdq
