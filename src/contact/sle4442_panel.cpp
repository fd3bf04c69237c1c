#include "contact/sle4442_panel.h"

#include "contact/memory_card_status.h"
#include "contact/panel_widgets.h"
#include "contact/sle_card_control.h"
#include "link/commands.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {
// P1 of a read or write: the memory area.
constexpr quint8 AreaMain = 0x00, AreaProtection = 0x01, AreaSecurity = 0x02;
}  // namespace

Sle4442Panel::Sle4442Panel(MemoryCardIo &io, QWidget *parent) : QWidget(parent), m_io(io)
{
    auto *layout = new QVBoxLayout(this);

    layout->addLayout(sle::powerRow(this, 1, m_io.runner()));

    auto *passRow = new QHBoxLayout;
    passRow->addWidget(new QLabel(QStringLiteral("Password:"), this));
    for (int i = 0; i < 3; ++i) {
        // The factory code of a new card.
        m_pass[i] = makeByteBox(this, QStringLiteral("SL4442Pass%1").arg(i + 1), QStringLiteral("FF"));
        passRow->addWidget(m_pass[i]);
    }
    auto *verify = makeButton(this, QStringLiteral("SL4442Pass"), QStringLiteral("Verification Password"));
    auto *change = makeButton(this, QStringLiteral("SL4442Change"), QStringLiteral("Change Password"));
    passRow->addWidget(verify);
    passRow->addWidget(change);
    passRow->addStretch(1);
    layout->addLayout(passRow);

    auto *areaRow = new QHBoxLayout;
    areaRow->addWidget(new QLabel(QStringLiteral("Address:"), this));
    m_address = makeByteBox(this, QStringLiteral("SL4442Add1"), QStringLiteral("00"));
    areaRow->addWidget(m_address);
    areaRow->addWidget(new QLabel(QStringLiteral("Length:"), this));
    m_length = makeByteBox(this, QStringLiteral("SL4442Long"), QStringLiteral("80"));
    areaRow->addWidget(m_length);
    areaRow->addStretch(1);
    layout->addLayout(areaRow);

    auto *ops = new QGridLayout;
    auto *readSecurity = makeButton(this, QStringLiteral("SL4442ReadAnquan"), QStringLiteral("Read Security Memory"));
    auto *readMain = makeButton(this, QStringLiteral("SL4442ReadCenChu"), QStringLiteral("Read Main Memory"));
    auto *readProt = makeButton(this, QStringLiteral("SL4442ReadBaoHu"), QStringLiteral("Read Protection Memory"));
    auto *writeMain = makeButton(this, QStringLiteral("SL4442WriteCenChu"), QStringLiteral("Write Main Memory"));
    auto *writeProt = makeButton(this, QStringLiteral("SL4442WriteBaoHu"), QStringLiteral("Write Protection Memory"));
    ops->addWidget(readSecurity, 0, 0);
    ops->addWidget(readMain, 0, 1);
    ops->addWidget(readProt, 0, 2);
    ops->addWidget(writeMain, 1, 1);
    ops->addWidget(writeProt, 1, 2);
    layout->addLayout(ops);

    auto *hint = new QLabel(
        QStringLiteral("Main Memory Add. Range : 0x00-0xFF        Main Memory Longth Range :0x01--0x80    Protection "
                       "Memory Add. Range :0x00-0x1F   Protection Memory Longth Range :0x01--0x20"),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addStretch(1);

    connect(verify, &QPushButton::clicked, this, [this] {
        m_io.transmit(CmSle, PmSle4442Apdu,
                      [this] { return memoryHeader(MemoryVerify, {0x03, 0x01, 0x03}) + code(); });
    });
    connect(change, &QPushButton::clicked, this, [this] {
        // The code is bytes 1 to 3 of the security memory.
        m_io.transmit(CmSle, PmSle4442Apdu,
                      [this] { return memoryHeader(MemoryWrite, {AreaSecurity, 0x01, 0x03}) + code(); });
    });
    connect(readSecurity, &QPushButton::clicked, this, [this] {
        m_io.readIntoMessage(CmSle, PmSle4442Apdu,
                             [] { return memoryHeader(MemoryRead, {AreaSecurity, 0x00, 0x04}); });
    });
    connect(readMain, &QPushButton::clicked, this, [this] { readArea(AreaMain); });
    connect(readProt, &QPushButton::clicked, this, [this] { readArea(AreaProtection); });
    connect(writeMain, &QPushButton::clicked, this, [this] { writeArea(AreaMain); });
    connect(writeProt, &QPushButton::clicked, this, [this] { writeArea(AreaProtection); });
}

QByteArray Sle4442Panel::code() const
{
    QByteArray c;
    for (auto *box : m_pass)
        c.append(char(needByte(box->text())));
    return c;
}

void Sle4442Panel::readArea(quint8 area)
{
    m_io.readIntoGrid(CmSle, PmSle4442Apdu, [this, area] {
        return memoryHeader(MemoryRead, {area, needByte(m_address->text()), needByte(m_length->text())});
    });
}

void Sle4442Panel::writeArea(quint8 area)
{
    m_io.writeFromGrid(CmSle, PmSle4442Apdu, m_length->text(), [this, area] {
        return memoryHeader(MemoryWrite, {area, needByte(m_address->text()), needByte(m_length->text())});
    });
}

}  // namespace mdq
