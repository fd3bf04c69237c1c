#pragma once
// Handlers of the reader's own buttons on the main window: initialise, card
// and sensor status, card movement and entry control.

#include <QObject>
#include <QString>
#include <array>
#include <cstddef>

class QPushButton;

namespace mdq {

struct ReaderContext;
class Reply;

// One row of "Card Move to" / "Enter Control": the seven buttons are the same
// operation with different constants, so they are one handler over this table.
struct MoveCommand
{
    const char *button;   // control name
    const char *caption;
    quint8 cm;            // CmMoveCard or CmEntryControl
    quint8 pm;
    const char *success;  // information message on a positive reply
    const char *title;
};

constexpr std::size_t MoveCommandCount = 7;
const std::array<MoveCommand, MoveCommandCount> &moveCommands();

// The reader buttons, created where the main window lays them out.
struct ReaderButtons
{
    QPushButton *initialize = nullptr;
    QPushButton *cardStatus = nullptr;
    QPushButton *sensorStatus = nullptr;
    std::array<QPushButton *, MoveCommandCount> moves{};  // in the order of moveCommands()
};

class ReaderControl : public QObject
{
    Q_OBJECT
public:
    // Connects every button to its handler.
    ReaderControl(ReaderContext &context, const ReaderButtons &buttons, QObject *parent = nullptr);

    void initialize();    // ReaderResetBtn, with ResetOptionForm first
    void cardStatus();    // CardStatusBtn
    void sensorStatus();  // SensorStatusBtn, SensorStateForm on success
    void move(const MoveCommand &command);

private:
    ReaderContext &m_context;
};

// "Card Status Success" and the three lines for status bytes st0..st2.
QString cardStatusText(quint8 st0, quint8 st1, quint8 st2);

// "Reset success", CR LF, then the reply data as characters.
QString resetSuccessText(const Reply &reply);

// The twelve sensor bytes of a sensor status reply: its data bytes, 00h for
// every position the reply does not carry (never its ETX or BCC).
QByteArray sensorBytesFrom(const Reply &reply);

}  // namespace mdq
