#include "contactless/mifare_command.h"

#include "ui/command_runner.h"
#include "ui/hex_cell_row.h"
#include "link/execute_command.h"
#include "link/frame.h"
#include "platform/prompter.h"

namespace mdq::mifare {

QString resultText(const QString &statusWord, const QString &success)
{
    const QString sw = statusWord.trimmed();
    if (sw == QLatin1String("9000"))
        return success;
    if (sw == QLatin1String("6F00"))
        return QStringLiteral("Execute Error");
    return QString();
}

void showResult(CommandRunner &runner, const QString &title, const QString &firstLine, const Reply &reply,
                const QString &success)
{
    const QString sw = statusWord(reply);
    runner.showInformation(title, firstLine + QStringLiteral("\r\n") + resultText(sw, success)
                                      + QStringLiteral("\r\n") + sw);
}

bool isTrailer(int sector, int block)
{
    return (sector <= 31 && block == 3) || (sector >= 32 && block == 15);
}

bool isManufacturerBlock(int sector, int block)
{
    return sector == 0 && block == 0;
}

std::optional<QByteArray> cellBytes(const HexCellRow &cells, int n, Prompter &prompter)
{
    for (int i = 0; i < n; ++i) {
        if (cells.text(i).size() != 2) {
            prompter.message(Icon::Exclamation, text::caution(), QStringLiteral("Please input the data first"));
            return std::nullopt;
        }
    }
    QByteArray bytes;
    for (int i = 0; i < n; ++i)
        bytes.append(char(needByte(cells.text(i))));
    return bytes;
}

bool confirmOverwrite(Prompter &prompter)
{
    return prompter.askOkCancel(Icon::Question, text::caution(),
                                QStringLiteral("Are you sure to modify\r\nthe password of present sector and "
                                               "control key memory area?"));
}

}  // namespace mdq::mifare
