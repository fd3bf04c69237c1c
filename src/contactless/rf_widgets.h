#pragma once
// Construction helpers for the contactless panels.

#include <QString>

class QComboBox;
class QGroupBox;
class QPushButton;
class QWidget;

namespace mdq {

// count items "00".. (hex of the index, normalised by DoubleType), `selected` chosen.
void fillHexCombo(QComboBox *combo, int count, int selected);
QPushButton *rfButton(QWidget *parent, const QString &name, const QString &caption);
QGroupBox *rfFrame(QWidget *parent, const QString &caption);

}  // namespace mdq
