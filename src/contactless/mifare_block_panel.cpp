#include "contactless/mifare_block_panel.h"

#include "contactless/mifare_command.h"
#include "contactless/rf_widgets.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "ui/column_headings.h"
#include "ui/hex_cell_row.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "platform/prompter.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

MifareBlockPanel::MifareBlockPanel(CommandRunner &runner, std::function<int()> sector, QWidget *parent)
    : QGroupBox(QStringLiteral("Read / Write RF Card Data"), parent), m_runner(runner), m_sector(std::move(sector))
{
    auto *grid = new QGridLayout(this);
    m_block = new QComboBox(this);
    m_block->setObjectName(QStringLiteral("BlockNumberCombo"));
    fillHexCombo(m_block, 16, 0);
    m_count = new QComboBox(this);
    m_count->setObjectName(QStringLiteral("BlockLongCombo"));
    m_count->addItem(DoubleType(QStringLiteral("1")));  // one block per operation
    m_count->setCurrentIndex(0);
    grid->addWidget(new QLabel(QStringLiteral("Start Block"), this), 0, 0);
    grid->addWidget(m_block, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Block Numbers"), this), 0, 2);
    grid->addWidget(m_count, 0, 3);

    auto *read = makeButton(this, QStringLiteral("RFreadBtn"), QStringLiteral("Read Block Data"));
    auto *write = makeButton(this, QStringLiteral("RFwriteBtn"), QStringLiteral("Write Block Data"));
    grid->addWidget(read, 0, 4);
    grid->addWidget(write, 0, 5);
    connect(read, &QPushButton::clicked, this, &MifareBlockPanel::readBlock);
    connect(write, &QPushButton::clicked, this, &MifareBlockPanel::writeBlock);

    auto *row = new QHBoxLayout;
    m_cells = new HexCellRow(QStringLiteral("SRFTextLIST"), mifare::BlockSize, HexCellRow::Overflow::KeepLastTwo, this);
    m_cells->setAccessibleNames(QStringLiteral("Block byte"), 2);
    QList<QWidget *> cells;
    for (int i = 0; i < m_cells->count(); ++i) {
        row->addWidget(m_cells->cell(i));
        cells.append(m_cells->cell(i));
    }
    row->addStretch(1);
    grid->addWidget(new ColumnHeadings(
                        QStringLiteral("00   01    02   03   04    05   06   07    08   09   0A  0B   0C   0D   0E  0F"),
                        cells, this),
                    1, 0, 1, 6);
    grid->addLayout(row, 2, 0, 1, 6);
}

int MifareBlockPanel::blockCount() const
{
    return m_count->currentIndex() + 1;
}

void MifareBlockPanel::readBlock()
{
    QByteArray args;
    args.append(char(m_sector()));
    args.append(char(m_block->currentIndex()));
    args.append(char(blockCount()));
    m_runner.run(CmRf, PmRfMifare, mifare::data(MifareReadBlocks, args), [this](const Reply &r) {
        if (mifare::succeeded(r)) {
            for (int i = 0; i < mifare::BlockSize; ++i)
                m_cells->setText(i, byteHex(r.at(6 + i)));
        }
        mifare::showResult(m_runner, QStringLiteral("Read block data"), QStringLiteral("Read block data"), r);
    });
}

void MifareBlockPanel::writeBlock()
{
    m_runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            const int sector = m_sector(), block = m_block->currentIndex();
            const auto data = mifare::cellBytes(*m_cells, blockCount() * mifare::BlockSize, m_runner.prompter());
            if (!data)
                return std::nullopt;
            if (mifare::isManufacturerBlock(sector, block)) {
                m_runner.prompter().message(Icon::Exclamation, text::caution(),
                                            QStringLiteral("Write Prohibit In The Block"));
                return std::nullopt;
            }
            if (mifare::isTrailer(sector, block) && !mifare::confirmOverwrite(m_runner.prompter()))
                return std::nullopt;
            QByteArray args;
            args.append(char(sector));
            args.append(char(block));
            args.append(char(blockCount()));
            args.append(*data);
            return mifare::frame(address, MifareWriteBlocks, args);
        },
        [this](const Reply &r) {
            mifare::showResult(m_runner, QStringLiteral("Write Block Data"), QStringLiteral("Write Block Data"), r);
        });
}

}  // namespace mdq
