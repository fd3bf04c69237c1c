#pragma once
// "Read / Write RF Card Data": one 16-byte block of the selected sector read
// into, or written from, the block row. The manufacturer block is never
// written and a sector trailer only after the operator confirms.

#include <QGroupBox>
#include <functional>

class QComboBox;

namespace mdq {

class CommandRunner;
class HexCellRow;

class MifareBlockPanel : public QGroupBox
{
    Q_OBJECT
public:
    MifareBlockPanel(CommandRunner &runner, std::function<int()> sector, QWidget *parent);

    HexCellRow &cells() { return *m_cells; }
    void readBlock();
    void writeBlock();

private:
    int blockCount() const;

    CommandRunner &m_runner;
    std::function<int()> m_sector;
    QComboBox *m_block = nullptr;
    QComboBox *m_count = nullptr;
    HexCellRow *m_cells = nullptr;
};

}  // namespace mdq
