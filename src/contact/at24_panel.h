#pragma once
// The "24CXX" page: serial EEPROM cards 24C01 to 24C512.

#include <QWidget>

namespace mdq {

class FilteredLineEdit;
class MemoryCardIo;

class At24Panel : public QWidget
{
    Q_OBJECT
public:
    At24Panel(MemoryCardIo &io, QWidget *parent);

private:
    QByteArray header(quint8 ins) const;

    MemoryCardIo &m_io;
    FilteredLineEdit *m_addHigh;
    FilteredLineEdit *m_addLow;
    FilteredLineEdit *m_length;
};

// Texts for the size code of the activation and status replies (empty: no message).
QString at24ActivationText(quint8 code);
QString at24StatusText(quint8 code);

}  // namespace mdq
