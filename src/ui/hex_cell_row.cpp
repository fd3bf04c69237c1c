#include "ui/hex_cell_row.h"

#include "ui/widgets.h"

#include <QKeyEvent>
#include <QTimer>

namespace mdq {

HexCell::HexCell(HexCellRow &row, int index, QWidget *parent) : QLineEdit(parent), m_row(row), m_index(index) {}

void HexCell::pad()
{
    if (text().size() == 1)
        setText(QStringLiteral("0") + text());
}

void HexCell::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        pad();
        m_row.focusNext(m_index);
        return;
    case Qt::Key_Left:
        pad();
        m_row.focusPrevious(m_index);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // Acted on when the key is released.
        event->accept();
        return;
    case Qt::Key_Backspace:
        return;  // a typed control character: discarded like any non-hex one
    default:
        break;
    }
    const QString typed = event->text();
    // Delete, Home, End, paste ... keep their meaning. Some platforms give
    // Delete the text 7Fh; it types nothing, so it is not filtered either.
    if (typed.isEmpty() || typed.at(0) == QChar(0x7F)
        || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    bool unused = false;
    const QChar c = filterTypedChar(FilteredLineEdit::Filter::Hex, typed.at(0), &unused);
    if (c.isNull())
        return;
    QKeyEvent upper(event->type(), event->key(), event->modifiers(), QString(c), event->isAutoRepeat());
    QLineEdit::keyPressEvent(&upper);
}

void HexCell::keyReleaseEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pad();
        m_row.focusNext(m_index);
        return;
    case Qt::Key_Escape:
        clear();
        return;
    default:
        QLineEdit::keyReleaseEvent(event);
    }
}

void HexCell::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // Typing replaces what the cell holds. A mouse click would place the
    // caret after this, so select once the click is done as well.
    selectAll();
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            selectAll();
    });
}

void HexCell::focusOutEvent(QFocusEvent *event)
{
    pad();
    QLineEdit::focusOutEvent(event);
}

HexCellRow::HexCellRow(const QString &name, int count, Overflow overflow, QWidget *parent)
    : QObject(parent), m_overflow(overflow)
{
    for (int i = 0; i < count; ++i) {
        auto *cell = new HexCell(*this, i, parent);
        setControlName(cell, name, i);
        if (overflow == Overflow::Refuse)
            cell->setMaxLength(2);
        cell->setAlignment(Qt::AlignCenter);
        useFixedFont(cell);
        cell->setMaximumWidth(cell->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
        connect(cell, &QLineEdit::textChanged, this, [this, i](const QString &t) { onTextChanged(i, t); });
        m_cells.append(cell);
    }
}

void HexCellRow::onTextChanged(int index, const QString &text)
{
    if (text.size() > 2) {
        // Setting the last two comes back here with two characters.
        m_cells.at(index)->setText(text.right(2));
        return;
    }
    if (text.size() == 2)
        focusNext(index);
}

void HexCellRow::setAccessibleNames(const QString &what, int digits)
{
    for (int i = 0; i < m_cells.size(); ++i)
        m_cells.at(i)->setAccessibleName(
            QStringLiteral("%1 %2").arg(what, QString::number(i, 16).toUpper().rightJustified(digits, QLatin1Char('0'))));
}

void HexCellRow::clearAll()
{
    for (HexCell *c : m_cells)
        c->clear();
}

QString HexCellRow::joined(int n) const
{
    QString s;
    for (int i = 0; i < n && i < m_cells.size(); ++i)
        s += m_cells.at(i)->text();
    return s;
}

void HexCellRow::focusNext(int from)
{
    m_cells.at((from + 1) % count())->setFocus(Qt::OtherFocusReason);
}

void HexCellRow::focusPrevious(int from)
{
    m_cells.at((from + count() - 1) % count())->setFocus(Qt::OtherFocusReason);
}

}  // namespace mdq
