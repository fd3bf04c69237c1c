#include "link/trace_decoder.h"

#include "link/commands.h"
#include "link/error_codes.h"
#include "link/execute_command.h"
#include "link/frame.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonDocument>
#include <QRegularExpression>

namespace mdq {

namespace {

struct InstructionInfo
{
    quint8 ins;
    const char *name;
};

// The instructions met on the bench, ISO 7816-4 names.
constexpr InstructionInfo kInstructions[] = {
    {0x0E, "ERASE BINARY"},
    {0x20, "VERIFY"},
    {0x24, "CHANGE REFERENCE DATA"},
    {0x2C, "RESET RETRY COUNTER"},
    {0x44, "ACTIVATE FILE"},
    {0x70, "MANAGE CHANNEL"},
    {0x82, "EXTERNAL AUTHENTICATE"},
    {0x84, "GET CHALLENGE"},
    {0x88, "INTERNAL AUTHENTICATE"},
    {0xA4, "SELECT"},
    {0xB0, "READ BINARY"},
    {0xB2, "READ RECORD"},
    {0xC0, "GET RESPONSE"},
    {0xCA, "GET DATA"},
    {0xD6, "UPDATE BINARY"},
    {0xDA, "PUT DATA"},
    {0xDC, "UPDATE RECORD"},
    {0xE2, "APPEND RECORD"},
};

struct StatusWordInfo
{
    const char *pattern;  // four hex digits, X matches any digit
    const char *meaning;  // %n: the digits matched by X, as a number
};

// First match wins: exact rows before the wildcard rows of their group.
constexpr StatusWordInfo kStatusWords[] = {
    {"9000", "Normal processing"},
    {"61XX", "%n response bytes still available (GET RESPONSE)"},
    {"6281", "Returned data may be corrupted"},
    {"6282", "End of file reached before reading Le bytes"},
    {"6283", "Selected file deactivated"},
    {"62XX", "Warning, non-volatile memory unchanged"},
    {"63CX", "Verification failed, %n retries left"},
    {"63XX", "Warning, non-volatile memory changed"},
    {"6581", "Memory failure"},
    {"64XX", "Execution error, non-volatile memory unchanged"},
    {"65XX", "Execution error, non-volatile memory changed"},
    {"6700", "Wrong length"},
    {"6881", "Logical channel not supported"},
    {"6882", "Secure messaging not supported"},
    {"68XX", "Function in CLA not supported"},
    {"6981", "Command incompatible with file structure"},
    {"6982", "Security status not satisfied"},
    {"6983", "Authentication method blocked"},
    {"6984", "Referenced data invalidated"},
    {"6985", "Conditions of use not satisfied"},
    {"6986", "Command not allowed (no current EF)"},
    {"69XX", "Command not allowed"},
    {"6A80", "Incorrect parameters in the data field"},
    {"6A81", "Function not supported"},
    {"6A82", "File or application not found"},
    {"6A83", "Record not found"},
    {"6A84", "Not enough memory space in the file"},
    {"6A86", "Incorrect parameters P1-P2"},
    {"6A88", "Referenced data not found"},
    {"6AXX", "Wrong parameters"},
    {"6B00", "Wrong parameters P1-P2"},
    {"6CXX", "Wrong Le field, %n bytes available"},
    {"6D00", "Instruction code not supported or invalid"},
    {"6E00", "Class not supported"},
    {"6F00", "No precise diagnosis"},
};

QString hex2(quint8 b) { return byteHex(b); }

// Requests whose data is an APDU (or a memory card's APDU-like header), and
// whose positive reply ends with the card's two status bytes.
bool carriesStatusWord(quint8 cm, quint8 pm)
{
    return ((cm == CmContactCpu || cm == CmSam) && pm == PmCpuApdu)
        || (cm == CmRf && (pm == PmRfMifare || pm == PmRfTypeAApdu || pm == PmRfTypeBApdu))
        || (cm == CmSle && (pm == PmSle4442Apdu || pm == PmSle4428Apdu)) || (cm == CmAt24 && pm == PmAt24Apdu);
}

bool isCardApdu(quint8 cm, quint8 pm)
{
    return ((cm == CmContactCpu || cm == CmSam) && pm == PmCpuApdu)
        || (cm == CmRf && (pm == PmRfTypeAApdu || pm == PmRfTypeBApdu));
}

bool isMemoryCommand(quint8 cm, quint8 pm)
{
    return (cm == CmSle && (pm == PmSle4442Apdu || pm == PmSle4428Apdu)) || (cm == CmAt24 && pm == PmAt24Apdu);
}

void add(TraceRow &row, const QString &name, const QJsonValue &value) { row.fields.append({name, value}); }

// CLA INS P1 P2 [Lc data | Le]: the header and the instruction's name.
QString apduArguments(const QByteArray &apdu, TraceRow &row)
{
    if (apdu.size() < 4)
        return apdu.isEmpty() ? QStringLiteral("no APDU") : QStringLiteral("short APDU (%1 bytes)").arg(apdu.size());
    const quint8 ins = quint8(apdu[1]);
    add(row, QStringLiteral("cla"), hex2(quint8(apdu[0])));
    add(row, QStringLiteral("ins"), hex2(ins));
    add(row, QStringLiteral("p1"), hex2(quint8(apdu[2])));
    add(row, QStringLiteral("p2"), hex2(quint8(apdu[3])));
    QString name = instructionName(ins);
    if (!name.isEmpty())
        add(row, QStringLiteral("ins_name"), name);
    else
        name = QStringLiteral("INS %1h").arg(hex2(ins));
    QString s = QStringLiteral("%1, CLA %2 P1 %3 P2 %4")
                    .arg(name, hex2(quint8(apdu[0])), hex2(quint8(apdu[2])), hex2(quint8(apdu[3])));
    if (apdu.size() == 5) {
        s += QStringLiteral(" Le %1").arg(hex2(quint8(apdu[4])));
    } else if (apdu.size() > 5) {
        const int lc = quint8(apdu[4]);
        s += QStringLiteral(" Lc %1").arg(hex2(quint8(lc)));
        if (apdu.size() > 5 + lc)
            s += QStringLiteral(" Le %1").arg(hex2(quint8(apdu[5 + lc])));
    }
    return s;
}

// Mifare data: 00h, operation, then per operation key type, sector, block ...
QString mifareArguments(const QByteArray &d, TraceRow &row)
{
    if (d.size() < 4 || d[0] != '\0')
        return {};
    const quint8 op = quint8(d[1]);
    auto at = [&](int i) { return i < d.size() ? int(quint8(d[i])) : -1; };
    QStringList parts;
    auto keyType = [&](int i) {
        const QString t = at(i) == 0 ? QStringLiteral("A") : QStringLiteral("B");
        add(row, QStringLiteral("key_type"), t);
        parts << QStringLiteral("key %1").arg(t);
    };
    auto number = [&](const char *name, int i) {
        if (at(i) < 0)
            return;
        add(row, QLatin1String(name), at(i));
        parts << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(at(i));
    };
    switch (op) {
    case MifareCheckKey:
    case MifareDownloadKey:
    case MifareLoadKey:
        keyType(2);
        number("sector", 3);
        break;
    case MifareChangeKey:
        number("sector", 3);
        break;
    case MifareReadBlocks:
    case MifareWriteBlocks:
        number("sector", 2);
        number("block", 3);
        number("count", 4);
        break;
    case MifareReadValue:
        number("sector", 2);
        number("block", 3);
        break;
    case MifareInitValue:
    case MifareIncrement:
    case MifareDecrement:
        number("sector", 2);
        number("block", 3);
        if (d.size() >= 9) {  // 04h, then the value least significant byte first
            const quint32 v = quint32(quint8(d[5])) | quint32(quint8(d[6])) << 8 | quint32(quint8(d[7])) << 16
                | quint32(quint8(d[8])) << 24;
            add(row, QStringLiteral("value"), qint64(v));
            parts << QStringLiteral("value %1").arg(v);
        }
        break;
    default:
        break;
    }
    return parts.join(QStringLiteral(", "));
}

QString requestArguments(quint8 cm, quint8 pm, const QByteArray &d, TraceRow &row)
{
    if (isCardApdu(cm, pm))
        return apduArguments(d, row);
    if (cm == CmRf && pm == PmRfMifare)
        return mifareArguments(d, row);
    if (isMemoryCommand(cm, pm) && d.size() >= 5) {
        const int address = quint8(d[2]) << 8 | quint8(d[3]);
        add(row, QStringLiteral("address"), address);
        add(row, QStringLiteral("length"), int(quint8(d[4])));
        return QStringLiteral("address %1h, %2 bytes").arg(QString::number(address, 16).toUpper()).arg(quint8(d[4]));
    }
    if (cm == CmSam && pm == PmSamSelect && d.size() == 1) {
        const int sam = quint8(d[0]) - 0x30 + 1;
        add(row, QStringLiteral("sam"), sam);
        return QStringLiteral("SAM %1").arg(sam);
    }
    if (cm == CmCounter && pm == PmCounterSet && !d.isEmpty()) {
        const QString digits = QString::fromLatin1(d);
        add(row, QStringLiteral("counter"), digits);
        return QStringLiteral("counter %1").arg(digits);
    }
    if ((cm == CmContactCpu || cm == CmSam) && pm == PmCpuColdReset && d.size() == 1) {
        const QString s = d[0] == ColdResetEmv ? QStringLiteral("EMV")
            : d[0] == ColdResetIso            ? QStringLiteral("ISO 7816")
                                              : QStringLiteral("mode %1h").arg(hex2(quint8(d[0])));
        add(row, QStringLiteral("mode"), s);
        return s;
    }
    return {};
}

// ETX where LEN puts it and the BCC over everything before it.
void checkTrailer(TraceRow &row)
{
    const QByteArray &f = row.bytes;
    if (quint8(f[f.size() - 2]) != ETX)
        row.summary += QStringLiteral("; no ETX before the BCC");
    const quint8 expected = ComputeBcc(f);
    const quint8 got = quint8(f[f.size() - 1]);
    if (got != expected) {
        add(row, QStringLiteral("bcc_expected"), hex2(expected));
        row.summary += QStringLiteral("; BCC is %1h, expected %2h").arg(hex2(got), hex2(expected));
    }
}

// False (and the row says why) when the frame is not whole.
bool frameComplete(TraceRow &row, const char *what)
{
    const QByteArray &f = row.bytes;
    if (f.size() < 4 || quint8(f[0]) != STX) {
        row.summary = QStringLiteral("Not a %1 frame").arg(QLatin1String(what));
        return false;
    }
    const int total = (quint8(f[2]) << 8 | quint8(f[3])) + 6;
    if (f.size() != total || total < 9) {
        row.summary = QStringLiteral("Incomplete %1: LEN announces %2 bytes, %3 present")
                          .arg(QLatin1String(what))
                          .arg(total)
                          .arg(f.size());
        return false;
    }
    return true;
}

QString jsonText(const QJsonValue &v)
{
    const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

}  // namespace

QString traceDirName(TraceDir d)
{
    switch (d) {
    case TraceDir::Host:
        return QStringLiteral("host");
    case TraceDir::Reader:
        return QStringLiteral("reader");
    case TraceDir::Note:
        return QStringLiteral("note");
    case TraceDir::Event:
        break;
    }
    return QStringLiteral("event");
}

QJsonValue TraceRow::field(const QString &name) const
{
    for (const TraceField &f : fields)
        if (f.name == name)
            return f.value;
    return QJsonValue(QJsonValue::Undefined);
}

QString instructionName(quint8 ins)
{
    for (const InstructionInfo &i : kInstructions)
        if (i.ins == ins)
            return QString::fromLatin1(i.name);
    return {};
}

QString statusWordMeaning(quint8 sw1, quint8 sw2)
{
    const QString sw = byteHex(sw1) + byteHex(sw2);
    for (const StatusWordInfo &row : kStatusWords) {
        const QString pattern = QString::fromLatin1(row.pattern);
        QString wild;
        bool match = true;
        for (int i = 0; i < 4 && match; ++i) {
            if (pattern[i] == QLatin1Char('X'))
                wild += sw[i];
            else
                match = pattern[i] == sw[i];
        }
        if (match)
            return QString::fromLatin1(row.meaning).replace(QLatin1String("%n"), QString::number(wild.toInt(nullptr, 16)));
    }
    return QStringLiteral("Unknown status word");
}

TraceRow decodeRequest(const QByteArray &frame)
{
    TraceRow row;
    row.dir = TraceDir::Host;
    row.bytes = frame;
    row.kind = QStringLiteral("request");
    if (!frameComplete(row, "request"))
        return row;
    const quint8 cm = quint8(frame[5]);
    const quint8 pm = quint8(frame[6]);
    if (quint8(frame[4]) != MarkerCommand) {
        row.summary = QStringLiteral("Request frame with marker %1h instead of 'C'").arg(hex2(quint8(frame[4])));
        checkTrailer(row);
        return row;
    }
    const QByteArray data = frame.mid(7, frame.size() - 9);
    const QString name = requestName(cm, pm, data);
    add(row, QStringLiteral("command"), name);
    add(row, QStringLiteral("cm"), hex2(cm));
    add(row, QStringLiteral("pm"), hex2(pm));
    const QString args = requestArguments(cm, pm, data, row);
    row.summary = args.isEmpty() ? name : name + QStringLiteral(": ") + args;
    checkTrailer(row);
    return row;
}

TraceRow decodeReply(const QByteArray &frame, const QByteArray &request)
{
    TraceRow row;
    row.dir = TraceDir::Reader;
    row.bytes = frame;
    row.kind = QStringLiteral("reply");
    if (!frameComplete(row, "reply"))
        return row;
    const quint8 marker = quint8(frame[4]);
    const quint8 cm = quint8(frame[5]);
    const quint8 pm = quint8(frame[6]);
    // The request's data names a sub-command; only when this reply answers it.
    QByteArray requestData;
    if (request.size() >= 9 && quint8(request[5]) == cm && quint8(request[6]) == pm)
        requestData = request.mid(7, request.size() - 9);
    const QString name = requestName(cm, pm, requestData);
    add(row, QStringLiteral("command"), name);
    if (marker == MarkerNegative) {
        const QString code = QString(QChar(frame[7])) + QChar(frame[8]);
        const auto text = errorCodeMessage(code);
        add(row, QStringLiteral("result"), QStringLiteral("negative"));
        add(row, QStringLiteral("code"), code);
        add(row, QStringLiteral("code_text"), text ? QJsonValue(*text) : QJsonValue());
        row.summary = QStringLiteral("Negative reply %1: %2 (%3)")
                          .arg(code, text ? *text : QStringLiteral("code not in the table"), name);
    } else if (marker == MarkerPositive && frame.size() >= 12) {
        const QString status = QString::fromLatin1(frame.mid(7, 3));
        const QByteArray data = frame.mid(10, frame.size() - 12);
        add(row, QStringLiteral("result"), QStringLiteral("positive"));
        add(row, QStringLiteral("status"), status);
        row.summary = QStringLiteral("Positive reply to %1, status %2").arg(name, status);
        if (!data.isEmpty())
            row.summary += QStringLiteral(", %1 data bytes").arg(data.size());
        if (carriesStatusWord(cm, pm) && data.size() >= 2) {
            const quint8 sw1 = quint8(data[data.size() - 2]);
            const quint8 sw2 = quint8(data[data.size() - 1]);
            const QString meaning = statusWordMeaning(sw1, sw2);
            add(row, QStringLiteral("sw"), byteHex(sw1) + byteHex(sw2));
            add(row, QStringLiteral("sw_text"), meaning);
            row.summary += QStringLiteral(", SW %1 %2: %3").arg(byteHex(sw1), byteHex(sw2), meaning);
        }
    } else if (marker == MarkerPositive) {
        add(row, QStringLiteral("result"), QStringLiteral("positive"));
        row.summary = QStringLiteral("Positive reply to %1 without its status bytes").arg(name);
    } else {
        row.summary = QStringLiteral("Reply frame with marker %1h (%2)").arg(hex2(marker), name);
    }
    checkTrailer(row);
    return row;
}

TraceRow decodeControl(quint8 byte, TraceDir dir)
{
    TraceRow row;
    row.dir = dir;
    row.bytes = QByteArray(1, char(byte));
    const bool host = dir == TraceDir::Host;
    switch (byte) {
    case ACK:
        row.kind = QStringLiteral("ack");
        row.summary = host ? QStringLiteral("ACK: reply accepted") : QStringLiteral("ACK: request accepted");
        break;
    case NAK:
        row.kind = QStringLiteral("nak");
        row.summary = host ? QStringLiteral("NAK") : QStringLiteral("NAK: the reader refused the request");
        break;
    case EOT:
        row.kind = QStringLiteral("eot");
        row.summary = host ? QStringLiteral("EOT: no reply, exchange abandoned") : QStringLiteral("EOT");
        break;
    default:
        row.kind = QStringLiteral("bytes");
        row.summary = host ? QStringLiteral("%1h outside a frame").arg(hex2(byte))
                           : QStringLiteral("%1h outside a frame (a refusal when it answers a request)").arg(hex2(byte));
        break;
    }
    return row;
}

QList<QByteArray> splitLineBytes(const QByteArray &b)
{
    QList<QByteArray> pieces;
    int i = 0;
    while (i < b.size()) {
        const quint8 first = quint8(b[i]);
        int size = 1;
        if (first == STX && b.size() - i >= 4) {
            size = qMin((quint8(b[i + 2]) << 8 | quint8(b[i + 3])) + 6, int(b.size()) - i);
        } else if (first != ACK && first != NAK && first != EOT && b.size() - i > 1) {
            // A run of bytes that starts no frame: up to the next one that could.
            int j = i + 1;
            while (j < b.size() && quint8(b[j]) != STX && quint8(b[j]) != ACK && quint8(b[j]) != NAK
                   && quint8(b[j]) != EOT)
                ++j;
            size = j - i;
        }
        pieces.append(b.mid(i, size));
        i += size;
    }
    return pieces;
}

TraceRow decodePiece(TraceDir dir, const QByteArray &piece, QByteArray *lastRequest)
{
    const quint8 first = quint8(piece[0]);
    if (first == STX && piece.size() >= 4) {
        if (dir == TraceDir::Host) {
            *lastRequest = piece;
            return decodeRequest(piece);
        }
        return decodeReply(piece, *lastRequest);
    }
    if (piece.size() == 1)
        return decodeControl(first, dir);
    TraceRow row;
    row.dir = dir;
    row.bytes = piece;
    row.kind = QStringLiteral("bytes");
    row.summary = QStringLiteral("%1 bytes outside a frame").arg(piece.size());
    return row;
}

TraceParse parseTrafficLog(const QString &text)
{
    TraceParse out;
    QByteArray lastRequest;
    struct Pending
    {
        TraceDir dir;
        QByteArray bytes;
        int line;
    };
    std::optional<Pending> pending;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));

