#pragma once
// Construction helpers for the contactless panels.

#include <QString>

class QComboBox;
class QGroupBox;
class QWidget;

namespace mdq {

// count items "00".. (hex of the index, normalised by DoubleType), `selected` chosen.
void fillHexCombo(QComboBox *combo, int count, int selected);
QGroupBox *rfFrame(QWidget *parent, const QString &caption);

}  // namespace mdq
