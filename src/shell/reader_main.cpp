#include "shell/reader_main.h"

#include "contact/ic_card_page.h"
#include "contactless/rf_card_page.h"
#include "control/extend_page.h"
#include "shell/log_file.h"
#include "shell/log_view.h"
#include "shell/monitor_page.h"
#include "tools/card_tools_window.h"
#include "control/reader_control.h"
#include "ui/widgets.h"
#include "link/commands.h"
#include "link/frame.h"
#include "platform/serial_port.h"
#include "platform/line_busy.h"
#include "setup/comportset.h"
#include "setup/link_test.h"
#include "ui/remembered.h"
#include "ui/status_bar.h"
#include "ui/window_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mdq {

// The buttons of the reader frames, for the handlers made after the frames.
struct ReaderMain::FrameButtons
{
    ReaderButtons reader;
    QPushButton *icType = nullptr;
    QPushButton *rfType = nullptr;
};

namespace {
QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    return f;
}
}  // namespace

ReaderMain::ReaderMain(SerialPort &port, Clock &clock, Prompter &prompter, QWidget *parent)
    : QWidget(parent)
    , m_port(port)
    , m_clock(clock)
    , m_prompter(prompter)
    , m_trace(clock)
    , m_activity(clock)
    , m_runner(LinkContext{port, clock, m_log, m_state, &m_activity, &m_trace}, prompter,
               [this]() -> std::optional<quint8> { return addressFromText(m_address->currentText()); },
               [this] { return m_record->isChecked(); })
    , m_context{m_runner}
{
    setObjectName(QStringLiteral("ReaderMain"));
    setWindowTitle(caption());

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_context.window = this;
    m_context.SSTab1 = m_tabs;

    m_notRemembered = std::make_unique<Remembered>();
    m_context.remembered = m_notRemembered.get();
    m_fitter = std::make_unique<WindowFitter>();

    // Everything above the status bar scrolls when the window is smaller
    // than its pages: every control stays within reach on any screen.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("MainScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(m_scroll);
    auto *layout = new QVBoxLayout(content);
    layout->addWidget(buildTopBar());  // creates the address combo
    FrameButtons buttons;
    layout->addWidget(buildReaderFrames(buttons));

    m_rfPage = new RfCardPage(m_context, m_tabs);
    m_icPage = new IcCardPage(m_context, m_tabs);
    m_extendPage = new ExtendPage(m_context, m_tabs);
    m_tabs->addTab(m_rfPage, QStringLiteral("RF CARD"));
    m_tabs->addTab(m_icPage, QStringLiteral("IC CARD"));
    m_tabs->addTab(m_extendPage, QStringLiteral("EXTEND FUNCTION"));
    m_monitor = new MonitorPage(m_log, m_trace, prompter, m_activity, *m_context.remembered, m_tabs);
    m_record = m_monitor->recordCheck();
    m_tabs->addTab(m_monitor, QStringLiteral("MONITOR"));
    // The decoded view shows what the raw log shows: Clear Data (and a
    // command run without Record Data) clears both.
    connect(&m_log, &TrafficLog::cleared, &m_trace, &Trace::clear);
    layout->addWidget(m_tabs, 1);
    m_scroll->setWidget(content);
    outer->addWidget(m_scroll, 1);
    m_statusBar = new StatusBar(m_activity, this);
    outer->addWidget(m_statusBar);
    // After every wait: a port closed underneath means the link is lost.
    connect(&m_activity, &LineActivity::busyChanged, this, [this](bool busy) {
        if (!busy) {
            refreshConnection();
            takeLinkChanges();
        }
    });
    m_port.setLinkWatcher([this](LinkChange change) {
        m_linkChanges.append(change);
        QTimer::singleShot(0, this, &ReaderMain::takeLinkChanges);
    });
    m_context.setAddress = [this](quint8 address) { m_address->setCurrentIndex(address); };
    connect(m_address, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        m_context.remembered->setValue(remembered::Address, text);
        refreshConnection();
    });
    connect(m_record, &QCheckBox::toggled, this,
            [this](bool on) { m_context.remembered->setValue(remembered::RecordData, on); });
    refreshConnection();
    // Unasked input is dropped by the port; say so, at most four times a second.
    m_idleReport.setSingleShot(true);
    m_idleReport.setInterval(250);
    connect(&m_idleReport, &QTimer::timeout, this, [this] {
        m_activity.report(QStringLiteral("%1 bytes received while idle, discarded").arg(m_idleDiscarded));
        m_trace.toolEvent(QStringLiteral("%1 bytes received while idle, discarded").arg(m_idleDiscarded - m_idleTraced));
        m_idleTraced = m_idleDiscarded;
    });
    m_port.setIdleInputHandler([this](qint64 total) {
        m_idleDiscarded = total;
        if (!m_idleReport.isActive())
            m_idleReport.start();
    });

    m_control = std::make_unique<ReaderControl>(m_context, buttons.reader);
    connect(buttons.icType, &QPushButton::clicked, m_icPage, &IcCardPage::testType);
    connect(buttons.rfType, &QPushButton::clicked, m_rfPage, &RfCardPage::testType);
}

