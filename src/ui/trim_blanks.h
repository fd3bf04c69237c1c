#pragma once
// Blanks (spaces only, as the tool's texts are trimmed) removed at both ends;
// line ends and tabs are kept.

#include <QString>

namespace mdq {

inline QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

}  // namespace mdq
