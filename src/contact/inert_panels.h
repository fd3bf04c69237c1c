#pragma once
// The AT88SC102, AT88SC1604, AT88SC1608 and AT45D041 pages: their controls are
// laid out for the operator, but the reader offers these cards no operation,
// so the buttons are disabled and say why.

#include <QString>

class QWidget;

namespace mdq {

// The tooltip and note of a control with no reader command behind it.
QString noCommandReason();

QWidget *makeAt88sc102Page(QWidget *parent);
QWidget *makeAt88sc1604Page(QWidget *parent);
QWidget *makeAt88sc1608Page(QWidget *parent);
QWidget *makeAt45d041Page(QWidget *parent);

}  // namespace mdq
