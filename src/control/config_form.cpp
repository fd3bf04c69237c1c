#include "control/config_form.h"

#include "link/reply.h"

#include <QLabel>
#include <QPushButton>

namespace mdq {

namespace {
constexpr int px(int twips) { return twips / 15; }  // 15 twips per pixel at 96 dpi
constexpr int ConfigSize = 10;
}  // namespace

const std::array<ConfigRow, 8> &configRows()
{
    static const std::array<ConfigRow, 8> rows{{
        {"Card machiner identifies words", "Label10", 0, 1, {{'7', "MDQ-820"}}},
        {"Software code", "Label11", 1, 3, {}},
        {"Support the type of card operation", "Label12", 4, 1,
         {{'0', "No read-write card function"},
          {'I', "Only supports contactless IC card Read/Write"},
          {'C', "Only supports RF Card Read/Write"},
          {'E', "Supports RF and contactless IC card Read/Write"}}},
        {"Communication Interface", "Label13", 5, 1, {{'R', "RS-232 Interface"}, {'U', "USB Interface"}}},
        {"IC Card Module Type", "Label14", 6, 1,
         {{'0', "No IC Card Read/Write Module"},
          {'1', "There IC card contacts components, for the third-party "},
          {'2', "MDQ Standard IC Card Read/Write Module"}}},
        {"RF Card Module Type", "Label15", 7, 1,
         {{'0', "No RF Card Read/Write Module"},
          {'1', "There RF card contacts components, for the third-party "},
          {'2', "MDQ Standard RF Card Read/Write Module"}}},
        {"SAM Card Module Type", "Label16", 8, 1,
         {{'0', "No SAM card operation functions"},
          {'1', "Support for one SAM card operation"},
          {'2', "Support two SAM card operation"},
          {'3', "Support three SAM card operation"},
          {'4', "Support four SAM card operation"},
          {'5', "Support five SAM card operation"}}},
        {"Dispense card component type", "Label17", 9, 1,
         {{0x30, "Rub card issuer Components"}, {0x31, "Drawing card issuer Components"}}},
    }};
    return rows;
}

QStringList decodeConfig(const QByteArray &bytes)
{
    QStringList values;
    for (const ConfigRow &row : configRows()) {
        QString value;
        if (row.firstByte + row.byteCount <= bytes.size()) {
            if (row.texts.isEmpty()) {
                value = QString::fromLatin1(bytes.mid(row.firstByte, row.byteCount));
            } else {
                const quint8 b = quint8(bytes[row.firstByte]);
                for (const auto &[code, text] : row.texts)
                    if (code == b)
                        value = QString::fromLatin1(text);
            }
        }
        values << value;
    }
    return values;
}

QByteArray configBytesFrom(const Reply &reply)
{
    return reply.data().left(ConfigSize);
}

ConfigForm::ConfigForm(const QByteArray &configBytes, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("Card machine configuration information"));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);

    const QStringList values = decodeConfig(configBytes);
    for (int i = 0; i < int(configRows().size()); ++i) {
        const ConfigRow &row = configRows()[i];
        const int top = 360 + 480 * i;
        auto *caption = new QLabel(QString::fromLatin1(row.caption), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(i));
        caption->setGeometry(px(240), px(top), px(3400), px(285));
        auto *value = new QLabel(values.at(i), this);
        value->setObjectName(QString::fromLatin1(row.valueLabel));
        value->setGeometry(px(3720), px(top), px(6975), px(285));
    }
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(px(4560), px(4560), px(1695), px(495));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(px(3720 + 6975 + 240), px(4560 + 495 + 360));
}

}  // namespace mdq
