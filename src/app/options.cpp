#include "app/options.h"

#include "automation/run_record.h"
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
        "       qtest820 --script PLAN [--port COMn [--baud N] [--address X]] [--report FILE]... [--out DIR]\n"
        "                [--stop-on-fail]\n"
        "       qtest820 --station PLAN --port COMn [--port COMm]... [--baud N] [--address X] [--out DIR]\n"
        "                [--stop-on-fail]\n"
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
        "  --report FILE       with --script: write a report of the cases and checks, by\n"
        "                      extension: .xml JUnit XML, .tap TAP version 13, .json a unit\n"
        "                      record; may be repeated\n"
        "  --stop-on-fail      end the run at the first failed check (else the next case runs)\n"
        "  --port COMn         with --script: open COMn and run the link test before the first\n"
        "                      step (${PORT} names it); with --station: one unit per port\n"
        "  --baud N            with --port: 9600 (default), 19200, 38400, 57600 or 115200\n"
        "  --address X         with --port: device address 0..F (default 0)\n"
        "  --out DIR           write each unit's report as DIR/UNIT-YYYYMMDD-HHMMSS.json and .xml\n"
        "                      (--station: default the current folder)\n"
        "  --station PLAN      run PLAN against every --port at once, one worker each; print a\n"
        "                      line per unit as it starts and ends, then a summary table\n"
        "                      Exit codes: 0 all passed, 1 a step could not be carried out,\n"
        "                      2 bad usage, 3 a check failed\n"
        "  --help              show this text\n"
        "  --version           show the version\n");
}

AppOptions parseOptions(const QStringList &args)
{
    AppOptions o;
    bool stepDelayGiven = false;
    bool formatGiven = false;
    bool baudGiven = false;
    bool addressGiven = false;
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
        } else if (a == QLatin1String("--report") || a.startsWith(QLatin1String("--report="))) {
            const QString v = value(QStringLiteral("--report"));
            if (!o.error.isEmpty())
                return o;
            if (!isReportExtension(v)) {
                o.error = QStringLiteral("--report wants a .xml, .tap or .json file, not '%1'").arg(v);
                return o;
            }
            o.reports << v;
        } else if (a == QLatin1String("--stop-on-fail")) {
            o.stopOnFail = true;
        } else if (a == QLatin1String("--station") || a.startsWith(QLatin1String("--station="))) {
            o.station = value(QStringLiteral("--station"));
            if (!o.error.isEmpty())
                return o;
        } else if (a == QLatin1String("--out") || a.startsWith(QLatin1String("--out="))) {
            o.out = value(QStringLiteral("--out"));
            if (!o.error.isEmpty())
                return o;
        } else if (a == QLatin1String("--port") || a.startsWith(QLatin1String("--port="))) {
            const QString v = value(QStringLiteral("--port"));
            if (!o.error.isEmpty())
                return o;
            const auto m = PortMap::parseMapping(v + QStringLiteral("=x"));
            if (!m || o.ports.contains(m->first)) {
                o.error = m ? QStringLiteral("--port %1 is given twice").arg(v)
                            : QStringLiteral("--port wants COMn with n from 1 to 16, not '%1'").arg(v);
                return o;
            }
            o.ports << m->first;
        } else if (a == QLatin1String("--baud") || a.startsWith(QLatin1String("--baud="))) {
            const QString v = value(QStringLiteral("--baud"));
            if (!o.error.isEmpty())
                return o;
            o.baud = v.toInt();
            if (!QList<qint32>{9600, 19200, 38400, 57600, 115200}.contains(o.baud)) {
                o.error = QStringLiteral("--baud is 9600, 19200, 38400, 57600 or 115200, not '%1'").arg(v);
                return o;
            }
            baudGiven = true;
        } else if (a == QLatin1String("--address") || a.startsWith(QLatin1String("--address="))) {
            const QString v = value(QStringLiteral("--address"));
            if (!o.error.isEmpty())
                return o;
            bool ok = false;
            o.address = v.toInt(&ok, 16);
            if (!ok || v.size() != 1 || o.address < 0 || o.address > 15) {
                o.error = QStringLiteral("--address is one hex digit 0..F, not '%1'").arg(v);
                return o;
            }
            addressGiven = true;
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
    else if (!o.station.isEmpty() && (!o.script.isEmpty() || o.simulatePort || o.show || !o.reports.isEmpty()))
        o.error = QStringLiteral("--station goes with --port, --baud, --address, --out, --stop-on-fail and --map");
    else if (!o.station.isEmpty() && o.ports.isEmpty())
        o.error = QStringLiteral("--station needs at least one --port");
    else if (o.script.isEmpty() && o.station.isEmpty()
             && (!o.reports.isEmpty() || o.stopOnFail || !o.out.isEmpty() || !o.ports.isEmpty()))
        o.error = QStringLiteral("--report, --stop-on-fail, --out and --port go with --script or --station");
    else if (!o.script.isEmpty() && o.ports.size() > 1)
        o.error = QStringLiteral("--script takes one --port (--station takes several)");
    else if ((baudGiven || addressGiven) && o.ports.isEmpty())
        o.error = QStringLiteral("--baud and --address go with --port");
    return o;
}

}  // namespace mdq
