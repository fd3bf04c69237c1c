#pragma once
// "Virtual reader": a small window beside the main one that stages the
// in-process virtual MDQ-820 (cards, jams, stacker, bin, faults).

#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

namespace mdq {

class VirtualReaderWindow : public QWidget
{
    Q_OBJECT
public:
    using Control = std::function<QString(const QString &)>;
    VirtualReaderWindow(Control control, const QString &device, QWidget *parent = nullptr);

private:
    void send(const QString &command);
    void refreshState();
    Control m_control;
    QTimer m_refresh;
    QLabel *m_answer;
    QLabel *m_state;
    QLineEdit *m_command;
};

}  // namespace mdq
