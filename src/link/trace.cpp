#include "link/trace.h"

#include "link/frame.h"
#include "platform/clock.h"

#include <cstring>

namespace mdq {

namespace {
constexpr int kChunk = 64 * 1024;

// A verdict as stored: this fixed part, then the device, a NUL and the
// detail (UTF-8).
struct PackedVerdict
{
    qint8 result;
    quint8 end;
    quint8 failureClass;
    quint8 received;
    qint32 expected;
    qint32 got;
    qint32 elapsedMs;
    quint8 acked;
    quint8 eotSent;
    quint8 bcc;          // 0 no reply frame, 1 good, 2 wrong
    quint8 bccExpected;
    quint8 marker;       // the reply's P or N, 0 without a reply frame
    quint8 portLost;
};

QString endName(ExchangeEnd end)
{
    switch (end) {
    case ExchangeEnd::Reply: return QStringLiteral("reply");
    case ExchangeEnd::PortNotOpened: return QStringLiteral("port not opened");
    case ExchangeEnd::NoReply: return QStringLiteral("no reply");
    case ExchangeEnd::Stopped: return QStringLiteral("stopped");
    case ExchangeEnd::Refused: return QStringLiteral("refused");
    case ExchangeEnd::ByteAfterEot: return QStringLiteral("byte after EOT");
    case ExchangeEnd::BodyMissing: return QStringLiteral("reply cut off");
    case ExchangeEnd::ReplyTooLong: return QStringLiteral("reply too long");
    case ExchangeEnd::BadReply: return QStringLiteral("bad reply");
    case ExchangeEnd::PortFault: return QStringLiteral("port fault");
    }
    return QString();
}
}  // namespace

Trace::Trace(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_startMs(clock.nowMs())
    , m_startEpochMs(QDateTime::currentMSecsSinceEpoch())
    , m_beforeFirstMs(-1)
{
}

void Trace::add(Type type, const QByteArray &payload)
{
    const int length = int(qMin<qsizetype>(payload.size(), 0xFFFF));
    if (m_chunks.empty() || m_chunks.back().size() + length > kChunk) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(kChunk);
    }
    const quint32 offset = quint32((m_chunks.size() - 1) * kChunk + m_chunks.back().size());
    m_chunks.back().append(payload.constData(), length);
    const qint64 ms = qMax<qint64>(0, m_clock.nowMs() - m_startMs);
    m_rows.push_back(Row{quint32(qMin<qint64>(ms, 0xFFFFFFFFLL)), offset, quint16(length), type, m_lastRequest});
    Q_EMIT rowAdded(size() - 1);
}

QByteArray Trace::payload(const Row &r) const
{
    const QByteArray &chunk = m_chunks[r.offset / kChunk];
    return chunk.mid(r.offset % kChunk, r.size);
}

void Trace::host(const QByteArray &bytes)
{
    for (const QByteArray &piece : splitLineBytes(bytes)) {
        const bool request = quint8(piece[0]) == STX && piece.size() >= 4;
        if (request) {
            m_acked = m_eotSent = false;
            m_lastReply.clear();
        }
        if (piece.size() == 1 && quint8(piece[0]) == EOT)
            m_eotSent = true;
        add(Type::Host, piece);
        if (request)
            m_lastRequest = size() - 1;
    }
}

void Trace::reader(const QByteArray &bytes)
{
    for (const QByteArray &piece : splitLineBytes(bytes)) {
        if (piece.size() == 1 && quint8(piece[0]) == ACK && m_lastReply.isEmpty())
            m_acked = true;
        else if (quint8(piece[0]) == STX)
            m_lastReply = piece;
        add(Type::Reader, piece);
    }
}

void Trace::verdict(const ExchangeOutcome &o)
{
    PackedVerdict v{};
    v.result = qint8(o.result);
    v.end = quint8(o.end);
    v.failureClass = quint8(o.failureClass);
    v.received = o.received;
    v.expected = o.expected;
    v.got = o.got;
    v.elapsedMs = qint32(qMin<qint64>(o.elapsedMs, 0x7FFFFFFF));
    v.acked = m_acked;
    v.eotSent = m_eotSent;
    if (m_lastReply.size() >= 6) {
        v.marker = quint8(m_lastReply[4]);
        v.bccExpected = ComputeBcc(m_lastReply);
        v.bcc = quint8(m_lastReply.back()) == v.bccExpected ? 1 : 2;
    }
    v.portLost = o.portLost;
    QByteArray payload(reinterpret_cast<const char *>(&v), sizeof v);
    payload += o.device.toUtf8() + '\0' + o.detail.toUtf8();
    add(Type::Verdict, payload);
}

void Trace::toolEvent(const QString &text) { add(Type::Event, text.toUtf8()); }

void Trace::note(const QString &text) { add(Type::Note, text.toUtf8()); }

TraceRow Trace::verdictRow(const QByteArray &payload) const
{
    PackedVerdict v{};
    std::memcpy(&v, payload.constData(), qMin<qsizetype>(sizeof v, payload.size()));
    ExchangeOutcome o;
    o.result = v.result;
    o.end = ExchangeEnd(v.end);
    o.failureClass = FailureClass(v.failureClass);
    o.received = v.received;
    o.expected = v.expected;
    o.got = v.got;
    o.elapsedMs = v.elapsedMs;
    o.portLost = v.portLost;
    const QByteArray texts = payload.mid(sizeof v);
    const int nul = int(texts.indexOf('\0'));
    o.device = QString::fromUtf8(texts.left(nul));
    o.detail = QString::fromUtf8(texts.mid(nul + 1));

    TraceRow row;
    row.dir = TraceDir::Event;
    row.kind = QStringLiteral("verdict");
    const bool failed = o.result == ExchangeFailed;
    QString head = o.result == ExchangeOk     ? QStringLiteral("Done")
                   : o.result == ExchangeNoReply ? QStringLiteral("No reply")
                   : o.failureClass == FailureClass::NoAnswer ? QStringLiteral("Failed (no answer)")
                                                               : QStringLiteral("Failed (bad data)");
    const QString reply = v.marker == 'P' ? QStringLiteral("positive") : v.marker == 'N' ? QStringLiteral("negative") : QString();
    row.summary = head + QStringLiteral(": ")
                  + (o.end == ExchangeEnd::Reply ? QStringLiteral("%1reply after %2 ms")
                                                        .arg(reply.isEmpty() ? QString() : reply + QLatin1Char(' '))
                                                        .arg(o.elapsedMs)
                                                  : o.summary());
    row.fields.append({QStringLiteral("result"), o.result});
    row.fields.append({QStringLiteral("end"), endName(o.end)});
    row.fields.append({QStringLiteral("acknowledged"), bool(v.acked)});
    row.fields.append({QStringLiteral("reply_ms"), qint64(o.elapsedMs)});
    if (!reply.isEmpty())
        row.fields.append({QStringLiteral("reply"), reply});
    if (v.bcc) {
        row.fields.append({QStringLiteral("checksum"), v.bcc == 1 ? QStringLiteral("good") : QStringLiteral("wrong")});
        if (v.bcc == 2) {
            row.fields.append({QStringLiteral("bcc_expected"), byteHex(v.bccExpected)});
            if (!row.summary.contains(QLatin1String("BCC")))
                row.summary += QStringLiteral("; BCC wrong, expected %1h").arg(byteHex(v.bccExpected));
        }
    }
    row.fields.append({QStringLiteral("eot_sent"), bool(v.eotSent)});
    row.fields.append({QStringLiteral("stopped"), o.end == ExchangeEnd::Stopped});
    if (failed)
        row.fields.append({QStringLiteral("failure_class"), o.failureClass == FailureClass::NoAnswer
                                                                ? QStringLiteral("no answer")
                                                                : QStringLiteral("bad data")});
    if (!v.acked && o.end != ExchangeEnd::PortNotOpened && o.end != ExchangeEnd::PortFault)
        row.summary += QStringLiteral("; not acknowledged");
    return row;
}

TraceRow Trace::row(int i) const
{
    const Row &r = m_rows[std::size_t(i)];
    const QByteArray bytes = payload(r);
    TraceRow row;
    switch (r.type) {
    case Type::Host:
    case Type::Reader: {
        QByteArray request = r.request >= 0 && r.request < size() ? payload(m_rows[std::size_t(r.request)]) : QByteArray();
        row = decodePiece(r.type == Type::Host ? TraceDir::Host : TraceDir::Reader, bytes, &request);
        break;
    }
    case Type::Verdict:
        row = verdictRow(bytes);
        break;
    case Type::Event:
    case Type::Note:
        row.dir = r.type == Type::Event ? TraceDir::Event : TraceDir::Note;
        row.kind = r.type == Type::Event ? QStringLiteral("event") : QStringLiteral("note");
        row.summary = QString::fromUtf8(bytes);
        break;
    }
    row.timeMs = m_startEpochMs + r.ms;
    const qint64 before = i > 0 ? qint64(m_rows[std::size_t(i - 1)].ms) : m_beforeFirstMs;
    row.deltaMs = before >= 0 ? qint64(r.ms) - before : 0;
    return row;
}

QByteArray Trace::lineBytes(int i) const
{
    const Row &r = m_rows[std::size_t(i)];
    return r.type == Type::Host || r.type == Type::Reader ? payload(r) : QByteArray();
}

QList<TraceRow> Trace::rows() const
{
    QList<TraceRow> out;
    out.reserve(size());
    for (int i = 0; i < size(); ++i)
        out.append(row(i));
    return out;
}

qint64 Trace::firstTimeMs() const
{
    return m_rows.empty() ? m_startEpochMs : m_startEpochMs + m_rows.front().ms;
}

qint64 Trace::memoryBytes() const
{
    qint64 bytes = qint64(m_rows.size()) * qint64(sizeof(Row));
    for (const QByteArray &c : m_chunks)
        bytes += c.capacity();
    return bytes;
}

void Trace::clear()
{
    if (!m_rows.empty())
        m_beforeFirstMs = m_rows.back().ms;
    m_rows.clear();
    m_chunks.clear();
    m_lastRequest = -1;
    Q_EMIT cleared();
}

}  // namespace mdq
