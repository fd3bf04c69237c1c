#pragma once
// The Type A and Type B CPU card pages: a command APDU typed or picked in an
// editable combo, sent with CM 60h (PM '4' Type A, '5' Type B), and the
// card's response shown in hex.

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <optional>

class QComboBox;
class QLineEdit;
namespace mdq {
class ResponseBox;
}

namespace mdq {

class CommandRunner;

// Hex pairs (either case; each pair trimmed) to bytes. nullopt for an odd
// length, a pair that is not hex, or more bytes than one frame can carry.
std::optional<QByteArray> parseApduText(const QString &text);

class CpuApduPanel : public QWidget
{
    Q_OBJECT
public:
    struct Names
    {
        const char *command;   // TypeACAPDUText
        const char *response;  // TypeARAPDUText
        const char *send;      // SendTypeACmd
        quint8 pm;
    };
    static const Names TypeA;
    static const Names TypeB;

    CpuApduPanel(CommandRunner &runner, const Names &names, QWidget *parent);

    void send();

private:
    CommandRunner &m_runner;
    quint8 m_pm;
    QComboBox *m_command = nullptr;
    ResponseBox *m_response = nullptr;
};

}  // namespace mdq
