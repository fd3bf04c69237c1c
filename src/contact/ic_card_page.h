#pragma once
// The "IC CARD" page: contact card panels and the shared data grid.

#include <QWidget>
#include <memory>

class QTabWidget;

namespace mdq {

struct ReaderContext;
class IcDataGrid;
class MemoryCardIo;

class IcCardPage : public QWidget
{
    Q_OBJECT
public:
    IcCardPage(ReaderContext &context, QWidget *parent);
    ~IcCardPage() override;

    // "IC Card Type" on the main window.
    void testType();

    IcDataGrid &grid() { return *m_grid; }

private:
    QWidget *makeCpuSamPage();

    ReaderContext &m_context;
    QTabWidget *m_cardTabs = nullptr;
    IcDataGrid *m_grid = nullptr;
    std::unique_ptr<MemoryCardIo> m_io;
};

}  // namespace mdq
