#include "contact/sle_card_control.h"

#include "contact/panel_widgets.h"
#include "link/commands.h"
#include "ui/command_runner.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace mdq::sle {

namespace {

struct AtrRow
{
    QByteArray atr;
    const char *text;
};

const AtrRow kAnswersToReset[] = {
    {QByteArray::fromHex("A2131091"), "SLE4442 Activate success"},
    {QByteArray::fromHex("92231091"), "SLE4428 Activate success"},
};

const char *const kStatusTexts[] = {"SLE4442/4428 Deactivated", "SLE4442 Activated", "SLE4428 Activated"};

}  // namespace

void activate(CommandRunner &runner)
{
    runner.run(CmSle, PmSleActivate, {}, [&runner](const Reply &r) {
        const QByteArray atr = r.bytes(6, 9);
        for (const auto &row : kAnswersToReset) {
            if (atr == row.atr)
                runner.showInformation(QStringLiteral("Activate"), QString::fromLatin1(row.text));
        }
    });
}

void inquireStatus(CommandRunner &runner)
{
    runner.run(CmSle, PmSleStatus, {}, [&runner](const Reply &r) {
        const int i = int(r.at(6)) - '0';
        if (i >= 0 && i < int(std::size(kStatusTexts)))
            runner.showInformation(QStringLiteral("Inquire Status"), QString::fromLatin1(kStatusTexts[i]));
    });
}

void deactivate(CommandRunner &runner)
{
    runner.run(CmSle, PmSleDeactivate, {}, [&runner](const Reply &) {
        runner.showInformation(QStringLiteral("Deactivate"), QStringLiteral("Deactivate success"));
    });
}

QHBoxLayout *powerRow(QWidget *panel, int n, CommandRunner &runner)
{
    auto *row = new QHBoxLayout;
    auto *up = makeButton(panel, QStringLiteral("SiemensICUp%1").arg(n), QStringLiteral("Activate"));
    auto *status = makeButton(panel, QStringLiteral("SiemensICStatus%1").arg(n), QStringLiteral("Inquire Status"));
    auto *down = makeButton(panel, QStringLiteral("SiemensICDown%1").arg(n), QStringLiteral("Deactivate"));
    row->addWidget(up);
    row->addWidget(status);
    row->addWidget(down);
    QObject::connect(up, &QPushButton::clicked, panel, [&runner] { activate(runner); });
    QObject::connect(status, &QPushButton::clicked, panel, [&runner] { inquireStatus(runner); });
    QObject::connect(down, &QPushButton::clicked, panel, [&runner] { deactivate(runner); });
    return row;
}

}  // namespace mdq::sle