ReaderMain::~ReaderMain()
{
    m_port.setIdleInputHandler({});
    m_port.setLinkWatcher({});
    if (isVisible())
        m_context.remembered->storeWindow(this);
}

QSize ReaderMain::sizeHint() const
{
    const QSize content = m_scroll->widget()->sizeHint();
    const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
    return {content.width() + bar, content.height() + m_statusBar->sizeHint().height()};
}

void ReaderMain::closeEvent(QCloseEvent *event)
{
    m_context.remembered->storeWindow(this);
    QWidget::closeEvent(event);
}

void ReaderMain::setRemembered(Remembered *remembered)
{
    if (!remembered)
        remembered = m_notRemembered.get();
    m_context.remembered = remembered;
    m_fitter->setRemembered(remembered);
    m_monitor->setRemembered(*remembered);
    const QString address = remembered->text(remembered::Address);
    if (m_address->findText(address) >= 0)
        m_address->setCurrentText(address);
    const QVariant record = remembered->value(remembered::RecordData);
    if (record.isValid())
        m_record->setChecked(record.toBool());
}

void ReaderMain::setStationOpener(std::function<void()> open)
{
    m_openStation = std::move(open);
    m_stationButton->setVisible(bool(m_openStation));
}

QWidget *ReaderMain::buildTopBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);

    auto *commFrame = frame(bar, QStringLiteral("FrameComm"), QStringLiteral("COMM. PORT SETTING"));
    auto *commRow = new QHBoxLayout(commFrame);
    auto *open = makeButton(commFrame, QStringLiteral("IROpencom"), QStringLiteral("Setup Comm"));
    auto *close = makeButton(commFrame, QStringLiteral("IRCLOSECOM"), QStringLiteral("Close Comm"));
    commRow->addWidget(open);
    commRow->addWidget(close);
    setButtonKey(open, QKeySequence(Qt::ALT | Qt::Key_S));
    setButtonKey(close, QKeySequence(Qt::ALT | Qt::Key_C));
    connect(open, &QPushButton::clicked, this, &ReaderMain::openSettings);
    connect(close, &QPushButton::clicked, this, &ReaderMain::closeComm);
    row->addWidget(commFrame);

    auto *addrLabel = new QLabel(QStringLiteral("Device Addr:"), bar);
    m_address = new QComboBox(bar);
    m_address->setObjectName(QStringLiteral("cmbAddress820"));
    for (int i = 0; i < 16; ++i)
        m_address->addItem(QString::number(i, 16).toUpper());
    m_address->setCurrentIndex(0);
    row->addWidget(addrLabel);
    row->addWidget(m_address);
    row->addStretch(1);

    // Whole-card work (key search, dumps, restore, compare) in its own window.
    auto *tools = makeButton(bar, QStringLiteral("CardToolsBtn"), QStringLiteral("Card Tools"));
    connect(tools, &QPushButton::clicked, this, [this] { CardToolsWindow::open(m_context); });
    row->addWidget(tools);
    m_stationButton = makeButton(bar, QStringLiteral("StationBtn"), QStringLiteral("Station"));
    m_stationButton->setToolTip(QStringLiteral("Run a test plan on several readers at once"));
    m_stationButton->hide();
    connect(m_stationButton, &QPushButton::clicked, this, [this] {
        if (m_openStation)
            m_openStation();
    });
    row->addWidget(m_stationButton);

    auto *exitButton = makeButton(bar, QStringLiteral("EXITGRM"), QStringLiteral("Exit"));
    setButtonKey(exitButton, QKeySequence(Qt::ALT | Qt::Key_X));
    connect(exitButton, &QPushButton::clicked, this, [this] {
        if (m_port.isOpen())
            m_port.close();
        Q_EMIT exitRequested();
    });
    row->addWidget(exitButton);
    return bar;
}

