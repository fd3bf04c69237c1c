#pragma once
// The "Ultralight" page: one 4-byte page read into, or written from, the
// page row. Pages 0 and 1 (serial number) are never written; page 2 (serial
// check and lock bytes) only after the operator confirms.

#include <QWidget>

class QComboBox;

namespace mdq {

class CommandRunner;
class HexCellRow;

class UltralightPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PageSize = 4;

    UltralightPanel(CommandRunner &runner, QWidget *parent);

    HexCellRow &cells() { return *m_cells; }
    void readPage();
    void writePage();

private:
    CommandRunner &m_runner;
    QComboBox *m_page = nullptr;
    HexCellRow *m_cells = nullptr;
};

}  // namespace mdq
