#include "support/fake_serial_port.h"

#include "support/fake_clock.h"

namespace mdqtest {

void FakeSerialPort::answerWith(const QByteArray &reply)
{
    answerNext({{0, QByteArray(1, '\x06')}, {0, reply}});
}

void FakeSerialPort::deliver(qint64 afterMs, const QByteArray &bytes)
{
    m_arrivals.append({m_clock.nowMs() + afterMs, bytes});
}

QByteArray FakeSerialPort::lastFrame() const
{
    for (auto it = m_writes.crbegin(); it != m_writes.crend(); ++it)
        if (it->size() > 1)
            return *it;
    return QByteArray();
}

mdq::OpenError FakeSerialPort::open(int portNumber, qint32 baud)
{
    m_open = false;
    m_port = portNumber;
    m_baud = baud;
    m_attempts.append({portNumber, baud});
    const mdq::OpenError error = m_portOpenErrors.value(portNumber, m_openError);
    if (error != mdq::OpenError::None)
        return error;
    m_open = true;
    ++m_opens;
    m_buffer.clear();
    return mdq::OpenError::None;
}

void FakeSerialPort::schedule(const QList<Chunk> &chunks)
{
    qint64 at = m_clock.nowMs();
    for (const Chunk &c : chunks) {
        at += c.afterMs;
        m_arrivals.append({at, c.bytes});
    }
}

void FakeSerialPort::pump()
{
    for (int i = 0; i < m_arrivals.size();) {
        if (m_arrivals[i].at <= m_clock.nowMs()) {
            m_buffer += m_arrivals[i].bytes;
            m_arrivals.removeAt(i);
        } else {
            ++i;
        }
    }
}

bool FakeSerialPort::discardBuffers()
{
    if (!m_open)
        return false;
    pump();
    m_buffer.clear();
    return true;
}

bool FakeSerialPort::write(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    m_writes.append(bytes);
    m_writeTimes.append(m_clock.nowMs());
    if (bytes.size() > 1 && !m_answers.isEmpty())
        schedule(m_answers.takeFirst());
    else if (bytes.size() > 1 && m_responder)
        schedule(m_responder(m_port, m_baud, bytes));
    else if (bytes == QByteArray(1, '\x04') && !m_afterEot.isEmpty())
        schedule(std::exchange(m_afterEot, {}));
    return true;
}

int FakeSerialPort::bytesWaiting()
{
    if (!m_open)
        return -1;
    pump();
    return int(m_buffer.size());
}

bool FakeSerialPort::read(int n, QByteArray *out)
{
    if (!m_open)
        return false;
    pump();
    const int take = n > 0 ? qMin<int>(n, int(m_buffer.size())) : int(m_buffer.size());
    *out = m_buffer.left(take);
    m_buffer.remove(0, take);
    return true;
}

void FakeSerialPort::waitForData(int ms)
{
    qint64 until = m_clock.nowMs() + ms;
    for (const Arrival &a : m_arrivals)
        until = qMin(until, qMax(a.at, m_clock.nowMs()));
    m_clock.setNow(until);
    if (m_onWait)
        m_onWait();
}

QByteArray replyFrame(char marker, quint8 cm, quint8 pm, const QByteArray &statusOrCode, const QByteArray &data,
                      quint8 address)
{
    const int len = 3 + int(statusOrCode.size()) + int(data.size());
    QByteArray f;
    f.append(char(0xF2));
    f.append(char(address));
    f.append(char(len >> 8));
    f.append(char(len & 0xFF));
    f.append(marker);
    f.append(char(cm));
    f.append(char(pm));
    f.append(statusOrCode);
    f.append(data);
    f.append(char(0x03));
    quint8 bcc = 0;
    for (const char b : f)
        bcc ^= quint8(b);
    f.append(char(bcc));
    return f;
}

QByteArray positive(quint8 cm, quint8 pm, const QByteArray &data, const QByteArray &status)
{
    return replyFrame('P', cm, pm, status, data);
}

QByteArray negative(quint8 cm, quint8 pm, const QByteArray &code)
{
    return replyFrame('N', cm, pm, code);
}

}  // namespace mdqtest
