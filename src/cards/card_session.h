#pragma once
// The card tools' side of the line: one exchange at a time through the
// engine, with the reader's address, and the progress and stop of a long
// operation. A transport failure or a negative reply ends the operation with
// its text; a Mifare status word other than 9000 is an answer, not a failure.

#include "cards/card_image.h"
#include "link/execute_command.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace mdq::cards {

// How a long operation reports and is stopped. Every member may be empty.
struct Progress
{
    std::function<void(int done, int total, const QString &what)> step;
    std::function<void(const QString &text)> warning;
    std::function<bool()> stopRequested;
};

// Asked before a risky write; true to go on. Empty: the answer is no.
using Confirm = std::function<bool(const QString &question)>;

// The card on the antenna, as activation found it.
struct RfCardInfo
{
    enum class Kind { None, S50, S70, Ultralight, Other } kind = Kind::None;
    QByteArray uid;
    QByteArray atqa;  // file order: low byte first
};

class CardSession
{
public:
    CardSession(LinkContext &link, quint8 address, Progress progress = {});

    // The last failure (transport, negative reply, stop, unexpected card).
    QString error() const { return m_error; }
    bool stopped() const { return m_stopped; }
    Progress &progress() { return m_progress; }
    void warn(const QString &text);
    // Ends the operation with this reason (a wrong card, a refusal).
    void fail(const QString &text) { if (m_error.isEmpty()) m_error = text; }
    // Reports progress; false when the operator asked to stop.
    bool step(int done, int total, const QString &what);
    int exchanges() const { return m_exchanges; }

    // One exchange; nullopt on a transport failure or a negative reply (error() says which).
    std::optional<Reply> exchange(quint8 cm, quint8 pm, const QByteArray &data);

    // RF activation (Type A first); nullopt when it failed.
    std::optional<RfCardInfo> activate();

    // Mifare operations: true when the card answered 9000; false for a
    // refusal and for a failure (then error() is set and failed() true).
    bool checkKey(int sector, int keyType, const QByteArray &key);
    std::optional<QByteArray> readBlock(int sector, int block);  // 16 bytes
    bool writeBlock(int sector, int block, const QByteArray &data);
    std::optional<QByteArray> readPage(int page);  // Ultralight: 4 bytes
    bool writePage(int page, const QByteArray &data);
    bool failed() const { return !m_error.isEmpty(); }

private:
    std::optional<Reply> mifare(quint8 op, const QByteArray &args);

    LinkContext &m_link;
    quint8 m_address;
    Progress m_progress;
    QString m_error;
    bool m_stopped = false;
    int m_exchanges = 0;
};

}  // namespace mdq::cards
