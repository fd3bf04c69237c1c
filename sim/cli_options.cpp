#include "cli_options.h"

#include "control_interpreter.h"
#include "link_settings.h"

namespace sim {

namespace {

CliParseResult failure(const QString &why)
{
    CliParseResult r;
    r.error = why;
    return r;
}

}  // namespace

CliParseResult parseCliOptions(const QStringList &arguments)
{
    CliParseResult result;
    CliOptions &o = result.options;
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool hasInlineValue = false;
        const int eq = int(name.indexOf(QLatin1Char('=')));
        if (name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasInlineValue = true;
        }
        const bool takesValue = name == QLatin1String("--address") || name == QLatin1String("--baud") ||
                                name == QLatin1String("--link");
        if (takesValue && !hasInlineValue) {
            if (i + 1 >= arguments.size())
                return failure(QStringLiteral("%1 needs a value").arg(name));
            value = arguments[++i];
        } else if (!takesValue && hasInlineValue) {
            return failure(QStringLiteral("%1 takes no value").arg(name));
        }

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.help = true;
        } else if (name == QLatin1String("--version")) {
            o.version = true;
        } else if (name == QLatin1String("--pace")) {
            o.reader.pace = true;
        } else if (name == QLatin1String("--address")) {
            bool isHex = false;
            const int address = value.size() == 1 ? value.toInt(&isHex, 16) : -1;
            if (!isHex || address < 0 || address > 0x0F)
                return failure(QStringLiteral("--address is one hex digit 0..F, not \"%1\"").arg(value));
            o.reader.address = quint8(address);
        } else if (name == QLatin1String("--baud")) {
            bool isNumber = false;
            const int baud = value.toInt(&isNumber);
            if (!isNumber || !LinkSettings::isSupportedBaud(baud))
                return failure(QStringLiteral("unsupported baud rate \"%1\"").arg(value));
            o.reader.baud = baud;
        } else if (name == QLatin1String("--link")) {
            if (value.isEmpty())
                return failure(QStringLiteral("--link needs a path"));
            o.linkPath = value;
        } else {
            return failure(QStringLiteral("unknown argument \"%1\"").arg(arguments[i]));
        }
    }
    result.ok = true;
    return result;
}

QString cliUsage()
{
    QString text = QStringLiteral(
        "Usage: mdq820-sim [--address X] [--baud N] [--pace] [--link PATH] [--help] [--version]\n"
        "\n"
        "A virtual MDQ-820 card reader/dispenser on a pseudo terminal. The first line of\n"
        "output is the device to open as the serial port. Control commands are read from\n"
        "standard input, one per line, and each is answered with one line (\"ok ...\" or\n"
        "\"error: ...\"). The program serves until SIGINT, SIGTERM or end of input.\n"
        "\n"
        "Options:\n"
        "  --address X   device address, one hex digit 0..F (default 0)\n"
        "  --baud N      line speed the reader is set to: 1200 ... 230400 (default 9600)\n"
        "  --pace        send at that speed, and ignore a host set to another speed\n"
        "  --link PATH   also make PATH a symbolic link to the device (removed on exit);\n"
        "                an existing PATH is replaced only if it is a link to a pty\n"
        "  --help        this text\n"
        "  --version     program version\n"
        "\n"
        "Control commands:\n");
    for (const QString &entry : ControlInterpreter::commandHelp())
        text += QStringLiteral("  ") + entry + QLatin1Char('\n');
    text += QStringLiteral("\nExit status: 0 normal end, 1 the device or link could not be made, 2 bad usage.\n");
    return text;
}

}  // namespace sim
