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

// "host", "reader", "note" or "event", as exported.
QString traceDirName(TraceDir dir);

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
    std::optional<qint64> timeMs;   // ms since the epoch (or since the first row); a raw log has no times
    std::optional<qint64> deltaMs;  // since the row before

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

// What one SD:/RD: line (or one write or read on the line) holds, cut into
// frames, control bytes and runs of other bytes. The live trace and a saved
// log are cut the same way, so both give the same rows.
QList<QByteArray> splitLineBytes(const QByteArray &bytes);
// One piece of that: a request, reply, control byte or stray bytes.
// `lastRequest` is kept up to date for the replies that follow.
TraceRow decodePiece(TraceDir dir, const QByteArray &piece, QByteArray *lastRequest);

struct TraceProblem
{
    int line;
    QString text;
};

struct TraceParse
{
    QList<TraceRow> rows;
    QList<TraceProblem> problems;
    bool relativeTimes = false;  // the times count from the first row, not from the epoch
};

// A traffic log as Save To writes it: "SD: " and "RD: " lines (continued on
// lines that start with seven spaces), blank lines, "-- " event lines. A line
// that is none of these is a problem; decoding goes on after it.
TraceParse parseTrafficLog(const QString &text);

// Any file --decode takes: an exported trace (JSON Lines or text, told by
// its first line) or else a raw traffic log.
TraceParse parseTraceFile(const QString &text);

// How exported times are written: the local time of day in ISO 8601 with
// milliseconds, or (stable) the time since the first row as an ISO 8601
// duration ("PT1.250S"), so that two runs compare with diff.
enum class TraceTimes { Absolute, Stable, TimeOfDay /* 10:04:05.123, for the screen */ };

// The first line of a text export; the decoder knows such a file by it.
QString traceTextHeader();
// One row's time as exported; "-" when it has none. `firstMs` is the first
// row's time, for stable times.
QString traceTime(const TraceRow &row, TraceTimes times, qint64 firstMs);
// One row as a line of text: time, delta, dir, kind, summary, then "|" and
// the bytes. Columns are padded to the widths given (0: not padded).
struct TraceColumns
{
    int time = 0;
    int summary = 0;
};
QString traceLine(const TraceRow &row, TraceTimes times, qint64 firstMs, const TraceColumns &columns);
// The header line, then one row per line, columns aligned.
QString traceText(const QList<TraceRow> &rows, TraceTimes times = TraceTimes::Absolute);
// One JSON object per row (no line end): time, delta_ms, dir, bytes, kind,
// summary, then the decoded fields.
QString traceJsonLine(const TraceRow &row, TraceTimes times, qint64 firstMs);
QString traceJsonLines(const QList<TraceRow> &rows, TraceTimes times = TraceTimes::Absolute);

}  // namespace mdq
