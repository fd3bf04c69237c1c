#pragma once
// ReaderMain: the start-up window, alive for the whole run. It owns the serial
// port, the address choice, the traffic log and every command button.

#include "ui/command_runner.h"
#include "ui/reader_context.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "link/trace.h"
#include "link/traffic_log.h"
#include "platform/serial_port.h"
#include "ui/status_bar.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QScrollArea;
class QPushButton;
class QTabWidget;

namespace mdq {

class Clock;
class Prompter;
class SerialPort;
class ReaderControl;
class IcCardPage;
class RfCardPage;
class ExtendPage;
class LogView;
class MonitorPage;
class Remembered;
class WindowFitter;


class ReaderMain : public QWidget
{
    Q_OBJECT
public:
    ReaderMain(SerialPort &port, Clock &clock, Prompter &prompter, QWidget *parent = nullptr);
    ~ReaderMain() override;

    static QString caption() { return QStringLiteral("QTEST820_V1.0_EN(2010/06/04)"); }

    SharedState &state() { return m_state; }
    TrafficLog &log() { return m_log; }
    Trace &trace() { return m_trace; }
    MonitorPage &monitor() { return *m_monitor; }
    LineActivity &activity() { return m_activity; }
    StatusBar *statusBar() const { return m_statusBar; }
    CommandRunner &runner() { return m_runner; }
    ReaderContext &context() { return m_context; }
    SerialPort &port() { return m_port; }
    Clock &clock() { return m_clock; }
    Prompter &prompter() { return m_prompter; }

    // Settings kept between runs: the address and Record Data are taken from
    // it now, port and baud rate when the settings window opens, window
    // geometry when each window shows; changes are written back. Off (the
    // default) reads and writes nothing. It must outlive the window.
    void setRemembered(Remembered *remembered);

    // Large enough for every page without scrolling; the window opens at
    // this size where the screen allows, and may be made smaller.
    QSize sizeHint() const override;

    // Shows the "Station" button; a click calls open (the station window
    // lives in a layer above this one).
    void setStationOpener(std::function<void()> open);

    // "Setup Comm": the settings window, modal.
    void openSettings();
    // "Close Comm": RTS and DTR off, close, PortOpened cleared. Never reports.
    void closeComm();

Q_SIGNALS:
    // Emitted by "Exit" after the port is closed.
    void exitRequested();

private:
    struct FrameButtons;
    QWidget *buildTopBar();
    QWidget *buildReaderFrames(FrameButtons &buttons);
    // A tool event: into the decoded trace, and (raw = true) as a "-- " line into the log.
    void toolEvent(const QString &text, bool raw);
    // Brings the status bar's connection part up to date.
    void refreshConnection();
    // The port's device went away or came back: trace, status bar, link test.
    void takeLinkChanges();
    void closeEvent(QCloseEvent *event) override;

    SerialPort &m_port;
    Clock &m_clock;
    Prompter &m_prompter;
    SharedState m_state;
    TrafficLog m_log;
    Trace m_trace;
    LineActivity m_activity;
    CommandRunner m_runner;
    StatusBar *m_statusBar = nullptr;
    QTimer m_idleReport;
    qint64 m_idleDiscarded = 0;
    qint64 m_idleTraced = 0;  // of those, already told to the trace
    QComboBox *m_address = nullptr;
    QCheckBox *m_record = nullptr;
    MonitorPage *m_monitor = nullptr;
    LinkState m_shownState = LinkState::NotConnected;
    QPushButton *m_stationButton = nullptr;
    std::function<void()> m_openStation;
    QTabWidget *m_tabs = nullptr;
    ReaderContext m_context;
    std::unique_ptr<ReaderControl> m_control;
    IcCardPage *m_icPage = nullptr;
    RfCardPage *m_rfPage = nullptr;
    ExtendPage *m_extendPage = nullptr;
    QScrollArea *m_scroll = nullptr;
    std::unique_ptr<Remembered> m_notRemembered;
    std::unique_ptr<WindowFitter> m_fitter;
    QList<LinkChange> m_linkChanges;
};

}  // namespace mdq
