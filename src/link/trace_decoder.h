#pragma once
// The decoded trace: what each frame and control byte on the line means,
// row by row, from the bytes alone. The names come from the command table
// (link/commands.h) and the negative codes from link/error_codes; APDUs get
// their ISO 7816-4 instruction and status word meanings. Used for a saved
// traffic log (qtest820 --decode) and meant for a live view: no widgets.

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

namespace mdq {

enum class TraceDir { Host, Reader, Note, Event };

struct TraceField
{
    QString name;
    QJsonValue value;
};

struct TraceRow
{
    TraceDir dir = TraceDir::Note;
    QByteArray bytes;
    QString kind;     // request, reply, ack, nak, eot, bytes, event
    QString summary;
    QList<TraceField> fields;
    int line = 0;     // where it stood in the log, 0 when not from a log
    std::optional<qint64> timeMs;   // a raw log has no times
    std::optional<qint64> deltaMs;

    QJsonValue field(const QString &name) const;
};

// ISO 7816-4 name of an instruction byte ("SELECT" for A4h), "" when not a common one.
QString instructionName(quint8 ins);
// Meaning of a status word (SW1 SW2), wildcards filled in ("61 1A": 26 bytes
// available); "Unknown status word" when no row matches.
QString statusWordMeaning(quint8 sw1, quint8 sw2);

// One request frame (F2h ... 'C' CM PM data ETX BCC) as the host sent it.
TraceRow decodeRequest(const QByteArray &frame);
// One reply frame; `request` (may be empty) is the last request, for the
// operation a sub-command reply answers and whether its data ends in a status word.
TraceRow decodeReply(const QByteArray &frame, const QByteArray &request = {});
// A single byte outside a frame: ACK, NAK, EOT, or something else.
TraceRow decodeControl(quint8 byte, TraceDir dir);

struct TraceProblem
{
    int line;
    QString text;
};

struct TraceParse
{
    QList<TraceRow> rows;
    QList<TraceProblem> problems;
};

// A traffic log as Save To writes it: "SD: " and "RD: " lines (continued on
// lines that start with seven spaces), blank lines, "-- " event lines. A line
// that is none of these is a problem; decoding goes on after it.
TraceParse parseTrafficLog(const QString &text);

// One row per line, columns aligned.
QString traceText(const QList<TraceRow> &rows);
// One JSON object per row: time, delta_ms, dir, bytes, kind, summary, then the decoded fields.
QString traceJsonLines(const QList<TraceRow> &rows);

}  // namespace mdq
