#include "control/reset_option_form.h"

#include "link/commands.h"
#include "link/shared_state.h"

#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mdq {

const std::array<ResetChoice, 6> &resetChoices()
{
    static const std::array<ResetChoice, 6> table{{
        {"Option1", "If card is in, move card to the front", PmInitFront},
        {"Option2", "If card is in, move card to the error card bin", PmInitErrorBin},
        {"Option4", "Only initialinze, retain the card inside", PmInitRetain},
        {"Option5", "If card is in, move card to the front and counter will work.", PmInitFrontCounted},
        {"Option6", "If card is in, move card to the error card bin and counter will work.", PmInitErrorBinCounted},
        {"Option7", "If card is in, retain the card inside  and counter will work.", PmInitRetainCounted},
    }};
    return table;
}

ResetOptionForm::ResetOptionForm(SharedState &state, QWidget *parent) : QDialog(parent), m_state(state)
{
    setObjectName(QStringLiteral("ResetOptionForm"));
    setWindowTitle(QStringLiteral("INITIALIZE Option"));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);
    m_state.ResetOption = 0;

    auto *layout = new QVBoxLayout(this);
    for (size_t i = 0; i < resetChoices().size(); ++i) {
        const ResetChoice &c = resetChoices()[i];
        auto *option = new QRadioButton(QString::fromLatin1(c.caption), this);
        option->setObjectName(QString::fromLatin1(c.button));
        layout->addWidget(option);
        m_options[i] = option;
    }
    m_options[0]->setChecked(true);

    auto *buttons = new QHBoxLayout;
    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("Command1"));
    okButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Command2"));
    cancelButton->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &ResetOptionForm::ok);
    connect(cancelButton, &QPushButton::clicked, this, &ResetOptionForm::cancel);
}

void ResetOptionForm::ok()
{
    for (size_t i = 0; i < m_options.size(); ++i)
        if (m_options[i]->isChecked())
            m_state.ResetOption = resetChoices()[i].pm;
    accept();
}

void ResetOptionForm::cancel()
{
    m_state.ResetOption = 0;
    reject();
}

}  // namespace mdq
