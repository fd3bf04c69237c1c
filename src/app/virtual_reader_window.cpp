#include "app/virtual_reader_window.h"

#include "platform/line_busy.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mdq {

VirtualReaderWindow::VirtualReaderWindow(Control control, const QString &device, QWidget *parent)
    : QWidget(parent, Qt::Window), m_control(std::move(control))
{
    setObjectName(QStringLiteral("VirtualReader"));
    setWindowTitle(QStringLiteral("Virtual reader"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Virtual MDQ-820 on %1").arg(device), this));

    auto addGroup = [&](const QString &title, const QList<QPair<QString, QString>> &buttons) {
        auto *box = new QGroupBox(title, this);
        auto *grid = new QGridLayout(box);
        int i = 0;
        for (const auto &b : buttons) {
            auto *button = new QPushButton(b.first, box);
            button->setAutoDefault(false);
            const QString command = b.second;
            button->setObjectName(QStringLiteral("Sim_") + QString(command).replace(QLatin1Char(' '), QLatin1Char('_')));
            connect(button, &QPushButton::clicked, this, [this, command] { send(command); });
            grid->addWidget(button, i / 3, i % 3);
            ++i;
        }
        layout->addWidget(box);
    };
    addGroup(QStringLiteral("Card"), {{QStringLiteral("Insert at front"), QStringLiteral("insert")},
                                      {QStringLiteral("Take from front"), QStringLiteral("take")},
                                      {QStringLiteral("Jam"), QStringLiteral("jam")},
                                      {QStringLiteral("Clear jam"), QStringLiteral("unjam")}});
    addGroup(QStringLiteral("Stacker and bin"), {{QStringLiteral("Stacker empty"), QStringLiteral("stacker empty")},
                                                 {QStringLiteral("Stacker low"), QStringLiteral("stacker low")},
                                                 {QStringLiteral("Stacker full"), QStringLiteral("stacker full")},
                                                 {QStringLiteral("Bin full"), QStringLiteral("bin full")},
                                                 {QStringLiteral("Bin empty"), QStringLiteral("bin empty")}});

    auto *faults = new QGroupBox(QStringLiteral("Fault on the line"), this);
    auto *row = new QHBoxLayout(faults);
    auto *fault = new QComboBox(faults);
    fault->addItems({QStringLiteral("none"), QStringLiteral("nak once"), QStringLiteral("silent once"),
                     QStringLiteral("ack-only once"), QStringLiteral("header-only once"),
                     QStringLiteral("bad-bcc once"), QStringLiteral("delay 2000"), QStringLiteral("delay 0"),
                     QStringLiteral("negative 10"), QStringLiteral("negative A1")});
    fault->setEditable(true);
    fault->setObjectName(QStringLiteral("SimFault"));
    auto *apply = new QPushButton(QStringLiteral("Inject"), faults);
    apply->setObjectName(QStringLiteral("SimInject"));
    apply->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, [this, fault] { send(QStringLiteral("fault ") + fault->currentText()); });
    row->addWidget(fault, 1);
    row->addWidget(apply);
    layout->addWidget(faults);

    auto *commandRow = new QHBoxLayout;
    m_command = new QLineEdit(this);
    m_command->setObjectName(QStringLiteral("SimCommand"));
    m_command->setPlaceholderText(QStringLiteral("control command, e.g. chip ic sle4442 (help lists them)"));
    connect(m_command, &QLineEdit::returnPressed, this, [this] {
        send(m_command->text());
        m_command->clear();
    });
    commandRow->addWidget(m_command, 1);
    layout->addLayout(commandRow);

    m_answer = new QLabel(this);
    m_answer->setObjectName(QStringLiteral("SimAnswer"));
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_answer);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("SimState"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_state);
    m_state->setText(m_control(QStringLiteral("state")));
    // The bench, not part of the tool: never blocked by its waits or its
    // modal windows.
    markNeverBlocked(this);
    // The reader changes on its own (a move, a fault used up): follow it.
    m_refresh.setInterval(300);
    connect(&m_refresh, &QTimer::timeout, this, &VirtualReaderWindow::refreshState);
    m_refresh.start();
}

void VirtualReaderWindow::refreshState()
{
    const QString state = m_control(QStringLiteral("state"));
    if (state != m_state->text())
        m_state->setText(state);
}

void VirtualReaderWindow::send(const QString &command)
{
    if (command.trimmed().isEmpty())
        return;
    m_answer->setText(QStringLiteral("> %1\n%2").arg(command, m_control(command)));
    refreshState();
}

}  // namespace mdq
