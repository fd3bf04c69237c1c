#include "control_interpreter.h"

#include "cards/registry.h"

#include <QRegularExpression>

namespace sim {

struct ControlInterpreter::Command
{
    const char *name;
    const char *usage;
    const char *description;
    int minArgs;
    int maxArgs;
    QString (ControlInterpreter::*run)(const QStringList &args, const QString &rest);
};

namespace {

QString ok(const QString &detail = QString())
{
    return detail.isEmpty() ? QStringLiteral("ok") : QStringLiteral("ok ") + detail;
}

QString error(const QString &why)
{
    return QStringLiteral("error: ") + why;
}

QString quoted(const QByteArray &text)
{
    return QLatin1Char('"') + QString::fromLatin1(text) + QLatin1Char('"');
}

QString positionName(CardPosition p)
{
    switch (p) {
    case CardPosition::None: return QStringLiteral("none");
    case CardPosition::Front: return QStringLiteral("front");
    case CardPosition::IcPosition: return QStringLiteral("ic");
    case CardPosition::RfPosition: return QStringLiteral("rf");
    }
    return QString();
}

QString stackerName(StackerLevel level)
{
    switch (level) {
    case StackerLevel::Empty: return QStringLiteral("empty");
    case StackerLevel::Low: return QStringLiteral("low");
    case StackerLevel::Enough: return QStringLiteral("full");
    }
    return QString();
}

// A whole decimal number of at most maxDigits digits, or -1.
int decimal(const QString &text, int maxDigits)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (text.size() > maxDigits || !digits.match(text).hasMatch())
        return -1;
    return text.toInt();
}

std::optional<bool> onOff(const QString &word, const char *on, const char *off)
{
    if (word == QLatin1String(on))
        return true;
    if (word == QLatin1String(off))
        return false;
    return std::nullopt;
}

}  // namespace

ControlInterpreter::ControlInterpreter(ReaderModel &model, FaultPlan &faults, LinkSettings &link)
    : m_model(model), m_faults(faults), m_link(link)
{
}

const QList<ControlInterpreter::Command> &ControlInterpreter::commands()
{
    using C = ControlInterpreter;
    static const QList<Command> table{
        {"insert", "", "put a card into the front gate", 0, 0, &C::insert},
        {"take", "", "take the card out of the front gate", 0, 0, &C::take},
        {"jam", "", "jam the card in the channel", 0, 0, &C::jam},
        {"unjam", "", "clear a card jam", 0, 0, &C::unjam},
        {"stacker", "empty|low|full", "set the card stacker level", 1, 1, &C::stacker},
        {"bin", "full|empty", "set whether the error card bin is full", 1, 1, &C::bin},
        {"entry", "allowed|prohibited", "allow or prohibit card entry at the front", 1, 1, &C::entry},
        {"sensor", "N 0|1", "switch sensor N (1..12) off or on", 2, 2, &C::sensor},
        {"sensors", "BITS", "set all twelve sensors, e.g. 100000000001", 1, 1, &C::sensors},
        {"counter", "NNN", "set the captured-card counter (0..999)", 1, 1, &C::counter},
        {"serial", "TEXT", "set the unit serial number (rest of the line)", 0, -1, &C::serial},
        {"config", "TEXT10", "set the ten configuration characters", 1, -1, &C::config},
        {"version", "TEXT", "set the version text of the initialise reply", 0, -1, &C::version},
        {"address", "X", "set the device address (hex digit 0..F)", 1, 1, &C::address},
        {"baud", "N", "set the line speed the reader expects", 1, 1, &C::baud},
        {"pace", "on|off", "send at the set line speed and ignore other speeds", 1, 1, &C::pace},
        {"fault", "MODE [once]|delay MS|negative CODE|none",
         "MODE: nak, silent, ack-only, header-only, bad-bcc, oversize (kept until none, or for one request with once); "
         "delay MS before every reply until delay 0; negative CODE answers the next request only",
         1, 2, &C::fault},
        {"chip", "ic|rf KIND|none, chip sam N KIND|none", "put a chip model into a slot or empty it", 2, 3,
         &C::chip},
        {"reset", "", "power-on state again (address, line and chips kept)", 0, 0, &C::reset},
        {"state", "", "print the whole state on one line", 0, 0, &C::state},
        {"help", "", "list the commands", 0, 0, &C::help},
    };
    return table;
}

