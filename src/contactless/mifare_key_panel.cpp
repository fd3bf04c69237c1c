#include "contactless/mifare_key_panel.h"

#include "contactless/mifare_command.h"
#include "contactless/rf_widgets.h"
#include "ui/command_runner.h"
#include "ui/widgets.h"
#include "ui/hex_cell_row.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace mdq {

namespace {
constexpr int SectorItems = 40;
constexpr int DefaultSector = 1;
}  // namespace

MifareKeyPanel::MifareKeyPanel(CommandRunner &runner, QWidget *parent)
    : QGroupBox(QStringLiteral("Password operation commands"), parent), m_runner(runner)
{
    auto *grid = new QGridLayout(this);
    m_sector = new QComboBox(this);
    m_sector->setObjectName(QStringLiteral("SecNumberCombo"));
    fillHexCombo(m_sector, SectorItems, DefaultSector);
    grid->addWidget(new QLabel(QStringLiteral("The current number of sectors"), this), 0, 0);
    grid->addWidget(m_sector, 0, 1);

    m_keyA = new QRadioButton(QStringLiteral("KEY A"), this);
    m_keyA->setObjectName(QStringLiteral("RfKeyAB1"));
    auto *keyB = new QRadioButton(QStringLiteral("KEY B"), this);
    keyB->setObjectName(QStringLiteral("RfKeyAB2"));
    m_keyA->setChecked(true);
    grid->addWidget(m_keyA, 0, 2);
    grid->addWidget(keyB, 0, 3);

    grid->addWidget(new QLabel(QStringLiteral("Sector password"), this), 1, 0);
    auto *cells = new QHBoxLayout;
    m_key = new HexCellRow(QStringLiteral("SRFPASSWORDLIST"), mifare::KeyLength, HexCellRow::Overflow::KeepLastTwo,
                           this);
    m_key->setAccessibleNames(QStringLiteral("Sector key byte"), 1);
    for (int i = 0; i < m_key->count(); ++i)
        cells->addWidget(m_key->cell(i));
    cells->addStretch(1);
    grid->addLayout(cells, 1, 1, 1, 3);
    // The transport key of a fresh card, so a new card can be checked at once.
    // Filled quietly: a filled cell would otherwise move the focus.
    for (int i = 0; i < m_key->count(); ++i) {
        const QSignalBlocker quiet(m_key->cell(i));
        m_key->cell(i)->setText(QStringLiteral("FF"));
    }

    const struct
    {
        const char *name, *caption;
        void (MifareKeyPanel::*handler)();
    } buttons[] = {
        {"StoreKeyToEEBtn", "Download password to EEPROM", &MifareKeyPanel::downloadKey},
        {"ReadKeyFromEEBtn", "Load password from the EEPROM", &MifareKeyPanel::loadKey},
        {"RFCheckPasswordBtn", "Check password", &MifareKeyPanel::checkKey},
        {"RFChangePasswordBtn", "Change Password", &MifareKeyPanel::changeKey},
    };
    int column = 0;
    for (const auto &b : buttons) {
        auto *button = makeButton(this, QString::fromLatin1(b.name), QString::fromLatin1(b.caption));
        connect(button, &QPushButton::clicked, this, b.handler);
        grid->addWidget(button, 2, column++);
    }
}

int MifareKeyPanel::sector() const
{
    return m_sector->currentIndex();
}

quint8 MifareKeyPanel::keyType() const
{
    return m_keyA->isChecked() ? 0x00 : 0x01;
}

QByteArray MifareKeyPanel::sectorAndKey() const
{
    QByteArray bytes;
    bytes.append(char(sector()));
    bytes.append(char(mifare::KeyLength));
    for (int i = 0; i < mifare::KeyLength; ++i)
        bytes.append(char(needByte(m_key->text(i))));
    return bytes;
}

void MifareKeyPanel::downloadKey()
{
    m_runner.run(
        [this](quint8 address) {
            return std::optional(mifare::frame(address, MifareDownloadKey, char(keyType()) + sectorAndKey()));
        },
        [this](const Reply &r) {
            mifare::showResult(m_runner, QStringLiteral("Download password to EEPROM"),
                               QStringLiteral("Download password to EEPROM "), r, QStringLiteral("Exxcute OK"));
        });
}

void MifareKeyPanel::loadKey()
{
    QByteArray args;
    args.append(char(keyType()));
    args.append(char(sector()));
    m_runner.run(CmRf, PmRfMifare, mifare::data(MifareLoadKey, args), [this](const Reply &r) {
        mifare::showResult(m_runner, QStringLiteral("Load password from the EEPROM"),
                           QStringLiteral("Load password from the EEPROM "), r);
    });
}

void MifareKeyPanel::checkKey()
{
    m_runner.run(
        [this](quint8 address) {
            return std::optional(mifare::frame(address, MifareCheckKey, char(keyType()) + sectorAndKey()));
        },
        [this](const Reply &r) {
            mifare::showResult(m_runner, QStringLiteral("Check Password"), QStringLiteral("Check Password"), r);
        });
}

void MifareKeyPanel::changeKey()
{
    // The new key is always Key A: the key-type position is 00h whatever is chosen.
    m_runner.run(
        [this](quint8 address) {
            return std::optional(mifare::frame(address, MifareChangeKey, char(0) + sectorAndKey()));
        },
        [this](const Reply &r) {
            mifare::showResult(m_runner, QStringLiteral("Change Password"), QStringLiteral("Change Password"), r);
        });
}

}  // namespace mdq