    auto flush = [&] {
        if (!pending)
            return;
        for (const QByteArray &piece : splitLineBytes(pending->bytes)) {
            TraceRow row = decodePiece(pending->dir, piece, &lastRequest);
            row.line = pending->line;
            out.rows.append(row);
        }
        pending.reset();
    };
    auto bytesOf = [&](const QString &s, int lineNo, QByteArray *bytes) {
        for (const QString &token : s.split(blanks, Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint v = token.toUInt(&ok, 16);
            if (token.size() != 2 || !ok) {
                out.problems.append({lineNo, QStringLiteral("'%1' is not a byte in two hex digits").arg(token.left(16))});
                return false;
            }
            bytes->append(char(v));
        }
        return true;
    };

    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int lineNo = n + 1;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            flush();
            continue;
        }
        if (line.startsWith(QStringLiteral("       "))) {
            if (!pending) {
                out.problems.append({lineNo, QStringLiteral("continued bytes without an SD: or RD: line before them")});
                continue;
            }
            QByteArray more;
            if (bytesOf(line, lineNo, &more))
                pending->bytes += more;
            else
                pending.reset();
            continue;
        }
        flush();
        const bool sd = line.startsWith(QLatin1String("SD:"));
        if (sd || line.startsWith(QLatin1String("RD:"))) {
            Pending p{sd ? TraceDir::Host : TraceDir::Reader, {}, lineNo};
            if (bytesOf(line.mid(3), lineNo, &p.bytes))
                pending = p;
            continue;
        }
        if (line.startsWith(QLatin1String("--"))) {
            TraceRow row;
            row.dir = TraceDir::Event;
            row.kind = QStringLiteral("event");
            row.summary = line.mid(2).trimmed();
            row.line = lineNo;
            out.rows.append(row);
            continue;
        }
        out.problems.append({lineNo, QStringLiteral("not an SD:, RD: or -- line: '%1'").arg(trimmed.left(40))});
    }
    flush();
    return out;
}

