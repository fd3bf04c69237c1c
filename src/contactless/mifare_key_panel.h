#pragma once
// "Password operation commands": the sector choice shared by the S50/S70
// panels, the key row, KEY A / KEY B, and download / load / check / change.

#include <QGroupBox>

class QComboBox;
class QRadioButton;

namespace mdq {

class CommandRunner;
class HexCellRow;

class MifareKeyPanel : public QGroupBox
{
    Q_OBJECT
public:
    MifareKeyPanel(CommandRunner &runner, QWidget *parent);

    // The selected index of SecNumberCombo (0 to 39), the sector byte.
    int sector() const;
    HexCellRow &keyCells() { return *m_key; }

    void downloadKey();
    void loadKey();
    void checkKey();
    void changeKey();

private:
    quint8 keyType() const;
    // sector, 06h, the six key cells (DataError for a cell that is not hex).
    QByteArray sectorAndKey() const;

    CommandRunner &m_runner;
    QComboBox *m_sector = nullptr;
    QRadioButton *m_keyA = nullptr;
    HexCellRow *m_key = nullptr;
};

}  // namespace mdq
