#pragma once
// The "IC CARD" page: contact card panels and the shared data grid.

#include <QWidget>

namespace mdq {

struct ReaderContext;

class IcCardPage : public QWidget
{
    Q_OBJECT
public:
    IcCardPage(ReaderContext &context, QWidget *parent);

    // "IC Card Type" on the main window.
    void testType();

private:
    ReaderContext &m_context;
};

}  // namespace mdq