QStringList ControlInterpreter::commandHelp()
{
    QStringList lines;
    for (const Command &c : commands()) {
        const QString usage = QString::fromLatin1(c.name) +
                              (*c.usage ? QStringLiteral(" ") + QString::fromLatin1(c.usage) : QString());
        lines << usage + QStringLiteral("\n      ") + QString::fromLatin1(c.description);
    }
    return lines;
}

QString ControlInterpreter::execute(const QString &input)
{
    QString line = input;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return error(QStringLiteral("empty command (try help)"));

    const QString name = words.first();
    const int nameEnd = int(line.indexOf(name)) + int(name.size());
    const QString rest = line.mid(nameEnd + 1);  // the text after one separator
    const QStringList args = words.mid(1);
    for (const Command &c : commands()) {
        if (name != QLatin1String(c.name))
            continue;
        if (args.size() < c.minArgs || (c.maxArgs >= 0 && args.size() > c.maxArgs))
            return error(QStringLiteral("usage: %1 %2").arg(name, QString::fromLatin1(c.usage)).trimmed());
        return (this->*c.run)(args, rest);
    }
    return error(QStringLiteral("unknown command \"%1\" (try help)").arg(name));
}

QString ControlInterpreter::stateLine() const
{
    return QStringLiteral("address=%1 baud=%2 pace=%3 card=%4 jammed=%5 stacker=%6 bin=%7 entry=%8 "
                          "sensors=%9 counter=%10 sam=%11 fault=\"%12\" serial=%13 config=%14 version=%15")
        .arg(QString::number(m_model.address(), 16).toUpper())
        .arg(m_link.baud)
        .arg(m_link.pace ? QStringLiteral("on") : QStringLiteral("off"))
        .arg(positionName(m_model.cardPosition()))
        .arg(m_model.isJammed() ? QStringLiteral("yes") : QStringLiteral("no"))
        .arg(stackerName(m_model.stacker()))
        .arg(m_model.isBinFull() ? QStringLiteral("full") : QStringLiteral("not-full"))
        .arg(m_model.isEntryAllowed() ? QStringLiteral("allowed") : QStringLiteral("prohibited"))
        .arg(QString::fromLatin1(m_model.sensors()))
        .arg(QString::fromLatin1(m_model.counterText()))
        .arg(m_model.cards().selectedSam() + 1)
        .arg(m_faults.describe())
        .arg(quoted(m_model.serialNumber()))
        .arg(quoted(m_model.config()))
        .arg(quoted(m_model.version()));
}

QString ControlInterpreter::insert(const QStringList &, const QString &)
{
    QString why;
    return m_model.insertCard(&why) ? ok(QStringLiteral("card at the front")) : error(why);
}

QString ControlInterpreter::take(const QStringList &, const QString &)
{
    QString why;
    return m_model.takeCard(&why) ? ok(QStringLiteral("card taken")) : error(why);
}

QString ControlInterpreter::jam(const QStringList &, const QString &)
{
    QString why;
    return m_model.jamCard(&why) ? ok(QStringLiteral("card jammed")) : error(why);
}

QString ControlInterpreter::unjam(const QStringList &, const QString &)
{
    m_model.clearJam();
    return ok();
}

QString ControlInterpreter::stacker(const QStringList &args, const QString &)
{
    const QString &level = args[0];
    if (level == QLatin1String("empty"))
        m_model.setStacker(StackerLevel::Empty);
    else if (level == QLatin1String("low"))
        m_model.setStacker(StackerLevel::Low);
    else if (level == QLatin1String("full"))
        m_model.setStacker(StackerLevel::Enough);
    else
        return error(QStringLiteral("stacker level is empty, low or full"));
    return ok(QStringLiteral("stacker ") + level);
}

