#include "contact/ic_data_grid.h"

#include "ui/column_headings.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "link/frame.h"

#include <QGridLayout>
#include <QLabel>

namespace mdq {

namespace {
constexpr int Columns = 16;
}

QString IcDataGrid::headerText()
{
    return QStringLiteral("             00    01    02    03    04    05    06    07    08    09   0A    0B   0C    0D    0E    "
                          "0F");
}

IcDataGrid::IcDataGrid(QWidget *parent) : QGroupBox(QStringLiteral("IC Card Data"), parent)
{
    m_cells = new HexCellRow(QStringLiteral("ICText"), CellCount, HexCellRow::Overflow::Refuse, this);
    auto *layout = new QGridLayout(this);
    layout->setSpacing(2);
    m_cells->setAccessibleNames(QStringLiteral("Grid byte"), 2);
    QList<QWidget *> firstRow;
    for (int col = 0; col < Columns; ++col)
        firstRow.append(m_cells->cell(col));
    auto *header = new ColumnHeadings(headerText(), firstRow, this);
    header->setObjectName(QStringLiteral("ICTextHeader"));
    layout->addWidget(header, 0, 1, 1, Columns);
    for (int row = 0; row < CellCount / Columns; ++row) {
        auto *label = new QLabel(DoubleType(QString::number(row, 16)), this);
        setControlName(label, QStringLiteral("ICTextRow"), row);
        layout->addWidget(label, row + 1, 0);
        for (int col = 0; col < Columns; ++col)
            layout->addWidget(m_cells->cell(row * Columns + col), row + 1, col + 1);
    }
    // Extra height goes below the grid, not between the header and the cells.
    layout->setRowStretch(CellCount / Columns + 1, 1);
}

void IcDataGrid::fill(const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size() && i < CellCount; ++i)
        m_cells->setText(i, byteHex(quint8(bytes[i])));
}

QByteArray IcDataGrid::bytes(int n) const
{
    if (n < 0 || n > CellCount)
        throw DataError{};
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char(needByte(m_cells->text(i))));  // one digit is its value, as the cell pads it
    return out;
}

}  // namespace mdq
