#pragma once
// "INITIALIZE Option": the modal window where the operator chooses what the
// reader does with a card inside; the choice is the PM of the initialise
// command. Loading it sets ResetOption to 0, so closing it by its frame or
// with Cancel means "send nothing".

#include <QDialog>
#include <array>

class QRadioButton;

namespace mdq {

struct SharedState;

struct ResetChoice
{
    const char *button;  // Option1 .. Option7 (there is no Option3)
    const char *caption;
    quint8 pm;
};

// Top to bottom; PM 32h and 36h are not offered.
const std::array<ResetChoice, 6> &resetChoices();

class ResetOptionForm : public QDialog
{
    Q_OBJECT
public:
    ResetOptionForm(SharedState &state, QWidget *parent);

    void ok();      // Command1
    void cancel();  // Command2

private:
    SharedState &m_state;
    std::array<QRadioButton *, 6> m_options{};
};

}  // namespace mdq
