#pragma once
// The "RF CARD" page: contactless card panels.

#include <QWidget>

namespace mdq {

struct ReaderContext;

class RfCardPage : public QWidget
{
    Q_OBJECT
public:
    RfCardPage(ReaderContext &context, QWidget *parent);

    // "RF Card Type" on the main window.
    void testType();

private:
    ReaderContext &m_context;
};

}  // namespace mdq
