#include "cards/card_session.h"

#include "link/error_codes.h"
#include "link/frame.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "link/mifare_layout.h"

namespace mdq::cards {

CardSession::CardSession(LinkContext &link, quint8 address, Progress progress)
    : m_link(link), m_address(address), m_progress(std::move(progress))
{
}

void CardSession::warn(const QString &text)
{
    if (m_progress.warning)
        m_progress.warning(text);
}

bool CardSession::step(int done, int total, const QString &what)
{
    if (m_progress.step)
        m_progress.step(done, total, what);
    if (m_progress.stopRequested && m_progress.stopRequested()) {
        m_stopped = true;
        if (m_error.isEmpty())
            m_error = QStringLiteral("Stopped by the operator");
        return false;
    }
    return true;
}

std::optional<Reply> CardSession::exchange(quint8 cm, quint8 pm, const QByteArray &data)
{
    if (failed())
        return std::nullopt;
    if (!m_link.state.PortOpened) {
        m_error = QStringLiteral("The port is not open");
        return std::nullopt;
    }
    Reply reply;
    ++m_exchanges;
    const ExchangeOutcome outcome = ExecuteCommand(m_link, CommandFrame(m_address, cm, pm, data), reply);
    if (outcome.end == ExchangeEnd::Stopped) {
        m_stopped = true;
        m_error = QStringLiteral("Stopped by the operator");
        return std::nullopt;
    }
    if (outcome.result != ExchangeOk || reply.isEmpty()) {
        m_error = outcome.summary();
        if (m_error.isEmpty())
            m_error = QStringLiteral("No reply from the reader");
        return std::nullopt;
    }
    if (reply.isNegative()) {
        const QString code = QString::fromLatin1(reply.bytes(3, 4));
        m_error = QStringLiteral("Negative reply %1 to %2").arg(code, requestName(cm, pm, data));
        if (const auto text = errorCodeMessage(code))
            m_error += QStringLiteral(": ") + QString(*text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        return std::nullopt;
    }
    if (!reply.isPositive()) {
        m_error = QStringLiteral("The reader's reply to %1 is neither positive nor negative").arg(requestName(cm, pm, data));
        return std::nullopt;
    }
    return reply;
}

std::optional<RfCardInfo> CardSession::activate()
{
    const auto reply = exchange(CmRf, PmRfActivate, QByteArrayLiteral("AB"));
    if (!reply)
        return std::nullopt;
    RfCardInfo info;
    if (reply->at(6) != 'M') {
        info.kind = reply->at(6) ? RfCardInfo::Kind::Other : RfCardInfo::Kind::None;
        return info;
    }
    switch (reply->at(8)) {
    case 0x04: info.kind = RfCardInfo::Kind::S50; break;
    case 0x02: info.kind = RfCardInfo::Kind::S70; break;
    case 0x44: info.kind = RfCardInfo::Kind::Ultralight; break;
    default: info.kind = RfCardInfo::Kind::Other; break;
    }
    info.atqa = reply->bytes(8, 8) + reply->bytes(7, 7);
    const int n = reply->at(9);
    info.uid = n ? reply->bytes(10, 9 + n) : QByteArray();
    return info;
}

std::optional<Reply> CardSession::mifare(quint8 op, const QByteArray &args)
{
    return exchange(CmRf, PmRfMifare, mifare::data(op, args));
}

bool CardSession::checkKey(int sector, int keyType, const QByteArray &key)
{
    QByteArray args;
    args.append(char(keyType));
    args.append(char(sector));
    args.append(char(KeySize));
    args.append(key);
    const auto r = mifare(MifareCheckKey, args);
    return r && mifare::succeeded(*r);
}

std::optional<QByteArray> CardSession::readBlock(int sector, int block)
{
    QByteArray args;
    args.append(char(sector));
    args.append(char(block));
    args.append('\1');
    const auto r = mifare(MifareReadBlocks, args);
    // The data and the status word: a short answer is no block.
    if (!r || !mifare::succeeded(*r) || r->length() < 6 + BlockSize + 4)
        return std::nullopt;
    return r->bytes(6, 6 + BlockSize - 1);
}

bool CardSession::writeBlock(int sector, int block, const QByteArray &data)
{
    QByteArray args;
    args.append(char(sector));
    args.append(char(block));
    args.append('\1');
    args.append(data);
    const auto r = mifare(MifareWriteBlocks, args);
    return r && mifare::succeeded(*r);
}

std::optional<QByteArray> CardSession::readPage(int page)
{
    QByteArray args;
    args.append(char(page));
    args.append('\0');
    args.append('\1');
    const auto r = mifare(MifareReadBlocks, args);
    if (!r || !mifare::succeeded(*r) || r->length() < 6 + PageSize + 4)
        return std::nullopt;
    return r->bytes(6, 6 + PageSize - 1);
}

bool CardSession::writePage(int page, const QByteArray &data)
{
    QByteArray args;
    args.append(char(page));
    args.append('\0');
    args.append('\1');
    args.append(data);
    const auto r = mifare(MifareWriteBlocks, args);
    return r && mifare::succeeded(*r);
}

}  // namespace mdq::cards
