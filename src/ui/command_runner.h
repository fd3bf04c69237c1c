#pragma once
// The operation pattern every command button follows, written once:
//   1. refuse with "Comm. Port Setup First" while the port is not opened;
//   2. clear the traffic log unless "Record Data" is ticked;
//   3. build the frame from the controls (a bad input stops here: nothing sent);
//   4. ExecuteCommand; once the line is free again, the message the rules
//      give for a failed exchange (no window ever opens while the line is busy);
//   5. on a reply, 'P' goes to the handler, 'N' to ShowErrorCode;
//   6. append a blank line to the log.
// Handlers supply only the frame and their positive-reply treatment.

#include "link/execute_command.h"
#include "link/reply.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace mdq {

// Thrown by input conversions and reply treatments for the operator's
// "Error:Please Check The Data Effective"; caught by the runner only.
struct DataError
{
};

// Conversions of box texts that throw DataError instead of sending garbage.
quint8 needByte(const QString &hexText);
qint16 needInt16(const QString &hexText);

class CommandRunner
{
public:
    using AddressSource = std::function<std::optional<quint8>()>;
    using RecordSource = std::function<bool()>;
    // Returns the frame to send, nullopt to stop quietly (an operator cancel:
    // no exchange and no blank line), or throws DataError.
    using Builder = std::function<std::optional<QByteArray>(quint8 address)>;
    using PositiveHandler = std::function<void(const Reply &)>;
    // Sees a negative reply first; returns true when it has dealt with it,
    // false to leave it to ShowErrorCode.
    using NegativeHandler = std::function<bool(const Reply &)>;

    CommandRunner(LinkContext link, Prompter &prompter, AddressSource address, RecordSource record);

    LinkContext &link() { return m_link; }
    Prompter &prompter() { return m_prompter; }
    SharedState &state() { return m_link.state; }
    std::optional<quint8> address() const { return m_address(); }
    bool recordData() const { return m_record(); }

    // The whole pattern. Returns the exchange result (or 0 when nothing was sent).
    int run(const Builder &build, const PositiveHandler &onPositive, const NegativeHandler &onNegative = {});
    // The common case: a frame from fixed CM/PM and data.
    int run(quint8 cm, quint8 pm, const QByteArray &data, const PositiveHandler &onPositive);

    void showDataError();
    void showInformation(const QString &title, const QString &text);

private:
    LinkContext m_link;
    Prompter &m_prompter;
    AddressSource m_address;
    RecordSource m_record;
};

}  // namespace mdq
