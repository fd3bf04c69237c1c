#pragma once
// A serial port whose far end is a script: each frame the host writes takes
// the next scripted answer, delivered in chunks at given times on the fake
// clock. Waiting advances the clock to the next arrival (or the wait's end).

#include "platform/serial_port.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <functional>
#include <utility>

namespace mdqtest {

class FakeClock;

struct Chunk
{
    qint64 afterMs;  // after the host's write (or the previous chunk)
    QByteArray bytes;
};

class FakeSerialPort : public mdq::SerialPort
{
public:
    explicit FakeSerialPort(FakeClock &clock) : m_clock(clock) {}

    // The answer to the next frame the host writes (one-byte writes such as
    // ACK and EOT take none unless answerAcks is set).
    void answerNext(QList<Chunk> chunks) { m_answers.append(chunks); }
    // Convenience: ACK at once, then the reply right after.
    void answerWith(const QByteArray &reply);
    void answerAfterEot(QList<Chunk> chunks) { m_afterEot = chunks; }
    // Bytes that arrive without being asked for.
    void deliver(qint64 afterMs, const QByteArray &bytes);

    QList<QByteArray> writes() const { return m_writes; }
    // Clock time of each write, in order.
    QList<qint64> writeTimes() const { return m_writeTimes; }
    QByteArray lastFrame() const;
    void clearWrites() { m_writes.clear(); m_writeTimes.clear(); }
    // Forgets every scripted answer and byte still due (a fresh far end).
    void forgetAnswers() { m_answers.clear(); m_afterEot.clear(); m_arrivals.clear(); m_buffer.clear(); }

    // A far end that depends on where the host is: asked for each frame the
    // host writes while no scripted answer (answerNext) is queued, with the
    // port and baud rate the port was opened at. For scans over many ports.
    using Responder = std::function<QList<Chunk>(int port, qint32 baud, const QByteArray &frame)>;
    void setResponder(Responder responder) { m_responder = std::move(responder); }

    // Failure injection.
    void failOpenWith(mdq::OpenError e) { m_openError = e; }
    // Only this port fails to open (takes precedence over failOpenWith).
    void failOpenOn(int port, mdq::OpenError e) { m_portOpenErrors.insert(port, e); }
    // Every open asked for, successful or not: (port, baud).
    QList<std::pair<int, qint32>> openAttempts() const { return m_attempts; }
    // Runs after every wait of the host (the clock has moved on).
    void setOnWait(std::function<void()> onWait) { m_onWait = std::move(onWait); }

    mdq::OpenError open(int portNumber, qint32 baud) override;
    // What the far end sends while the port is closed is lost, as on a real line.
    void close() override
    {
        m_open = false;
        ++m_closes;
        m_arrivals.clear();
        m_buffer.clear();
    }
    bool isOpen() const override { return m_open; }
    int portNumber() const override { return m_port; }
    qint32 baudRate() const override { return m_baud; }
    int closes() const { return m_closes; }
    int opens() const { return m_opens; }
    QString deviceName() const override { return deviceFor(m_port); }
    QString deviceFor(int port) const override { return QStringLiteral("/dev/fake%1").arg(port); }
    bool discardBuffers() override;
    bool write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    bool read(int n, QByteArray *out) override;
    void waitForData(int ms) override;
    QString errorText() const override { return QString(); }


private:
    struct Arrival
    {
        qint64 at;
        QByteArray bytes;
    };
    void schedule(const QList<Chunk> &chunks);
    void pump();

    FakeClock &m_clock;
    QList<QList<Chunk>> m_answers;
    QList<Chunk> m_afterEot;
    QList<Arrival> m_arrivals;
    QByteArray m_buffer;
    QList<QByteArray> m_writes;
    QList<qint64> m_writeTimes;
    mdq::OpenError m_openError = mdq::OpenError::None;
    QHash<int, mdq::OpenError> m_portOpenErrors;
    QList<std::pair<int, qint32>> m_attempts;
    Responder m_responder;
    std::function<void()> m_onWait;
    bool m_open = false;
    int m_port = 0;
    qint32 m_baud = 0;
    int m_opens = 0;
    int m_closes = 0;
};

// A reply frame as the reader sends it: F2 addr LENH LENL marker CM PM
// status... data... 03 BCC (BCC over everything before it).
QByteArray replyFrame(char marker, quint8 cm, quint8 pm, const QByteArray &statusOrCode,
                      const QByteArray &data = {}, quint8 address = 0);
QByteArray positive(quint8 cm, quint8 pm, const QByteArray &data = {}, const QByteArray &status = "000");
QByteArray negative(quint8 cm, quint8 pm, const QByteArray &code);

}  // namespace mdqtest
