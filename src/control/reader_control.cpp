#include "control/reader_control.h"

#include "ui/reader_context.h"
#include "control/reset_option_form.h"
#include "control/sensor_state_form.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/reply.h"
#include "link/shared_state.h"

#include <QPushButton>
#include <QWidget>

namespace mdq {

namespace {
QString pick(quint8 status, std::initializer_list<const char *> texts)
{
    const int i = int(status) - '0';
    if (i < 0 || i >= int(texts.size()))
        return QString();
    return QString::fromLatin1(*(texts.begin() + i));
}
}  // namespace

const std::array<MoveCommand, MoveCommandCount> &moveCommands()
{
    static const std::array<MoveCommand, MoveCommandCount> table{{
        {"MoveCardToFront1Btn", "the front", CmMoveCard, PmMoveFront, "Move card to the front success",
         "Move card to the front"},
        {"MoveCardToFront2Btn", "the front,hold the card", CmMoveCard, PmMoveFrontHold,
         "Move card to the front with hold card success", "Move card to the front with hold card"},
        {"MoveCardToICCBtn", "the IC card operation position", CmMoveCard, PmMoveIcPosition,
         "Move card to IC card operation position success", "Move card to IC card operation position"},
        {"MoveCardToRFBtn", "the RF card operation position", CmMoveCard, PmMoveRfPosition,
         "Move card to RF card operation position success", "Move card to RF card operation position"},
        {"MoveCardToRecycleBinBtn", "Error Card Bin", CmMoveCard, PmMoveErrorBin,
         "Move card to the error card bin success", "Move card to the error card bin"},
        {"AllCardInBtn", "Allowed", CmEntryControl, PmEntryAllow, "Allowed success", "Allowed"},
        {"NoCardInBtn", "Prohibition", CmEntryControl, PmEntryProhibit, "Prohibition success", "Prohibition"},
    }};
    return table;
}

QString cardStatusText(quint8 st0, quint8 st1, quint8 st2)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Card Status Success") + crlf
        + pick(st0, {"No card in card channel", "There is card at front side",
                     "There is card at RF/IC card operation position"})
        + crlf + pick(st1, {"No card in stacker", "Lack of card in stacker", "Enough cards in stacker"}) + crlf
        + pick(st2, {"The error card bin is not full", "The error card bin is full"});
}

QString resetSuccessText(const Reply &reply)
{
    return QStringLiteral("Reset success\r\n") + reply.dataText();
}

QByteArray sensorBytesFrom(const Reply &reply)
{
    QByteArray bytes = reply.data().left(12);
    bytes.append(QByteArray(12 - bytes.size(), '\0'));
    return bytes;
}

ReaderControl::ReaderControl(ReaderContext &context, const ReaderButtons &buttons, QObject *parent)
    : QObject(parent), m_context(context)
{
    connect(buttons.initialize, &QPushButton::clicked, this, &ReaderControl::initialize);
    connect(buttons.cardStatus, &QPushButton::clicked, this, &ReaderControl::cardStatus);
    connect(buttons.sensorStatus, &QPushButton::clicked, this, &ReaderControl::sensorStatus);
    for (std::size_t i = 0; i < MoveCommandCount; ++i) {
        const MoveCommand &command = moveCommands()[i];
        connect(buttons.moves[i], &QPushButton::clicked, this, [this, &command] { move(command); });
    }
}

void ReaderControl::initialize()
{
    CommandRunner &runner = m_context.runner;
    runner.run(
        [this, &runner](quint8 address) -> std::optional<QByteArray> {
            // The log is already cleared: a Cancel leaves it empty, without a blank line.
            ResetOptionForm form(runner.state(), m_context.window);
            form.exec();
            if (runner.state().ResetOption == 0)
                return std::nullopt;
            return CommandFrame(address, CmInitialize, runner.state().ResetOption);
        },
        [&runner](const Reply &r) { runner.showInformation(QStringLiteral("Reset"), resetSuccessText(r)); });
}

void ReaderControl::cardStatus()
{
    m_context.runner.run(CmStatus, PmCardStatus, {}, [this](const Reply &r) {
        m_context.runner.showInformation(QStringLiteral("Card Status"), cardStatusText(r.at(3), r.at(4), r.at(5)));
    });
}

void ReaderControl::sensorStatus()
{
    m_context.runner.run(CmStatus, PmSensorStatus, {}, [this](const Reply &r) {
        SharedState &state = m_context.runner.state();
        state.SensorBytes = sensorBytesFrom(r);
        SensorStateForm form(state.SensorBytes, m_context.window);
        form.exec();
    });
}

void ReaderControl::move(const MoveCommand &command)
{
    m_context.runner.run(command.cm, command.pm, {}, [this, &command](const Reply &) {
        m_context.runner.showInformation(QString::fromLatin1(command.title), QString::fromLatin1(command.success));
    });
}

}  // namespace mdq
