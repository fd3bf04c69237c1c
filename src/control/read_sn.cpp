#include "control/read_sn.h"

#include "ui/trim_blanks.h"

#include <QLineEdit>
#include <QPushButton>

namespace mdq {

namespace {
constexpr int px(int twips) { return twips / 15; }  // 15 twips per pixel at 96 dpi
}  // namespace

ReadSn::ReadSn(const QString &unitText, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReadSn"));
    setWindowTitle(QStringLiteral("Read SN of Card Reader"));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);

    auto *text = new QLineEdit(trimBlanks(unitText), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setGeometry(px(720), px(480), px(3495), px(375));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(px(1800), px(1320), px(1215), px(495));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(px(720 + 3495 + 720), px(1320 + 495 + 480));
}

}  // namespace mdq
