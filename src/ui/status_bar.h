#pragma once
// The main window's status bar: what the line is doing right now (with the
// time waited so far and a Stop button), how the last command ended, and the
// connection: port, device, baud rate, address and whether the link is
// connected, not connected or lost. Screen readers follow it through the
// labels' accessible names and the bar's accessible description.

#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace mdq {

class LineActivity;

enum class LinkState { NotConnected, Connected, Lost };

struct ConnectionInfo
{
    LinkState state = LinkState::NotConnected;
    int port = 0;  // 0: never opened
    QString device;
    qint32 baud = 0;
    QString address;
};

// "COM1 (/dev/ttyUSB0), 9600 baud, address 0: connected", or
// "Not connected, address 0" before any port was opened.
QString connectionText(const ConnectionInfo &info);

class StatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit StatusBar(LineActivity &activity, QWidget *parent = nullptr);
    ~StatusBar() override;

    void setConnection(const ConnectionInfo &info);
    ConnectionInfo connection() const { return m_connection; }
    // Everything the bar says, as `print StatusBar` shows it: the connection,
    // then " | " and the activity or the last command's ending, if any.
    QString text() const;
    QString message() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    static constexpr int kMarginX = 4;
    static constexpr int kMarginY = 2;
    static constexpr int kSpacing = 6;
    static constexpr int kMessageWidth = 100;  // what the bar asks for its message; it takes what is left

    void placeParts();
    void showBusy(bool busy);
    void refreshBusyText();
    void setMessage(const QString &message);
    void updateAccessible();

    LineActivity &m_activity;
    ConnectionInfo m_connection;
    QLabel *m_message;
    QLabel *m_link;
    QPushButton *m_stop;
    QTimer m_tick;
    bool m_cursorSet = false;
};

}  // namespace mdq
