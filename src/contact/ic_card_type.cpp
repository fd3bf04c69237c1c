#include "contact/ic_card_type.h"

namespace mdq {

namespace {

enum Page { Unchanged = -1, CpuSam = 0, Sle4442 = 1, Sle4428 = 2, At24 = 4 };

struct TypeRow
{
    const char *code;
    const char *text;
    int page;
};

const TypeRow kTypes[] = {
    {"00", "Unknow Type", Unchanged},   {"10", "T=0 CPU Card", CpuSam},  {"11", "T=1 CPU Card", CpuSam},
    {"20", "SLE4442 Card", Sle4442},    {"21", "SLE4428 Card", Sle4428}, {"30", "24C01 Card", At24},
    {"31", "24C02 Card", At24},         {"32", "24C04 Card", At24},      {"33", "24C08 Card", At24},
    {"34", "24C16 Card", At24},         {"35", "24C32 Card", At24},      {"36", "24C64 Card", At24},
    {"37", "24C128 Card", At24},        {"38", "24C256 Card", At24},
};

}  // namespace

IcCardType icCardType(const QString &code)
{
    for (const auto &row : kTypes) {
        if (code == QLatin1String(row.code))
            return {QString::fromLatin1(row.text), row.page};
    }
    return {QStringLiteral("Unknow Error"), Unchanged};
}

}  // namespace mdq
