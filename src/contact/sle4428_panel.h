#pragma once
// The "SLE4428" page: 1 KB with a protection bit per byte, a two-byte code
// and a two-byte address.

#include <QWidget>

namespace mdq {

class FilteredLineEdit;
class MemoryCardIo;

class Sle4428Panel : public QWidget
{
    Q_OBJECT
public:
    Sle4428Panel(MemoryCardIo &io, QWidget *parent);

private:
    QByteArray code() const;
    // protectFlag: 00h plain write, 20h write with protection bit.
    void write(quint8 protectFlag);

    MemoryCardIo &m_io;
    FilteredLineEdit *m_pass[2];
    FilteredLineEdit *m_addHigh;
    FilteredLineEdit *m_addLow;
    FilteredLineEdit *m_length;
};

}  // namespace mdq
