#include "contactless/mifare_purse_panel.h"

#include "contactless/mifare_command.h"
#include "contactless/purse_value.h"
#include "contactless/rf_widgets.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "link/execute_command.h"
#include "platform/prompter.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {

// Digits only: every other typed character, Backspace included, is dropped.
class PurseValueEdit : public FilteredLineEdit
{
public:
    explicit PurseValueEdit(QWidget *parent) : FilteredLineEdit(Filter::Digits, parent) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Backspace)
            return;
        FilteredLineEdit::keyPressEvent(event);
    }
};

constexpr quint8 ValueLength = 4;

}  // namespace

MifarePursePanel::MifarePursePanel(CommandRunner &runner, std::function<int()> sector, QWidget *parent)
    : QGroupBox(QStringLiteral("PURSE COMMAND"), parent), m_runner(runner), m_sector(std::move(sector))
{
    auto *grid = new QGridLayout(this);
    m_block = new QComboBox(this);
    m_block->setObjectName(QStringLiteral("PurseBlockCombbox"));
    fillHexCombo(m_block, 16, 0);
    m_value = new PurseValueEdit(this);
    m_value->setObjectName(QStringLiteral("PurseValueText"));
    m_value->setText(QStringLiteral("0"));
    grid->addWidget(new QLabel(QStringLiteral("Block Number(HEX)"), this), 0, 0);
    grid->addWidget(m_block, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("value(DEC)"), this), 0, 2);
    grid->addWidget(m_value, 0, 3);

    const struct
    {
        const char *name, *caption;
        void (MifarePursePanel::*handler)();
    } buttons[] = {
        {"INITRFCmd", "Initialize", &MifarePursePanel::initialise},
        {"INCRFCmd", "Increment", &MifarePursePanel::increment},
        {"DECRFCmd", "Decrement", &MifarePursePanel::decrement},
        {"ReadValueRfCmd", "Read", &MifarePursePanel::readValue},
    };
    int column = 0;
    for (const auto &b : buttons) {
        auto *button = makeButton(this, QString::fromLatin1(b.name), QString::fromLatin1(b.caption));
        connect(button, &QPushButton::clicked, this, b.handler);
        grid->addWidget(button, 1, column++);
    }
}

void MifarePursePanel::initialise()
{
    run(MifareInitValue, true, QStringLiteral("Initialize"), QStringLiteral("Initialize success"));
}

void MifarePursePanel::increment()
{
    run(MifareIncrement, true, QStringLiteral("Increment"), QStringLiteral("Increment"));
}

void MifarePursePanel::decrement()
{
    run(MifareDecrement, true, QStringLiteral("Decrement"), QStringLiteral("Decrement"));
}

void MifarePursePanel::readValue()
{
    run(MifareReadValue, false, QStringLiteral("Read"), QStringLiteral("Read success"));
}

void MifarePursePanel::run(quint8 op, bool withValue, const QString &title, const QString &firstLine)
{
    m_runner.run(
        [=](quint8 address) -> std::optional<QByteArray> {
            const int sector = m_sector(), block = m_block->currentIndex();
            if (mifare::isManufacturerBlock(sector, block) || mifare::isTrailer(sector, block)) {
                m_runner.prompter().message(Icon::Exclamation, text::caution(),
                                            QStringLiteral("The block does not support the purse operation"));
                return std::nullopt;
            }
            QByteArray args;
            args.append(char(sector));
            args.append(char(block));
            if (withValue) {
                const auto value = encodePurseValue(m_value->text());
                if (!value)
                    throw DataError{};
                args.append(char(ValueLength));
                args.append(*value);
            }
            return mifare::frame(address, op, args);
        },
        [=](const Reply &r) {
            if (op == MifareReadValue && mifare::succeeded(r))
                m_value->setText(decodePurseValue(r.bytes(6, 9)));
            mifare::showResult(m_runner, title, firstLine, r);
        });
}

}  // namespace mdq