namespace {
std::optional<TraceDir> dirFromName(const QString &name)
{
    for (TraceDir d : {TraceDir::Host, TraceDir::Reader, TraceDir::Note, TraceDir::Event})
        if (traceDirName(d) == name)
            return d;
    return std::nullopt;
}

bool isHexPairs(const QString &hex)
{
    static const QRegularExpression re(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    return re.match(hex).hasMatch();
}

// "PT1.250S" -> 1250; -1 when it is no such duration.
qint64 durationMs(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^PT(\\d+)\\.(\\d{3})S$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return -1;
    return m.captured(1).toLongLong() * 1000 + m.captured(2).toInt();
}

// A time as exported, back to milliseconds; false when it is neither form.
bool parseTime(const QString &text, TraceParse &out, qint64 *ms)
{
    const qint64 relative = durationMs(text);
    if (relative >= 0) {
        out.relativeTimes = true;
        *ms = relative;
        return true;
    }
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid())
        return false;
    *ms = t.toMSecsSinceEpoch();
    return true;
}

// Host and reader rows are decoded again from their bytes (the decoder may
// know more than the one that wrote the file); the rest stands as written.
void addExportedRow(TraceParse &out, TraceRow row, QByteArray *lastRequest)
{
    if ((row.dir == TraceDir::Host || row.dir == TraceDir::Reader) && !row.bytes.isEmpty()) {
        TraceRow decoded = decodePiece(row.dir, row.bytes, lastRequest);
        decoded.timeMs = row.timeMs;
        decoded.deltaMs = row.deltaMs;
        decoded.line = row.line;
        row = decoded;
    }
    out.rows.append(row);
}

void parseJsonLines(const QStringList &lines, TraceParse &out)
{
    QByteArray lastRequest;
    static const QStringList basic = {QStringLiteral("time"), QStringLiteral("delta_ms"), QStringLiteral("dir"),
                                      QStringLiteral("bytes"), QStringLiteral("kind"), QStringLiteral("summary"),
                                      QStringLiteral("line")};
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        const QJsonObject o = doc.object();
        const auto dir = dirFromName(o.value(QLatin1String("dir")).toString());
        if (error.error != QJsonParseError::NoError || !doc.isObject() || !dir) {
            out.problems.append({n + 1, error.error != QJsonParseError::NoError
                                            ? QStringLiteral("not JSON: %1").arg(error.errorString())
                                            : QStringLiteral("not a trace row (no dir host, reader, note or event)")});
            continue;
        }
        TraceRow row;
        row.dir = *dir;
        row.kind = o.value(QLatin1String("kind")).toString();
        row.summary = o.value(QLatin1String("summary")).toString();
        const QString hex = o.value(QLatin1String("bytes")).toString();
        row.bytes = QByteArray::fromHex(hex.toLatin1());
        if (!isHexPairs(hex)) {
            out.problems.append({n + 1, QStringLiteral("bytes '%1' are not hex digits in pairs").arg(hex.left(16))});
            continue;
        }
        qint64 ms = 0;
        const QJsonValue time = o.value(QLatin1String("time"));
        if (time.isString() && parseTime(time.toString(), out, &ms))
            row.timeMs = ms;
        else if (!time.isNull() && !time.isUndefined())
            out.problems.append({n + 1, QStringLiteral("time '%1' is not an ISO 8601 time").arg(time.toString())});
        const QJsonValue delta = o.value(QLatin1String("delta_ms"));
        if (delta.isDouble())
            row.deltaMs = qint64(delta.toDouble());
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!basic.contains(it.key()))
                row.fields.append({it.key(), it.value()});
        addExportedRow(out, row, &lastRequest);
    }
}

