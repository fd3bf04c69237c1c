#pragma once
// "PURSE COMMAND": a block of the selected sector used as a value block
// (initialise, increment, decrement, read), the value typed in decimal.

#include <QGroupBox>
#include <functional>

class QComboBox;
class QLineEdit;

namespace mdq {

class CommandRunner;
class Reply;

class MifarePursePanel : public QGroupBox
{
    Q_OBJECT
public:
    MifarePursePanel(CommandRunner &runner, std::function<int()> sector, QWidget *parent);

    void initialise();
    void increment();
    void decrement();
    void readValue();

private:
    // The guard for blocks that cannot hold a value, then the frame: the
    // value operations carry 04h and the four value bytes.
    void run(quint8 op, bool withValue, const QString &title, const QString &firstLine);

    CommandRunner &m_runner;
    std::function<int()> m_sector;
    QComboBox *m_block = nullptr;
    QLineEdit *m_value = nullptr;
};

}  // namespace mdq
