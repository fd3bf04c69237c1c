#include "contactless/ultralight_panel.h"

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
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {
constexpr int PageItems = 16;
constexpr int DefaultPage = 4;
constexpr int ConfirmPage = 2;  // serial check and lock bytes
// The page goes in the sector position; block 00h, one page.
QByteArray pageArguments(int page)
{
    QByteArray args;
    args.append(char(page));
    args.append('\0');
    args.append('\1');
    return args;
}
}  // namespace

UltralightPanel::UltralightPanel(CommandRunner &runner, QWidget *parent) : QWidget(parent), m_runner(runner)
{
    auto *layout = new QVBoxLayout(this);
    auto *command = rfFrame(this, QStringLiteral("UL Card Command"));
    auto *commandRow = new QHBoxLayout(command);
    m_page = new QComboBox(command);
    m_page->setObjectName(QStringLiteral("ULSecNumberCombo"));
    fillHexCombo(m_page, PageItems, DefaultPage);
    auto *read = makeButton(command, QStringLiteral("ULCmdRread"), QStringLiteral("Read Block Data"));
    auto *write = makeButton(command, QStringLiteral("ULCmdRwrite"), QStringLiteral("Write Block Data"));
    commandRow->addWidget(new QLabel(QStringLiteral("Block"), command));
    commandRow->addWidget(m_page);
    commandRow->addWidget(read);
    commandRow->addWidget(write);
    commandRow->addStretch(1);
    connect(read, &QPushButton::clicked, this, &UltralightPanel::readPage);
    connect(write, &QPushButton::clicked, this, &UltralightPanel::writePage);
    layout->addWidget(command);

    auto *dataFrame = rfFrame(this, QStringLiteral("UL Card Data "));
    auto *dataLayout = new QVBoxLayout(dataFrame);
    auto *row = new QHBoxLayout;
    m_cells = new HexCellRow(QStringLiteral("ULTextLIST"), PageSize, HexCellRow::Overflow::KeepLastTwo, dataFrame);
    m_cells->setAccessibleNames(QStringLiteral("Page byte"), 2);
    QList<QWidget *> cells;
    for (int i = 0; i < m_cells->count(); ++i) {
        row->addWidget(m_cells->cell(i));
        cells.append(m_cells->cell(i));
    }
    row->addStretch(1);
    dataLayout->addWidget(new ColumnHeadings(QStringLiteral("00   01    02   03"), cells, dataFrame));
    dataLayout->addLayout(row);
    layout->addWidget(dataFrame);
    layout->addStretch(1);
}

void UltralightPanel::readPage()
{
    const QByteArray data = mifare::data(MifareReadBlocks, pageArguments(m_page->currentIndex()));
    m_runner.run(CmRf, PmRfMifare, data, [this](const Reply &r) {
        if (mifare::succeeded(r)) {
            for (int i = 0; i < PageSize; ++i)
                m_cells->setText(i, byteHex(r.at(6 + i)));
        }
        mifare::showResult(m_runner, QStringLiteral("Read block data"), QStringLiteral("Read block data"), r);
    });
}

void UltralightPanel::writePage()
{
    m_runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            const int page = m_page->currentIndex();
            const auto data = mifare::cellBytes(*m_cells, PageSize, m_runner.prompter());
            if (!data)
                return std::nullopt;
            if (page < ConfirmPage) {
                m_runner.prompter().message(
                    Icon::Exclamation, text::caution(),
                    QStringLiteral("The block is the vendor code area, the block is not written"));
                return std::nullopt;
            }
            if (page == ConfirmPage && !mifare::confirmOverwrite(m_runner.prompter()))
                return std::nullopt;
            return mifare::frame(address, MifareWriteBlocks, pageArguments(page) + *data);
        },
        [this](const Reply &r) {
            mifare::showResult(m_runner, QStringLiteral("Write Block Data"), QStringLiteral("Write Block Data"), r);
        });
}

}  // namespace mdq
