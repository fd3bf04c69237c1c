#pragma once
// The "IC Card Data" frame: 128 two-digit cells (ICText(0)..ICText(127)),
// 8 rows of 16, the data the memory card panels read into and write from.

#include "ui/hex_cell_row.h"

#include <QByteArray>
#include <QGroupBox>

namespace mdq {

class IcDataGrid : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr int CellCount = 128;
    static QString headerText();

    explicit IcDataGrid(QWidget *parent);

    HexCellRow &cells() { return *m_cells; }
    void clear() { m_cells->clearAll(); }
    // Cell k takes byte k, as two upper-case digits; focus moves on as when typing.
    void fill(const QByteArray &bytes);
    // Cells 0..n-1 as bytes. A single digit counts as 0x (as when the cell is
    // left); an empty or non-hex cell, or n outside 0..128, throws DataError.
    QByteArray bytes(int n) const;

private:
    HexCellRow *m_cells;
};

}  // namespace mdq
