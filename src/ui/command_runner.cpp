#include "ui/command_runner.h"

#include "link/error_codes.h"
#include "link/frame.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "link/traffic_log.h"
#include "platform/prompter.h"
#include "platform/serial_port.h"

namespace mdq {

quint8 needByte(const QString &hexText)
{
    if (const auto b = hexToByte(hexText))
        return *b;
    throw DataError{};
}

qint16 needInt16(const QString &hexText)
{
    if (const auto v = hexToInt16(hexText))
        return *v;
    throw DataError{};
}

CommandRunner::CommandRunner(LinkContext link, Prompter &prompter, AddressSource address, RecordSource record)
    : m_link(link), m_prompter(prompter), m_address(std::move(address)), m_record(std::move(record))
{
}

void CommandRunner::showDataError()
{
    m_prompter.message(Icon::Exclamation, text::caution(), text::dataError());
}

void CommandRunner::showInformation(const QString &title, const QString &text)
{
    m_prompter.message(Icon::Information, title, text);
}

int CommandRunner::run(const Builder &build, const PositiveHandler &onPositive, const NegativeHandler &onNegative)
{
    if (!m_link.state.PortOpened) {
        m_prompter.message(Icon::Exclamation, text::caution(), text::portSetupFirst());
        return ExchangeOk;
    }
    // The device is known to be gone: say so instead of a data error, and
    // send nothing (the port reopens by itself when the device returns).
    const QString lost = m_link.port.lostDevice();
    if (!lost.isEmpty()) {
        if (m_link.activity)
            m_link.activity->report(QStringLiteral("Port lost: %1 is gone").arg(lost));
        m_prompter.message(Icon::Exclamation, text::caution(), text::portLost(lost));
        return ExchangeFailed;
    }
    if (!m_record())
        m_link.log.clear();

    int result = ExchangeOk;
    try {
        const auto address = m_address();
        if (!address)
            throw DataError{};
        const auto frame = build(*address);
        if (!frame)
            return ExchangeOk;
        Reply reply;
        const ExchangeOutcome outcome = ExecuteCommand(m_link, *frame, reply);
        result = outcome.result;
        if (const auto message = outcome.operatorMessage())
            m_prompter.message(message->icon, message->title, message->text);
        if (result == ExchangeOk && !reply.isEmpty()) {
            if (reply.isNegative() && m_link.activity)
                m_link.activity->report(QStringLiteral("Negative reply %1%2 after %3")
                                            .arg(QChar(reply.at(3)), QChar(reply.at(4)), secondsText(outcome.elapsedMs)));
            if (reply.isPositive())
                onPositive(reply);
            else if (reply.isNegative() && !(onNegative && onNegative(reply)))
                ShowErrorCode(m_prompter, reply.at(3), reply.at(4));
        }
    } catch (const DataError &) {
        showDataError();
    }
    m_link.log.append(QStringLiteral("\r\n"));
    return result;
}

int CommandRunner::run(quint8 cm, quint8 pm, const QByteArray &data, const PositiveHandler &onPositive)
{
    return run([&](quint8 address) { return std::optional<QByteArray>(CommandFrame(address, cm, pm, data)); },
               onPositive);
}

}  // namespace mdq
