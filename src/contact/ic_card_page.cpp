#include "contact/ic_card_page.h"

#include "contact/at24_panel.h"
#include "contact/cpu_card_window.h"
#include "contact/ic_card_type.h"
#include "contact/ic_data_grid.h"
#include "contact/inert_panels.h"
#include "contact/memory_card_status.h"
#include "contact/panel_widgets.h"
#include "contact/sle4428_panel.h"
#include "contact/sle4442_panel.h"
#include "link/commands.h"
#include "ui/reader_context.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mdq {

IcCardPage::IcCardPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    // The card panels above the data grid: every card type's tab stays in
    // sight (no scroll arrows), and the grid keeps its full width.
    auto *layout = new QVBoxLayout(this);
    m_cardTabs = new QTabWidget(this);
    m_cardTabs->setObjectName(QStringLiteral("SSTab2"));
    m_cardTabs->setUsesScrollButtons(false);
    m_cardTabs->setElideMode(Qt::ElideNone);
    m_grid = new IcDataGrid(this);
    m_io = std::make_unique<MemoryCardIo>(context.runner, *m_grid);

    m_cardTabs->addTab(makeCpuSamPage(), QStringLiteral("CPU/SAM"));
    m_cardTabs->addTab(new Sle4442Panel(*m_io, m_cardTabs), QStringLiteral("SLE4442"));
    m_cardTabs->addTab(new Sle4428Panel(*m_io, m_cardTabs), QStringLiteral("SLE4428"));
    m_cardTabs->addTab(makeAt88sc102Page(m_cardTabs), QStringLiteral("AT88SC102"));
    m_cardTabs->addTab(new At24Panel(*m_io, m_cardTabs), QStringLiteral("24CXX"));
    m_cardTabs->addTab(makeAt88sc1604Page(m_cardTabs), QStringLiteral("AT88SC1604"));
    m_cardTabs->addTab(makeAt88sc1608Page(m_cardTabs), QStringLiteral("AT88SC1608"));
    m_cardTabs->addTab(makeAt45d041Page(m_cardTabs), QStringLiteral("AT45D041"));

    layout->addWidget(m_cardTabs);
    layout->addWidget(m_grid, 1, Qt::AlignLeft);
}

IcCardPage::~IcCardPage() = default;

QWidget *IcCardPage::makeCpuSamPage()
{
    auto *page = new QWidget(m_cardTabs);
    auto *layout = new QVBoxLayout(page);
    auto *cpu = makeButton(page, QStringLiteral("CPURUN"), QStringLiteral("CPU Card"));
    auto *sam = makeButton(page, QStringLiteral("SIMRUN"), QStringLiteral("Sam Card"));
    layout->addWidget(cpu);
    layout->addWidget(sam);
    layout->addStretch(1);
    connect(cpu, &QPushButton::clicked, this, [this] { CpuCardWindow::open(m_context, CpuCardWindow::Kind::Cpu); });
    connect(sam, &QPushButton::clicked, this, [this] { CpuCardWindow::open(m_context, CpuCardWindow::Kind::Sam); });
    return page;
}

void IcCardPage::testType()
{
    m_context.runner.run(CmCardType, PmTypeContact, {}, [this](const Reply &r) {
        const IcCardType type = icCardType(QString::fromLatin1(r.bytes(6, 7)).trimmed());
        if (type.ssTab2Page >= 0) {
            m_context.SSTab1->setCurrentWidget(this);  // the "IC CARD" page first, then the card's panel
            m_cardTabs->setCurrentIndex(type.ssTab2Page);
        }
        m_context.runner.showInformation(QStringLiteral("Test IC Type"),
                                         QStringLiteral("Test IC Type Complete\r\n") + type.text);
    });
}

}  // namespace mdq
