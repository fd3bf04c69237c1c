#include "contactless/rf_widgets.h"

#include "link/frame.h"

#include <QComboBox>
#include <QGroupBox>

namespace mdq {

void fillHexCombo(QComboBox *combo, int count, int selected)
{
    for (int i = 0; i < count; ++i)
        combo->addItem(DoubleType(QString::number(i, 16).toUpper()));
    combo->setCurrentIndex(selected);
}

QGroupBox *rfFrame(QWidget *parent, const QString &caption)
{
    return new QGroupBox(caption, parent);
}

}  // namespace mdq
