#include "contact/sle4428_panel.h"

#include "contact/memory_card_status.h"
#include "contact/panel_widgets.h"
#include "contact/sle_card_control.h"
#include "link/commands.h"
#include "link/execute_command.h"
#include "platform/prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {
constexpr quint8 HighestHighAddress = 0x03;  // 1 KB: 0000h..03FFh
constexpr quint8 ProtectionBits = 0x10;      // P1 of a read of the protection bits
}  // namespace

Sle4428Panel::Sle4428Panel(MemoryCardIo &io, QWidget *parent) : QWidget(parent), m_io(io)
{
    auto *layout = new QVBoxLayout(this);

    layout->addLayout(sle::powerRow(this, 2, m_io.runner()));

    auto *passRow = new QHBoxLayout;
    passRow->addWidget(new QLabel(QStringLiteral("Password:"), this));
    for (int i = 0; i < 2; ++i) {
        m_pass[i] = makeByteBox(this, QStringLiteral("SL4428Pass%1").arg(i + 1), QStringLiteral("FF"));
        passRow->addWidget(m_pass[i]);
    }
    auto *verify = makeButton(this, QStringLiteral("SL4428PASS"), QStringLiteral("Check Password"));
    auto *change = makeButton(this, QStringLiteral("SL4428CHANGE"), QStringLiteral("Change Password"));
    passRow->addWidget(verify);
    passRow->addWidget(change);
    passRow->addStretch(1);
    layout->addLayout(passRow);

    auto *areaRow = new QHBoxLayout;
    areaRow->addWidget(new QLabel(QStringLiteral("Address  Range :0x0000-0x03FF"), this));
    m_addHigh = makeByteBox(this, QStringLiteral("SL4428Add1"), QStringLiteral("00"));
    m_addLow = makeByteBox(this, QStringLiteral("SL4428Add2"), QStringLiteral("00"));
    areaRow->addWidget(m_addHigh);
    areaRow->addWidget(m_addLow);
    areaRow->addWidget(new QLabel(QStringLiteral("Length(0x01--0x80)"), this));
    m_length = makeByteBox(this, QStringLiteral("SL4428Long"), QStringLiteral("80"));
    areaRow->addWidget(m_length);
    areaRow->addStretch(1);
    layout->addLayout(areaRow);

    auto *ops = new QGridLayout;
    auto *readArea = makeButton(this, QStringLiteral("SL4428READAREA"), QStringLiteral("Read Main Memory"));
    auto *readBits = makeButton(this, QStringLiteral("SL4428READBIT"), QStringLiteral("Read Protection Memory"));
    auto *write1 = makeButton(this, QStringLiteral("SL4428WRITEAREA1"), QStringLiteral("Write Without Protection Bit"));
    auto *write2 = makeButton(this, QStringLiteral("SL4428WRITEAREA2"), QStringLiteral("Write With Protection Bit"));
    ops->addWidget(readArea, 0, 0);
    ops->addWidget(readBits, 0, 1);
    ops->addWidget(write1, 1, 0);
    ops->addWidget(write2, 1, 1);
    layout->addLayout(ops);
    layout->addStretch(1);

    connect(verify, &QPushButton::clicked, this, [this] {
        m_io.transmit(CmSle, PmSle4428Apdu,
                      [this] { return memoryHeader(MemoryVerify, {0x00, 0x00, 0x02}) + code(); });
    });
    connect(change, &QPushButton::clicked, this, [this] {
        m_io.transmit(CmSle, PmSle4428Apdu,
                      [this] { return memoryHeader(MemoryChangeCode, {0x01, 0x00, 0x02}) + code(); });
    });
    connect(readArea, &QPushButton::clicked, this, [this] {
        m_io.readIntoGrid(CmSle, PmSle4428Apdu, [this] {
            return memoryHeader(MemoryRead,
                                {needByte(m_addHigh->text()), needByte(m_addLow->text()), needByte(m_length->text())});
        });
    });
    connect(readBits, &QPushButton::clicked, this, [this] {
        // The protection bits are read with P1 = 10h whatever the high address box says.
        m_io.readIntoGrid(CmSle, PmSle4428Apdu, [this] {
            return memoryHeader(MemoryRead, {ProtectionBits, needByte(m_addLow->text()), needByte(m_length->text())});
        });
    });
    connect(write1, &QPushButton::clicked, this, [this] { write(0x00); });
    connect(write2, &QPushButton::clicked, this, [this] { write(0x20); });
}

QByteArray Sle4428Panel::code() const
{
    return QByteArray(1, char(needByte(m_pass[0]->text()))) + char(needByte(m_pass[1]->text()));
}

void Sle4428Panel::write(quint8 protectFlag)
{
    m_io.writeFromGrid(CmSle, PmSle4428Apdu, m_length->text(), [this, protectFlag] {
        const quint8 high = needByte(m_addHigh->text());
        if (high > HighestHighAddress) {
            // A warning only: the write still goes out, with P1 from the low digit.
            m_io.runner().prompter().message(Icon::Exclamation, text::caution(), QStringLiteral("Address out of range"));
        }
        // P1: the flag digit, then the low digit of the high address. Taken from
        // the value, so a box holding just "3" writes page 03h, not page 00h.
        const quint8 p1 = quint8(protectFlag | (high & 0x0F));
        return memoryHeader(MemoryWrite, {p1, needByte(m_addLow->text()), needByte(m_length->text())});
    });
}

}  // namespace mdq