QString ControlInterpreter::bin(const QStringList &args, const QString &)
{
    const auto full = onOff(args[0], "full", "empty");
    if (!full)
        return error(QStringLiteral("bin is full or empty"));
    m_model.setBinFull(*full);
    return ok(QStringLiteral("bin ") + args[0]);
}

QString ControlInterpreter::entry(const QStringList &args, const QString &)
{
    const auto allowed = onOff(args[0], "allowed", "prohibited");
    if (!allowed)
        return error(QStringLiteral("entry is allowed or prohibited"));
    m_model.setEntryAllowed(*allowed);
    return ok(QStringLiteral("entry ") + args[0]);
}

QString ControlInterpreter::sensor(const QStringList &args, const QString &)
{
    const int n = decimal(args[0], 2);
    const auto on = onOff(args[1], "1", "0");
    if (n < 1 || n > ReaderModel::SensorCount || !on)
        return error(QStringLiteral("usage: sensor N 0|1 with N from 1 to 12"));
    m_model.setSensor(n - 1, *on);
    return ok(QStringLiteral("sensors ") + QString::fromLatin1(m_model.sensors()));
}

QString ControlInterpreter::sensors(const QStringList &args, const QString &)
{
    if (!m_model.setSensors(args[0].toLatin1()))
        return error(QStringLiteral("twelve characters 0 or 1 expected"));
    return ok(QStringLiteral("sensors ") + args[0]);
}

QString ControlInterpreter::counter(const QStringList &args, const QString &)
{
    const int value = decimal(args[0], 3);
    if (value < 0)
        return error(QStringLiteral("counter is 0 to 999 (up to three digits)"));
    m_model.setCounter(value);
    return ok(QStringLiteral("counter ") + QString::fromLatin1(m_model.counterText()));
}

QString ControlInterpreter::serial(const QStringList &, const QString &rest)
{
    if (rest.size() > MaxReplyText)
        return error(QStringLiteral("the serial number is at most %1 characters (a reply must fit the host's reply buffer)")
                         .arg(MaxReplyText));
    m_model.setSerialNumber(rest.toLatin1());
    return ok(QStringLiteral("serial ") + quoted(m_model.serialNumber()));
}

QString ControlInterpreter::config(const QStringList &, const QString &rest)
{
    if (!m_model.setConfig(rest.toLatin1()))
        return error(QStringLiteral("the configuration is exactly ten characters"));
    return ok(QStringLiteral("config ") + quoted(m_model.config()));
}

QString ControlInterpreter::version(const QStringList &, const QString &rest)
{
    if (rest.size() > MaxReplyText)
        return error(QStringLiteral("the version text is at most %1 characters (a reply must fit the host's reply buffer)")
                         .arg(MaxReplyText));
    m_model.setVersion(rest.toLatin1());
    return ok(QStringLiteral("version ") + quoted(m_model.version()));
}

QString ControlInterpreter::address(const QStringList &args, const QString &)
{
    bool isHex = false;
    const int value = args[0].size() == 1 ? args[0].toInt(&isHex, 16) : -1;
    if (!isHex || !m_model.setAddress(value))
        return error(QStringLiteral("the address is one hex digit 0..F"));
    return ok(QStringLiteral("address ") + QString::number(value, 16).toUpper());
}

QString ControlInterpreter::baud(const QStringList &args, const QString &)
{
    const int value = decimal(args[0], 6);
    if (!LinkSettings::isSupportedBaud(value))
        return error(QStringLiteral("unsupported baud rate \"%1\"").arg(args[0]));
    m_link.baud = value;
    return ok(QStringLiteral("baud %1").arg(value));
}

QString ControlInterpreter::pace(const QStringList &args, const QString &)
{
    const auto on = onOff(args[0], "on", "off");
    if (!on)
        return error(QStringLiteral("pace is on or off"));
    m_link.pace = *on;
    return ok(QStringLiteral("pace ") + args[0]);
}