void parseTextExport(const QStringList &lines, TraceParse &out)
{
    QByteArray lastRequest;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int n = 1; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const int bar = int(line.lastIndexOf(QLatin1Char('|')));
        const QStringList head = line.left(bar).trimmed().split(blanks, Qt::SkipEmptyParts);
        const auto dir = head.size() >= 4 ? dirFromName(head[2]) : std::nullopt;
        if (bar < 0 || !dir) {
            out.problems.append({n + 1, QStringLiteral("not a trace row: '%1'").arg(line.trimmed().left(40))});
            continue;
        }
        TraceRow row;
        row.dir = *dir;
        row.kind = head[3];
        // The summary is what stands between the kind and the bar.
        const int kindEnd = int(line.indexOf(head[3], line.indexOf(head[2]) + head[2].size())) + int(head[3].size());
        row.summary = line.mid(kindEnd, bar - kindEnd).trimmed();
        const QString hex = line.mid(bar + 1).remove(blanks);
        row.bytes = QByteArray::fromHex(hex.toLatin1());
        if (!isHexPairs(hex)) {
            out.problems.append({n + 1, QStringLiteral("bytes after '|' are not hex digits in pairs")});
            continue;
        }
        qint64 ms = 0;
        if (head[0] != QLatin1String("-") && !head[0].startsWith(QLatin1String("line:"))) {
            if (parseTime(head[0], out, &ms))
                row.timeMs = ms;
            else
                out.problems.append({n + 1, QStringLiteral("time '%1' is not an ISO 8601 time").arg(head[0])});
        }
        if (head[1].startsWith(QLatin1Char('+')))
            row.deltaMs = head[1].mid(1).toLongLong();
        addExportedRow(out, row, &lastRequest);
    }
}
}  // namespace