QWidget *ReaderMain::buildReaderFrames(FrameButtons &buttons)
{
    auto *area = new QWidget(this);
    auto *row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);

    auto *f1 = frame(area, QStringLiteral("Frame1"), QStringLiteral("RESET / STATUS"));
    auto *c1 = new QVBoxLayout(f1);
    ReaderButtons &reader = buttons.reader;
    reader.initialize = makeButton(f1, QStringLiteral("ReaderResetBtn"), QStringLiteral("INITIALIZE"));
    reader.cardStatus = makeButton(f1, QStringLiteral("CardStatusBtn"), QStringLiteral("Card Status"));
    reader.sensorStatus = makeButton(f1, QStringLiteral("SensorStatusBtn"), QStringLiteral("Sensor Status"));
    setButtonKey(reader.initialize, QKeySequence(Qt::ALT | Qt::Key_I));
    setButtonKey(reader.cardStatus, QKeySequence(Qt::ALT | Qt::Key_T));
    c1->addWidget(reader.initialize);
    c1->addWidget(reader.cardStatus);
    c1->addWidget(reader.sensorStatus);
    row->addWidget(f1);

    // "Card Move to" and "Enter Control" come from the one table their handler uses.
    auto *f2 = frame(area, QStringLiteral("Frame2"), QStringLiteral("Card Move to"));
    auto *c2 = new QVBoxLayout(f2);
    auto *right = new QVBoxLayout;
    auto *f3 = frame(area, QStringLiteral("Frame3"), QStringLiteral("Enter Control"));
    auto *c3 = new QHBoxLayout(f3);
    for (std::size_t i = 0; i < MoveCommandCount; ++i) {
        const MoveCommand &command = moveCommands()[i];
        QGroupBox *f = command.cm == CmMoveCard ? f2 : f3;
        QBoxLayout *c = command.cm == CmMoveCard ? static_cast<QBoxLayout *>(c2) : c3;
        reader.moves[i] = makeButton(f, QString::fromLatin1(command.button), QString::fromLatin1(command.caption));
        c->addWidget(reader.moves[i]);
    }
    row->addWidget(f2);
    right->addWidget(f3);
    auto *f4 = frame(area, QStringLiteral("FRAMEOTHER"), QStringLiteral("AUTOTEST CARD TYPE"));
    auto *c4 = new QHBoxLayout(f4);
    buttons.icType = makeButton(f4, QStringLiteral("ICTestTypeCmd"), QStringLiteral("IC Card Type"));
    buttons.rfType = makeButton(f4, QStringLiteral("RFTestTypeCmd"), QStringLiteral("RF Card Type"));
    c4->addWidget(buttons.icType);
    c4->addWidget(buttons.rfType);
    right->addWidget(f4);
    right->addStretch(1);
    row->addLayout(right);
    return area;
}

void ReaderMain::openSettings()
{
    comportset window(m_context, this);
    window.exec();
    refreshConnection();
}

void ReaderMain::closeComm()
{
    if (m_port.isOpen())
        m_port.close();
    m_state.PortOpened = false;
    refreshConnection();
}

void ReaderMain::refreshConnection()
{
    ConnectionInfo info;
    // PortOpened is the rules' word for a usable link; the port itself says
    // whether it is still there.
    info.state = !m_state.PortOpened ? LinkState::NotConnected
                 : m_port.isOpen()   ? LinkState::Connected
                                     : LinkState::Lost;
    info.port = m_port.portNumber();
    info.device = m_port.deviceName();
    info.baud = m_port.baudRate();
    info.address = m_address->currentText();
    m_statusBar->setConnection(info);
    if (info.state != m_shownState) {
        if (info.state == LinkState::Connected && m_shownState == LinkState::NotConnected)
            toolEvent(QStringLiteral("Connected: COM%1 (%2) at %3 baud, address %4")
                          .arg(info.port).arg(info.device).arg(info.baud).arg(info.address), false);
        else if (info.state == LinkState::NotConnected)
            toolEvent(QStringLiteral("Disconnected"), false);
        m_shownState = info.state;
    }
}

void ReaderMain::takeLinkChanges()
{
    // Never in the middle of an exchange: it ends first (and reports a cut
    // off command itself); the changes are taken when the line is free.
    if (LineBusy::active())
        return;
    while (!m_linkChanges.isEmpty()) {
        const LinkChange change = m_linkChanges.takeFirst();
        const QString where = QStringLiteral("COM%1 (%2)").arg(m_port.portNumber()).arg(m_port.deviceName());
        if (change == LinkChange::Lost) {
            toolEvent(QStringLiteral("Port lost: %1 is gone").arg(where), true);
            m_activity.report(
                QStringLiteral("Port lost: %1 is gone; waiting for it to come back").arg(m_port.deviceName()));
            continue;
        }
        if (!m_state.PortOpened)
            continue;  // nobody had connected: reopened, nothing more
        // Back with the same settings: the link test says whether the reader
        // is there. A command cut off by the unplug is not sent again.
        const auto address = addressFromText(m_address->currentText()).value_or(0);
        bool stopped = false;
        const QString answer = IRUnitIfOk(m_runner.link(), address, m_record->isChecked(), &stopped);
        if (answer == QLatin1String("ERROR")) {
            m_port.close();
            m_state.PortOpened = false;
            toolEvent(QStringLiteral("%1 is back, but the reader does not answer").arg(where), true);
            m_activity.report(QStringLiteral("%1 is back, but the reader does not answer: press Setup Comm").arg(where));
        } else {
            const QString text = QStringLiteral("Reconnected: %1 at %2 baud").arg(where).arg(m_port.baudRate());
            toolEvent(text, true);
            m_activity.report(text);
        }
    }
    refreshConnection();
}

void ReaderMain::toolEvent(const QString &text, bool raw)
{
    if (raw)
        m_log.append(QStringLiteral("-- %1\r\n").arg(text));
    m_trace.toolEvent(text);
}

}  // namespace mdq
