#pragma once
// Faults the virtual reader can be told to make on the line, so that the tool's
// handling of a misbehaving reader can be exercised.
//
// Lifetimes:
//  - the line mode (nak, silent, ack-only, header-only, bad-bcc, oversize) stays until it
//    is cleared, unless it was set "once": then it applies to the next request
//    addressed to this reader only;
//  - the reply delay stays until it is set to 0 or cleared;
//  - a negative answer is always one-shot: it replaces the next answered reply.
// Nak and silent refuse the request (the command is not carried out and a
// pending negative answer waits); every other mode acknowledges it, so the
// command is carried out even if its reply never arrives whole.

#include <QByteArray>
#include <QString>
#include <optional>

namespace sim {

enum class FaultMode { None, Nak, Silent, AckOnly, HeaderOnly, BadBcc, Oversize };

class FaultPlan
{
public:
    struct Decision
    {
        FaultMode mode = FaultMode::None;
        int delayMs = 0;
        QByteArray negative;  // empty: answer as the reader would
    };

    void setMode(FaultMode mode, bool once = false);
    void setDelayMs(int ms);
    void setNegative(const QByteArray &code);
    void clear();

    FaultMode mode() const { return m_mode; }
    bool isOnce() const { return m_once; }
    int delayMs() const { return m_delayMs; }
    QByteArray pendingNegative() const { return m_negative; }

    // What to do with the request now being answered; uses up one-shot faults.
    Decision take();

    // "none" or e.g. "nak once, delay 200, negative 10".
    QString describe() const;

    static QString modeName(FaultMode mode);
    static std::optional<FaultMode> modeFromName(const QString &name);

private:
    FaultMode m_mode = FaultMode::None;
    bool m_once = false;
    int m_delayMs = 0;
    QByteArray m_negative;
};

}  // namespace sim