TraceParse parseTraceFile(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString first;
    for (const QString &l : lines)
        if (!(first = l.trimmed()).isEmpty())
            break;
    TraceParse out;
    if (first.startsWith(QLatin1Char('{')))
        parseJsonLines(lines, out);
    else if (first.startsWith(traceTextHeader().left(17)))
        parseTextExport(lines, out);
    else
        out = parseTrafficLog(text);
    return out;
}

QString traceTextHeader()
{
    return QStringLiteral("# QTEST820 trace: time, delta ms, dir, kind, summary | bytes");
}

QString traceTime(const TraceRow &row, TraceTimes times, qint64 firstMs)
{
    if (!row.timeMs)
        return row.line > 0 ? QStringLiteral("line:%1").arg(row.line) : QStringLiteral("-");
    if (times == TraceTimes::Stable) {
        const qint64 ms = qMax<qint64>(0, *row.timeMs - firstMs);
        return QStringLiteral("PT%1.%2S").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(*row.timeMs);
    if (times == TraceTimes::TimeOfDay)
        return local.toString(QStringLiteral("HH:mm:ss.zzz"));
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString traceLine(const TraceRow &r, TraceTimes times, qint64 firstMs, const TraceColumns &columns)
{
    const QString delta = r.deltaMs ? QStringLiteral("+%1").arg(*r.deltaMs) : QStringLiteral("-");
    QString line = QStringLiteral("%1  %2  %3  %4  %5  |")
                       .arg(traceTime(r, times, firstMs), -columns.time)
                       .arg(delta, 7)
                       .arg(traceDirName(r.dir), -6)
                       .arg(r.kind, -7)
                       .arg(r.summary, -columns.summary);
    if (!r.bytes.isEmpty())
        line += QLatin1Char(' ') + hexSpaced(r.bytes).trimmed();
    return line;
}

namespace {
qint64 firstTime(const QList<TraceRow> &rows)
{
    for (const TraceRow &r : rows)
        if (r.timeMs)
            return *r.timeMs;
    return 0;
}
}  // namespace

QString traceText(const QList<TraceRow> &rows, TraceTimes times)
{
    const qint64 first = firstTime(rows);
    TraceColumns columns;
    for (const TraceRow &r : rows) {
        columns.summary = qMax(columns.summary, int(r.summary.size()));
        columns.time = qMax(columns.time, int(traceTime(r, times, first).size()));
    }
    columns.summary = qMin(columns.summary, 80);  // a very long one should not push every row's bytes away
    QString out = traceTextHeader() + QLatin1Char('\n');
    for (const TraceRow &r : rows)
        out += traceLine(r, times, first, columns) + QLatin1Char('\n');
    return out;
}

QString traceJsonLine(const TraceRow &r, TraceTimes times, qint64 firstMs)
{
    QString line = QStringLiteral("{\"time\":%1,\"delta_ms\":%2,\"dir\":\"%3\",\"bytes\":\"%4\",\"kind\":%5,\"summary\":%6")
                       .arg(r.timeMs ? jsonText(traceTime(r, times, firstMs)) : QStringLiteral("null"),
                            r.deltaMs ? QString::number(*r.deltaMs) : QStringLiteral("null"), traceDirName(r.dir),
                            bytesHex(r.bytes), jsonText(r.kind), jsonText(r.summary));
    if (r.line > 0)
        line += QStringLiteral(",\"line\":%1").arg(r.line);
    for (const TraceField &f : r.fields)
        line += QStringLiteral(",%1:%2").arg(jsonText(f.name), jsonText(f.value));
    return line + QLatin1Char('}');
}

QString traceJsonLines(const QList<TraceRow> &rows, TraceTimes times)
{
    const qint64 first = firstTime(rows);
    QString out;
    for (const TraceRow &r : rows)
        out += traceJsonLine(r, times, first) + QLatin1Char('\n');
    return out;
}

}  // namespace mdq
