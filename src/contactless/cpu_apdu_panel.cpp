#include "contactless/cpu_apdu_panel.h"

#include "contactless/rf_widgets.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "link/commands.h"
#include "link/frame.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {
const char *const kPreparedCommands[] = {
    "0084000008",
    "00A40000023F00",
    "00A404000E315041592E5359532E4444463031",
};
}  // namespace

const CpuApduPanel::Names CpuApduPanel::TypeA = {"TypeACAPDUText", "TypeARAPDUText", "SendTypeACmd", PmRfTypeAApdu};
const CpuApduPanel::Names CpuApduPanel::TypeB = {"TypeBCAPDUText", "TypeBRAPDUText", "SendTypeBCmd", PmRfTypeBApdu};

std::optional<QByteArray> parseApduText(const QString &text)
{
    if (text.size() % 2 != 0 || text.size() / 2 > MaxFrameData)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (int i = 0; i < text.size(); i += 2) {
        const auto b = hexToByte(text.mid(i, 2).trimmed());
        if (!b)
            return std::nullopt;
        bytes.append(char(*b));
    }
    return bytes;
}

CpuApduPanel::CpuApduPanel(CommandRunner &runner, const Names &names, QWidget *parent)
    : QWidget(parent), m_runner(runner), m_pm(names.pm)
{
    auto *grid = new QGridLayout(this);
    m_command = new QComboBox(this);
    m_command->setObjectName(QString::fromLatin1(names.command));
    m_command->setEditable(true);
    m_command->setLineEdit(new FilteredLineEdit(FilteredLineEdit::Filter::HexWithBackspace, m_command));
    m_command->setInsertPolicy(QComboBox::NoInsert);
    for (const char *c : kPreparedCommands)
        m_command->addItem(QString::fromLatin1(c));
    m_command->setEditText(QStringLiteral("00A40000023F00"));
    m_command->setMinimumContentsLength(40);

    useFixedFont(m_command);
    m_response = new ResponseBox(this);
    m_response->setObjectName(QString::fromLatin1(names.response));
    m_response->setReadOnly(true);
    auto *sendButton = makeButton(this, QString::fromLatin1(names.send), QStringLiteral("Send APDU"));
    connect(sendButton, &QPushButton::clicked, this, &CpuApduPanel::send);

    grid->addWidget(new QLabel(QStringLiteral("APDU Command"), this), 0, 0);
    grid->addWidget(m_command, 0, 1);
    grid->addWidget(sendButton, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Return Information"), this), 1, 0);
    grid->addWidget(m_response, 1, 1, 1, 2);
}

void CpuApduPanel::send()
{
    m_runner.run(
        [this](quint8 address) -> std::optional<QByteArray> {
            m_response->clear();
            const auto apdu = parseApduText(m_command->currentText());
            if (!apdu) {
                // Refused like the other checks before sending: no blank line.
                m_runner.showDataError();
                return std::nullopt;
            }
            return CommandFrame(address, CmRf, m_pm, *apdu);
        },
        [this](const Reply &r) {
            m_response->setText(bytesHex(r.data()));
            m_runner.showInformation(QStringLiteral("C-APDU"), QStringLiteral("Success"));
        });
}

}  // namespace mdq
