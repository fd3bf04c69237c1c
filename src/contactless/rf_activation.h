#pragma once
// RF card detection: the type test ("RF Card Type" on the main window),
// activation in the chosen search order, deactivation and status. Activation
// fills the serial-number and answer displays of the card pages and brings
// the matching page forward.

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
namespace mdq {
class ResponseBox;
}
class QTabWidget;

namespace mdq {

class CommandRunner;
class Reply;

// What activation and the type test fill or switch, owned by the card pages.
struct RfDisplays
{
    QTabWidget *SSTab1 = nullptr;
    QTabWidget *SSTab3 = nullptr;
    QTabWidget *SSTab4 = nullptr;
    QLabel *RFmessageLabel = nullptr;
    QLabel *ULRFmessage = nullptr;
    QLabel *CPURFTypeAmessage = nullptr;
    ResponseBox *ATRTypeAText = nullptr;
    ResponseBox *ATRTypeBText = nullptr;
};

class RfActivationPanel : public QGroupBox
{
    Q_OBJECT
public:
    RfActivationPanel(CommandRunner &runner, const RfDisplays &displays, QWidget *parent);

    void testType();
    void activate();
    void deactivate();
    void inquireStatus();

private:
    // Tab pages in the order SSTab1, SSTab3, SSTab4; -1 leaves a control as it is.
    void showPages(int tab1, int tab3, int tab4);
    void showActivation(const Reply &reply);

    CommandRunner &m_runner;
    RfDisplays m_displays;
    QComboBox *m_order = nullptr;
};

}  // namespace mdq
