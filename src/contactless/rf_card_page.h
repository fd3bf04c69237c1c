#pragma once
// The "RF CARD" page: detection and activation on top, then the MIFARE page
// (S50/S70 and Ultralight) and the Type A and Type B CPU card pages.

#include <QWidget>

namespace mdq {

struct ReaderContext;
class RfActivationPanel;

class RfCardPage : public QWidget
{
    Q_OBJECT
public:
    RfCardPage(ReaderContext &context, QWidget *parent);

    // "RF Card Type" on the main window.
    void testType();

private:
    ReaderContext &m_context;
    RfActivationPanel *m_activation = nullptr;
};

}  // namespace mdq
