#pragma once
// The "SLE4442" page: activate, status, deactivate, security code, and the
// main, protection and security memories.

#include <QWidget>

namespace mdq {

class FilteredLineEdit;
class MemoryCardIo;

class Sle4442Panel : public QWidget
{
    Q_OBJECT
public:
    Sle4442Panel(MemoryCardIo &io, QWidget *parent);

private:
    QByteArray code() const;
    void readArea(quint8 area);
    void writeArea(quint8 area);

    MemoryCardIo &m_io;
    FilteredLineEdit *m_pass[3];
    FilteredLineEdit *m_address;
    FilteredLineEdit *m_length;
};

}  // namespace mdq
