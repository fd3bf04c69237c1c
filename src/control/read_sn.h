#pragma once
// "Read SN of Card Reader": the unit serial number (UnitText), trimmed of
// leading and trailing blanks.

#include <QDialog>

namespace mdq {

class ReadSn : public QDialog
{
    Q_OBJECT
public:
    ReadSn(const QString &unitText, QWidget *parent);
};

}  // namespace mdq
