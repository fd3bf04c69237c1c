#pragma once
// The virtual reader as one object, for in-process use (the tool's simulate
// mode, tests) and for mdq820-sim: a pty device serving the reader protocol,
// driven by control commands from any thread. Needs QtCore only.

#include "control_interpreter.h"
#include "fault_plan.h"
#include "line_protocol.h"
#include "link_settings.h"
#include "pty_server.h"
#include "reader_model.h"

#include <QMutex>
#include <QString>

namespace sim {

struct VirtualReaderOptions
{
    quint8 address = 0;  // 0x0..0xF
    int baud = 9600;     // see LinkSettings::isSupportedBaud
    bool pace = false;
};

class VirtualReader
{
public:
    explicit VirtualReader(const VirtualReaderOptions &options = {});
    ~VirtualReader();
    VirtualReader(const VirtualReader &) = delete;
    VirtualReader &operator=(const VirtualReader &) = delete;

    // Opens the pty (fails on invalid options) and serves it on a thread of its own.
    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const { return m_server.isRunning(); }

    // The device the host opens, e.g. /dev/pts/7; empty before start().
    QString devicePath() const { return m_server.devicePath(); }

    // One control command; one line of answer, "ok ..." or "error: ...".
    // Thread-safe.
    QString control(const QString &line);

    // Bytes from the host in, bytes for the host out: what the pty thread does,
    // usable without a pty too. Thread-safe.
    QList<Transmission> receive(const QByteArray &fromHost);

private:
    QMutex m_mutex;
    ReaderModel m_model;
    FaultPlan m_faults;
    LinkSettings m_link;
    LineProtocol m_protocol{m_model, m_faults};
    ControlInterpreter m_interpreter{m_model, m_faults, m_link};
    PtyServer m_server;
    QString m_optionsError;
};

}  // namespace sim
