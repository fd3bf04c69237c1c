#include "contact/at24_panel.h"

#include "contact/memory_card_status.h"
#include "contact/panel_widgets.h"
#include "link/commands.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {

struct SizeRow
{
    quint8 code;
    const char *activation;  // nullptr: no message
    const char *status;
};

const SizeRow kSizes[] = {
    {'0', nullptr, "Non_card(24CXXX) actived"},
    {'1', "24C01 Activate Success", "24C01 actived"},
    {'2', "24C02 Activate Success", "24C02 actived"},
    {'3', "24C04 Activate Success", "24C04 actived"},
    {'4', "24C08 Activate Success", "24C08 actived"},
    {'5', "24C16 Activate Success", "24C16 actived"},
    {'6', "24C32 Activate Success", "24C32 actived"},
    {'7', "24C64 Activate Success", "24C64 actived"},
    {'8', "24C128 Activate Success", "24C128 actived"},
    {'9', "24C256 Activate Success", "24C256 actived"},
    {':', "24C512 Activate Success", nullptr},
};

const SizeRow *sizeRow(quint8 code)
{
    for (const auto &row : kSizes) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

}  // namespace

QString at24ActivationText(quint8 code)
{
    const SizeRow *row = sizeRow(code);
    return row && row->activation ? QString::fromLatin1(row->activation) : QString();
}

QString at24StatusText(quint8 code)
{
    const SizeRow *row = sizeRow(code);
    return row && row->status ? QString::fromLatin1(row->status) : QString();
}

At24Panel::At24Panel(MemoryCardIo &io, QWidget *parent) : QWidget(parent), m_io(io)
{
    auto *layout = new QVBoxLayout(this);
    auto *power = new QHBoxLayout;
    auto *up = makeButton(this, QStringLiteral("IC24Reset"), QStringLiteral("Activate"));
    auto *status = makeButton(this, QStringLiteral("IC24ICStatus"), QStringLiteral("Inquire Status"));
    auto *down = makeButton(this, QStringLiteral("IC24ICDown"), QStringLiteral("Deactivate"));
    power->addWidget(up);
    power->addWidget(status);
    power->addWidget(down);
    layout->addLayout(power);

    auto *areaRow = new QHBoxLayout;
    areaRow->addWidget(new QLabel(QStringLiteral("Address:"), this));
    m_addHigh = makeByteBox(this, QStringLiteral("IC24XXADD1"), QStringLiteral("00"));
    m_addLow = makeByteBox(this, QStringLiteral("IC24XXADD2"), QStringLiteral("00"));
    areaRow->addWidget(m_addHigh);
    areaRow->addWidget(m_addLow);
    // The length box after its own label, apart from the two address bytes.
    areaRow->addSpacing(12);
    areaRow->addWidget(new QLabel(QStringLiteral("Length: 0x01--0x80"), this));
    m_length = makeByteBox(this, QStringLiteral("IC24XXLONG"), QStringLiteral("80"));
    areaRow->addWidget(m_length);
    areaRow->addStretch(1);
    layout->addLayout(areaRow);

    auto *ops = new QHBoxLayout;
    auto *read = makeButton(this, QStringLiteral("IC24XXREAD"), QStringLiteral("Read Data"));
    auto *write = makeButton(this, QStringLiteral("IC24XXWRITE"), QStringLiteral("Write Data"));
    ops->addWidget(read);
    ops->addWidget(write);
    ops->addStretch(1);
    layout->addLayout(ops);
    layout->addStretch(1);

    CommandRunner &runner = m_io.runner();
    connect(up, &QPushButton::clicked, this, [&runner] {
        runner.run(CmAt24, PmAt24Activate, QByteArray("0"), [&runner](const Reply &r) {
            const QString text = at24ActivationText(r.at(6));
            if (!text.isEmpty())
                runner.showInformation(QStringLiteral("Activate"), text);
        });
    });
    connect(status, &QPushButton::clicked, this, [&runner] {
        runner.run(CmAt24, PmAt24Status, {}, [&runner](const Reply &r) {
            const QString text = at24StatusText(r.at(6));
            if (!text.isEmpty())
                runner.showInformation(QStringLiteral("Inquire Status)"), text);
        });
    });
    connect(down, &QPushButton::clicked, this, [&runner] {
        runner.run(CmSle, PmSleDeactivate, {}, [&runner](const Reply &) {
            runner.showInformation(QStringLiteral("Deactivate"), QStringLiteral("Deactivate Success"));
        });
    });
    connect(read, &QPushButton::clicked, this,
            [this] { m_io.readIntoGrid(CmAt24, PmAt24Apdu, [this] { return header(MemoryRead); }); });
    connect(write, &QPushButton::clicked, this, [this] {
        m_io.writeFromGrid(CmAt24, PmAt24Apdu, m_length->text(), [this] { return header(MemoryWrite); });
    });
}

QByteArray At24Panel::header(quint8 ins) const
{
    return memoryHeader(ins, {needByte(m_addHigh->text()), needByte(m_addLow->text()), needByte(m_length->text())});
}

}  // namespace mdq
