#pragma once
// A row of two-digit hex cells that the operator types through without the
// mouse: hex digits only, a full cell moves on to the next, arrows and Enter
// move (completing a single digit with a leading 0), Escape clears, and the
// last cell wraps to the first. One class serves the contact card data grid
// (a third character is refused) and the contactless key, block and page rows
// (a third character is taken and the last two kept).

#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QString>

namespace mdq {

class HexCellRow;

class HexCell : public QLineEdit
{
    Q_OBJECT
public:
    HexCell(HexCellRow &row, int index, QWidget *parent);
    int index() const { return m_index; }
    // One character c becomes "0c"; empty and two-character texts stay.
    void pad();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    HexCellRow &m_row;
    int m_index;
};

class HexCellRow : public QObject
{
    Q_OBJECT
public:
    enum class Overflow { Refuse, KeepLastTwo };

    // Creates `count` cells as children of `parent`, each named `name` with
    // its index (NAME(INDEX) for tests and scripts). Lay them out yourself.
    HexCellRow(const QString &name, int count, Overflow overflow, QWidget *parent);

    int count() const { return int(m_cells.size()); }
    HexCell *cell(int i) const { return m_cells.at(i); }
    QString text(int i) const { return m_cells.at(i)->text(); }
    // Programmatic filling goes through the same change handling as typing:
    // a cell set to two digits moves the focus on.
    void setText(int i, const QString &text) { m_cells.at(i)->setText(text); }
    void clearAll();
    // Names the cells for screen readers: what, then the index as `digits`
    // hex digits ("Block byte 0F").
    void setAccessibleNames(const QString &what, int digits);
    // Cells 0..n-1 joined without separators.
    QString joined(int n) const;

    void focusNext(int from);
    void focusPrevious(int from);

private:
    void onTextChanged(int index, const QString &text);

    QList<HexCell *> m_cells;
    Overflow m_overflow;
};

}  // namespace mdq
