#include "app/options.h"

#include "platform/port_map.h"

namespace mdq {

QString usageText()
{
    return QStringLiteral(
        "Usage: qtest820 [--map COMn=DEVICE]... [--simulate[=COMn]] [--script FILE [--show [--step-delay MS]]]\n"
        "                [--fresh] [--stable-times] [--list-ports] [--help] [--version]\n"
        "       qtest820 --decode FILE [--format text|jsonl] [--stable-times]\n"
        "       qtest820 [--map COMn=DEVICE]... [--simulate [--sim WORDS]...] card --port COMn [--baud N]\n"
        "                [--address X] ACTION   (qtest820 card --help lists the actions)\n"
        "\n"
        "  --map COMn=DEVICE   let COMn (1..16) stand for DEVICE, e.g. --map COM1=/dev/ttyUSB0;\n"
        "                      DEVICE may be a /dev/serial/by-id/... link, usb:SERIAL (the USB\n"
        "                      adapter with that serial number) or usb:VID:PID (hex ids), found\n"
        "                      whenever the port is opened\n"
        "                      (default: COM1..8 = /dev/ttyUSB0..7, COM9..12 = /dev/ttyACM0..3,\n"
        "                      COM13..16 = /dev/ttyS0..3)\n"
        "  --simulate[=COMn]   start the virtual MDQ-820 and map it to COM1 (or COMn)\n"
        "  --sim WORDS         with --simulate: a control command for the virtual reader, given\n"
        "                      before anything else runs, e.g. --sim \"chip rf s50\"; may be repeated\n"
        "  --list-ports        print each COMn, its device and what is attached there, and exit\n"
        "  --fresh             start with the default settings and remember nothing of this run\n"
        "                      (without it: port, baud rate, address, Record Data, window\n"
        "                      places and the last save folder are kept between runs)\n"
        "  --script FILE       run FILE's steps against the windows without showing them,\n"
        "                      print a transcript; exit 0 when every step ran, 1 when one failed;\n"
        "                      FILE - reads the steps from standard input; a script always\n"
        "                      starts fresh and remembers nothing\n"
        "  --show              with --script: run the steps on screen, with the real message\n"
        "                      boxes answered by real clicks (the transcript is the same)\n"
        "  --step-delay MS     with --show: pause between steps (default 400)\n"
        "  --decode FILE       print the decoded trace of a traffic log saved with Save To (or of\n"
        "                      a trace exported with Export Trace), one row per frame or control\n"
        "                      byte, and exit; lines that cannot be read are reported on\n"
        "                      standard error with their number\n"
        "  --format FORMAT     with --decode: text (aligned columns, the default) or jsonl\n"
        "                      (one JSON object per row)\n"
        "  --stable-times      exported and decoded times count from the first row (PT1.250S)\n"
        "                      instead of the time of day, so two runs compare with diff;\n"
        "                      script runs export this way always\n"
        "  --help              show this text\n"
        "  --version           show the version\n");
}

AppOptions parseOptions(const QStringList &args)
{
    AppOptions o;
    bool stepDelayGiven = false;
    bool formatGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](const QString &option) -> QString {
            if (a.startsWith(option + QLatin1Char('=')))
                return a.mid(option.size() + 1);
            if (i + 1 < args.size())
                return args.at(++i);
            o.error = QStringLiteral("%1 needs a value").arg(option);
            return QString();
        };
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--map") || a.startsWith(QLatin1String("--map="))) {
            const QString v = value(QStringLiteral("--map"));
            if (!o.error.isEmpty())
                return o;
            const auto m = PortMap::parseMapping(v);
            if (!m) {
                o.error = QStringLiteral("--map wants COMn=DEVICE with n from 1 to 16, not '%1'").arg(v);
                return o;
            }
            o.maps.append({m->first, m->second});
        } else if (a == QLatin1String("--script") || a.startsWith(QLatin1String("--script="))) {
            o.script = value(QStringLiteral("--script"));
            if (!o.error.isEmpty())
                return o;
        } else if (a == QLatin1String("--decode") || a.startsWith(QLatin1String("--decode="))) {
            o.decode = value(QStringLiteral("--decode"));
            if (!o.error.isEmpty())
                return o;
            if (o.decode.isEmpty()) {
                o.error = QStringLiteral("--decode needs a file");
                return o;
            }
        } else if (a == QLatin1String("--format") || a.startsWith(QLatin1String("--format="))) {
            o.format = value(QStringLiteral("--format"));
            if (!o.error.isEmpty())
                return o;
            if (o.format != QLatin1String("text") && o.format != QLatin1String("jsonl")) {
                o.error = QStringLiteral("--format is text or jsonl, not '%1'").arg(o.format);
                return o;
            }
            formatGiven = true;
        } else if (a == QLatin1String("--list-ports")) {
            o.listPorts = true;
        } else if (a == QLatin1String("--stable-times")) {
            o.stableTimes = true;
        } else if (a == QLatin1String("--fresh")) {
            o.fresh = true;
        } else if (a == QLatin1String("--show")) {
            o.show = true;
        } else if (a == QLatin1String("--step-delay") || a.startsWith(QLatin1String("--step-delay="))) {
            const QString v = value(QStringLiteral("--step-delay"));
            if (!o.error.isEmpty())
                return o;
            bool ok = false;
            o.stepDelayMs = v.toInt(&ok);
            if (!ok || o.stepDelayMs < 0 || o.stepDelayMs > 60000) {
                o.error = QStringLiteral("--step-delay wants milliseconds from 0 to 60000, not '%1'").arg(v);
                return o;
            }
            stepDelayGiven = true;
        } else if (a == QLatin1String("card")) {
            o.card = true;
            o.cardArgs = args.mid(i + 1);
            break;
        } else if (a == QLatin1String("--sim") || a.startsWith(QLatin1String("--sim="))) {
            o.simWords << value(QStringLiteral("--sim"));
            if (!o.error.isEmpty())
                return o;
        } else if (a == QLatin1String("--simulate")) {
            o.simulatePort = 1;
        } else if (a.startsWith(QLatin1String("--simulate="))) {
            const QString v = a.mid(11);
            const auto m = PortMap::parseMapping(v + QStringLiteral("=x"));
            if (!m) {
                o.error = QStringLiteral("--simulate wants COMn with n from 1 to 16, not '%1'").arg(v);
                return o;
            }
            o.simulatePort = m->first;
        } else {
            o.error = QStringLiteral("unknown argument '%1'").arg(a);
            return o;
        }
    }
    if (o.show && o.script.isEmpty())
        o.error = QStringLiteral("--show goes with --script");
    else if (stepDelayGiven && !o.show)
        o.error = QStringLiteral("--step-delay goes with --show");
    else if (formatGiven && o.decode.isEmpty())
        o.error = QStringLiteral("--format goes with --decode");
    else if (!o.decode.isEmpty() && (!o.script.isEmpty() || o.simulatePort || o.listPorts))
        o.error = QStringLiteral("--decode goes alone (with --format and --stable-times)");
    else if (!o.simWords.isEmpty() && !o.simulatePort)
        o.error = QStringLiteral("--sim goes with --simulate");
    else if (o.card && (!o.script.isEmpty() || !o.decode.isEmpty() || o.listPorts))
        o.error = QStringLiteral("card goes without --script, --decode and --list-ports");
    return o;
}

}  // namespace mdq
