#pragma once
// The contact card type codes of the "IC Card Type" reply and the pages they
// bring to the front.

#include <QString>

namespace mdq {

struct IcCardType
{
    QString text;
    int ssTab2Page;  // -1: leave the tab controls where they are
};

// code: the two type characters, trimmed; unknown codes give "Unknow Error".
IcCardType icCardType(const QString &code);

}  // namespace mdq