QString ControlInterpreter::fault(const QStringList &args, const QString &)
{
    const QString &what = args[0];
    const QString arg = args.value(1);
    if (what == QLatin1String("none") && args.size() == 1) {
        m_faults.clear();
    } else if (what == QLatin1String("delay")) {
        const int ms = decimal(arg, 6);
        if (ms < 0)
            return error(QStringLiteral("usage: fault delay MS (0 to 999999)"));
        m_faults.setDelayMs(ms);
    } else if (what == QLatin1String("negative")) {
        static const QRegularExpression code(QStringLiteral("^[\\x21-\\x7E]{2}$"));
        if (!code.match(arg).hasMatch())
            return error(QStringLiteral("usage: fault negative CODE (two characters, e.g. 10 or A1)"));
        m_faults.setNegative(arg.toLatin1());
    } else {
        const auto mode = FaultPlan::modeFromName(what);
        if (!mode || *mode == FaultMode::None || (args.size() == 2 && arg != QLatin1String("once")))
            return error(QStringLiteral("unknown fault \"%1\"").arg(args.join(QLatin1Char(' '))));
        m_faults.setMode(*mode, args.size() == 2);
    }
    return ok(QStringLiteral("fault ") + m_faults.describe());
}

QString ControlInterpreter::chip(const QStringList &args, const QString &)
{
    const QString &slot = args[0];
    const bool isSam = slot == QLatin1String("sam");
    if (args.size() != (isSam ? 3 : 2))
        return error(QStringLiteral("usage: chip ic|rf KIND|none, chip sam N KIND|none"));
    const QString &kind = args.last();
    const bool empty = kind == QLatin1String("none");

    if (slot == QLatin1String("ic") || isSam) {
        int socket = -1;
        if (isSam) {
            socket = decimal(args[1], 1) - 1;
            if (socket < 0 || socket >= CardSlots::SamSockets)
                return error(QStringLiteral("SAM sockets are 1 to %1").arg(CardSlots::SamSockets));
        }
        std::unique_ptr<ContactCard> card = empty ? nullptr : makeContactCard(kind);
        if (!empty && !card)
            return error(QStringLiteral("unknown contact chip \"%1\" (known: %2)")
                             .arg(kind, contactCardKinds().join(QLatin1Char(' '))));
        if (isSam)
            m_model.cards().setSamCard(socket, std::move(card));
        else
            m_model.cards().setContactCard(std::move(card));
    } else if (slot == QLatin1String("rf")) {
        std::unique_ptr<ContactlessCard> card = empty ? nullptr : makeContactlessCard(kind);
        if (!empty && !card)
            return error(QStringLiteral("unknown contactless chip \"%1\" (known: %2)")
                             .arg(kind, contactlessCardKinds().join(QLatin1Char(' '))));
        m_model.cards().setContactlessCard(std::move(card));
    } else {
        return error(QStringLiteral("the slot is ic, rf or sam"));
    }
    return ok(QStringLiteral("chip ") + args.join(QLatin1Char(' ')));
}

QString ControlInterpreter::reset(const QStringList &, const QString &)
{
    ReaderModel fresh;
    fresh.setAddress(m_model.address());
    fresh.cards() = std::move(m_model.cards());  // the chips are not the reader's state
    m_model = std::move(fresh);
    m_faults.clear();
    return ok(QStringLiteral("power-on state"));
}

QString ControlInterpreter::state(const QStringList &, const QString &)
{
    return ok(stateLine());
}

QString ControlInterpreter::help(const QStringList &, const QString &)
{
    QStringList names;
    for (const Command &c : commands())
        names << QString::fromLatin1(c.name);
    return ok(QStringLiteral("commands: ") + names.join(QStringLiteral(", ")) +
              QStringLiteral(" (see mdq820-sim --help)"));
}

}  // namespace sim
