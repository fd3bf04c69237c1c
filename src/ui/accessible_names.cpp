#include "ui/accessible_names.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace mdq {

namespace {

QString cleaned(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

bool isBox(const QWidget *w)
{
    if (qobject_cast<const QComboBox *>(w) || qobject_cast<const QPlainTextEdit *>(w)
        || qobject_cast<const QTextEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w))
        return true;
    // The edit inside an editable combo is named with the combo.
    return qobject_cast<const QLineEdit *>(w) && !qobject_cast<const QComboBox *>(w->parentWidget());
}

// A shown label with text, or null.
const QLabel *labelAt(QLayoutItem *item)
{
    auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
    return label && !label->isHidden() && !cleaned(label->text()).isEmpty() ? label : nullptr;
}

// The layout that holds w directly, searched from the top layout down.
QLayout *holder(QLayout *layout, const QWidget *w, int *index)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == w) {
            *index = i;
            return layout;
        }
        if (QLayout *found = holder(item->layout(), w, index))
            return found;
    }
    return nullptr;
}

const QLabel *labelBefore(const QWidget *w)
{
    int index = -1;
    QLayout *layout = w->parentWidget() ? holder(w->parentWidget()->layout(), w, &index) : nullptr;
    if (!layout)
        return nullptr;
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        for (int r = row; r >= 0; --r) {
            // In its own row: the nearest label to the left. Above: the
            // label that heads the rows below it.
            for (int c = column - 1; c >= 0; --c) {
                if (const QLabel *label = labelAt(grid->itemAtPosition(r, c)))
                    return label;
                if (r != row)
                    break;
            }
        }
        return nullptr;
    }
    for (int i = index - 1; i >= 0; --i) {
        if (const QLabel *label = labelAt(layout->itemAt(i)))
            return label;
    }
    return nullptr;
}

const QGroupBox *frameOf(const QWidget *w)
{
    for (const QWidget *p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        if (auto *group = qobject_cast<const QGroupBox *>(p))
            if (!cleaned(group->title()).isEmpty())
                return group;
    }
    return nullptr;
}

}  // namespace

void nameControls(QWidget *root)
{
    // Boxes counted per label (or frame) that names them.
    QHash<const QObject *, int> used;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->accessibleName().isEmpty())
            continue;
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            if (!button->text().isEmpty())
                button->setAccessibleName(cleaned(button->text()));
            continue;
        }
        if (!isBox(w))
            continue;
        const QObject *source = labelBefore(w);
        QString name;
        if (source) {
            name = cleaned(static_cast<const QLabel *>(source)->text());
        } else if ((source = frameOf(w))) {
            name = cleaned(static_cast<const QGroupBox *>(source)->title());
        } else {
            source = w;
            name = w->objectName();
        }
        if (name.isEmpty())
            continue;
        const int n = ++used[source];
        w->setAccessibleName(n == 1 ? name : QStringLiteral("%1 %2").arg(name).arg(n));
    }
}

}  // namespace mdq
