#pragma once
// The two-character hex boxes the contact card panels share (their buttons
// come from ui/widgets.h).

#include "ui/widgets.h"

#include <QString>

class QWidget;

namespace mdq {

// A box of at most two characters with the given key filter.
FilteredLineEdit *makeByteBox(QWidget *parent, const QString &name, const QString &text,
                              FilteredLineEdit::Filter filter = FilteredLineEdit::Filter::Hex);

}  // namespace mdq
