#include "contact/panel_widgets.h"

namespace mdq {

FilteredLineEdit *makeByteBox(QWidget *parent, const QString &name, const QString &text,
                              FilteredLineEdit::Filter filter)
{
    auto *box = new FilteredLineEdit(filter, parent);
    box->setObjectName(name);
    box->setMaxLength(2);
    box->setText(text);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 8);
    return box;
}

}  // namespace mdq
