#pragma once
// The live trace: every write and read on the line, the engine's verdict on
// each exchange, the tool's own events and the operator's remarks, with the
// time each happened. Rows are kept packed (time, kind and the raw bytes,
// about 20 bytes a row besides the bytes) and decoded only when someone
// looks at one, so a long session costs little more than its traffic.
// No widgets: the monitor page, the session trace file and the exports read it.

#include "link/exchange_outcome.h"
#include "link/trace_decoder.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <deque>
#include <vector>

namespace mdq {

class Clock;

class Trace : public QObject
{
    Q_OBJECT
public:
    // Times are taken from `clock` and placed on the time of day at which
    // the trace was made.
    explicit Trace(const Clock &clock, QObject *parent = nullptr);

    // What went over the line, as written or read in one piece (a request,
    // an ACK, a reply's header and body). It is cut into rows the way a
    // saved log's SD:/RD: line is.
    void host(const QByteArray &bytes);
    void reader(const QByteArray &bytes);
    // How the exchange that started with the last request ended.
    void verdict(const ExchangeOutcome &outcome);
    // The tool's own events (connected, port lost, ...) and the operator's remarks.
    void toolEvent(const QString &text);
    void note(const QString &text);

    int size() const { return int(m_rows.size()); }
    TraceRow row(int i) const;
    // Row i's bytes as they went over the line, and whether the host sent
    // them, without decoding (empty for verdicts, events and remarks).
    QByteArray lineBytes(int i) const;
    bool fromHost(int i) const { return m_rows[std::size_t(i)].type == Type::Host; }
    QList<TraceRow> rows() const;
    // The first row's time, for stable times.
    qint64 firstTimeMs() const;
    // Bytes held, for the benchmark.
    qint64 memoryBytes() const;

    // Drops the rows (the view follows the traffic log's Clear); rows
    // already written to a session trace file stay there.
    void clear();

Q_SIGNALS:
    // Row `index` was added.
    void rowAdded(int index);
    void cleared();

private:
    enum class Type : quint8 { Host, Reader, Verdict, Event, Note };
    struct Row
    {
        quint32 ms;        // since m_startMs
        quint32 offset;    // into the byte store
        quint16 size;
        Type type;
        qint32 request;    // the last request before this row (-1 none), as a row of m_rows
    };
    void add(Type type, const QByteArray &payload);
    QByteArray payload(const Row &r) const;
    TraceRow verdictRow(const QByteArray &payload) const;

    const Clock &m_clock;
    qint64 m_startMs;
    qint64 m_startEpochMs;
    qint64 m_beforeFirstMs;        // the time of the row before the first kept one, -1 none
    std::deque<Row> m_rows;            // grows in blocks: no copying, no doubling
    std::vector<QByteArray> m_chunks;  // byte store, in chunks that never move
    qint32 m_lastRequest = -1;
    // The exchange in progress, for its verdict.
    bool m_acked = false;
    bool m_eotSent = false;
    QByteArray m_lastReply;
};

}  // namespace mdq
