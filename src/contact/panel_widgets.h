#pragma once
// Small builders the contact card panels share: named buttons and the
// two-character hex boxes.

#include "ui/widgets.h"

#include <QString>

class QPushButton;
class QWidget;

namespace mdq {

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption);
// A box of at most two characters with the given key filter.
FilteredLineEdit *makeByteBox(QWidget *parent, const QString &name, const QString &text,
                              FilteredLineEdit::Filter filter = FilteredLineEdit::Filter::Hex);

}  // namespace mdq
