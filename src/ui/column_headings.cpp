#include "ui/column_headings.h"

#include <QEvent>
#include <QPainter>
#include <QRegularExpression>

namespace mdq {

ColumnHeadings::ColumnHeadings(const QString &text, QList<QWidget *> cells, QWidget *parent) : QLabel(text, parent)
{
    for (QWidget *cell : cells) {
        m_cells.append(cell);
        cell->installEventFilter(this);  // a cell that moves takes its heading along
    }
    setAccessibleName(headings().join(QLatin1Char(' ')));
}

QStringList ColumnHeadings::headings() const
{
    return text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QRect ColumnHeadings::headingRect(int i) const
{
    const QStringList words = headings();
    if (i < 0 || i >= words.size() || i >= m_cells.size() || !m_cells.at(i))
        return {};
    const QWidget *cell = m_cells.at(i);
    const int centre = cell->mapTo(window(), cell->rect().center()).x() - mapTo(window(), QPoint(0, 0)).x();
    const int width = fontMetrics().horizontalAdvance(words.at(i));
    return {centre - width / 2, 0, width, height()};
}

QSize ColumnHeadings::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(headings().join(QLatin1Char(' '))), fontMetrics().height() + 2};
}

QSize ColumnHeadings::minimumSizeHint() const
{
    return {0, fontMetrics().height() + 2};
}

void ColumnHeadings::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QStringList words = headings();
    for (int i = 0; i < words.size(); ++i) {
        const QRect r = headingRect(i);
        if (!r.isNull())
            painter.drawText(r, Qt::AlignCenter, words.at(i));
    }
}

}  // namespace mdq

namespace mdq {

bool ColumnHeadings::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        update();
    return QLabel::eventFilter(watched, event);
}

}  // namespace mdq
