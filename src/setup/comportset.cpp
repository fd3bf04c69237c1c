#include "setup/comportset.h"

#include "ui/reader_context.h"
#include "ui/remembered.h"
#include "ui/widgets.h"
#include "link/execute_command.h"
#include "link/line_activity.h"
#include "link/shared_state.h"
#include "platform/port_access.h"
#include "platform/port_directory.h"
#include "platform/line_busy.h"
#include "platform/prompter.h"
#include "platform/serial_port.h"
#include "setup/connect_reader.h"
#include "setup/link_test.h"
#include "setup/reader_scan.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QStyledItemDelegate>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <functional>
#include <utility>

namespace mdq {

namespace {
constexpr int px(int twips) { return twips / 15; }  // 15 twips per pixel at 96 dpi

const char *const kBaudTexts[] = {"9600 bits/s", "19200 bits/s", "38400 bits/s", "57600 bits/s", "115200 bits/s"};
constexpr qint32 kBauds[] = {9600, 19200, 38400, 57600, 115200};

// Draws a port list item as "COM3   /dev/ttyUSB0  FT232R USB UART (FTDI), ...";
// the item's own text (what the combo shows and OK reads) stays "COM3".
class PortItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(comportset::PortDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("   ") + description;
    }
};

// The port list says what is attached at each COM number, which takes a
// listing of the system's serial ports: done when the list is first opened,
// not for every opening of the window (a script or a station worker never
// looks at the list).
class PortCombo : public QComboBox
{
public:
    PortCombo(std::function<void()> beforeFirstPopup, QWidget *parent)
        : QComboBox(parent), m_beforeFirstPopup(std::move(beforeFirstPopup))
    {
    }

    void showPopup() override
    {
        if (m_beforeFirstPopup)
            std::exchange(m_beforeFirstPopup, nullptr)();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_beforeFirstPopup;
};
}  // namespace

int portNumberFromText(const QString &text)
{
    for (int n = 1; n <= 15; ++n)
        if (text == QStringLiteral("COM%1").arg(n))
            return n;
    return 0;
}

qint32 baudFromText(const QString &text)
{
    for (int i = 0; i < 5; ++i)
        if (text == QLatin1String(kBaudTexts[i]))
            return kBauds[i];
    return 0;
}

comportset::comportset(ReaderContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("comportset"));
    m_directory.holdPorts();
    setWindowTitle(QStringLiteral("Communication Setting"));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);
    // The window is laid out in fixed twips for an 8-point face; a larger
    // desktop default would cut the captions off.
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    auto *label3 = new QLabel(QStringLiteral("Comm Port Number"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    label3->setGeometry(px(960), px(360), px(1575), px(255));

    m_portCombo = new PortCombo([this] { describePorts(); }, this);
    m_portCombo->setObjectName(QStringLiteral("PortCombo"));
    m_portCombo->setEditable(true);
    for (int n = 1; n <= 15; ++n)
        m_portCombo->addItem(QStringLiteral("COM%1").arg(n));
    m_portCombo->setEditText(QStringLiteral("COM1"));
    m_portCombo->setGeometry(px(2760), px(360), px(1455), px(315));

    // Beside the combo: which device the chosen COM number stands for here.
    m_deviceHint = new QLabel(this);
    m_deviceHint->setObjectName(QStringLiteral("PortDeviceHint"));
    m_deviceHint->setGeometry(px(2760), px(690), px(2300), px(255));
    QFont hint = m_deviceHint->font();
    hint.setPointSizeF(hint.pointSizeF() * 0.9);
    m_deviceHint->setFont(hint);
    // What is attached there is looked up when the tip is asked for.
    m_deviceHint->installEventFilter(this);

    auto *label2 = new QLabel(QStringLiteral("Baud Rate"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(px(1080), px(1080), px(1455), px(255));

    m_baudCombo = new QComboBox(this);
    m_baudCombo->setObjectName(QStringLiteral("BaudCombo"));
    m_baudCombo->setEditable(true);
    for (int i = 0; i < 4; ++i)
        m_baudCombo->addItem(QString::fromLatin1(kBaudTexts[i]));
    m_baudCombo->setEditText(QStringLiteral("9600 bits/s"));
    m_baudCombo->setGeometry(px(2760), px(1080), px(1455), px(315));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setGeometry(px(960), px(1680), px(1215), px(375));
    m_ok->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Command2"));
    cancelButton->setGeometry(px(2880), px(1680), px(1215), px(375));
    cancelButton->setAutoDefault(false);

    m_autoLabel = new ClickableLabel(QStringLiteral("'AUTO SCAN'   Unfold -->>"), this);
    m_autoLabel->setObjectName(QStringLiteral("AutoLabel"));
    m_autoLabel->setGeometry(px(1080), px(2280), px(2655), px(255));
    m_autoLabel->setCursor(Qt::PointingHandCursor);

    m_scanMessage = new QLabel(this);
    m_scanMessage->setObjectName(QStringLiteral("Label1"));
    m_scanMessage->setGeometry(px(360), px(2760), px(4335), px(375));

    auto *scanButton = new QPushButton(QStringLiteral("SCAN"), this);
    scanButton->setObjectName(QStringLiteral("Command3"));
    scanButton->setGeometry(px(1800), px(3360), px(1215), px(375));
    scanButton->setAutoDefault(false);

    // Beside SCAN and below it, in the unfolded area: stopping the scan, how
    // far it has got, and whether to try every device address.
    m_scanStop = new QPushButton(QStringLiteral("Stop"), this);
    m_scanStop->setObjectName(QStringLiteral("ScanStopBtn"));
    m_scanStop->setGeometry(px(3240), px(3360), px(1215), px(375));
    m_scanStop->setAutoDefault(false);
    m_scanStop->setEnabled(false);
    m_scanStop->setToolTip(QStringLiteral("Stop the scan (Esc)"));
    markStopControl(m_scanStop);  // clicks get through while the scan holds the line

    m_allAddresses = new QCheckBox(QStringLiteral("All addresses"), this);
    m_allAddresses->setObjectName(QStringLiteral("ScanAllAddresses"));
    m_allAddresses->setGeometry(px(360), px(3840), px(2160), px(255));
    m_allAddresses->setToolTip(QStringLiteral("Also try device addresses 0 to F at each port and rate"));

    m_scanProgress = new QLabel(this);
    m_scanProgress->setObjectName(QStringLiteral("ScanProgress"));
    m_scanProgress->setGeometry(px(2640), px(3840), px(2160), px(255));

    // The port and rate of the last good connection, when settings are kept.
    if (const Remembered *remembered = m_context.remembered) {
        if (portNumberFromText(remembered->text(remembered::Port)))
            m_portCombo->setEditText(remembered->text(remembered::Port));
        if (baudFromText(remembered->text(remembered::Baud)))
            m_baudCombo->setEditText(remembered->text(remembered::Baud));
    }

    connect(m_ok, &QPushButton::clicked, this, &comportset::ok);
    connect(cancelButton, &QPushButton::clicked, this, &comportset::cancel);
    connect(m_autoLabel, &ClickableLabel::clicked, this, &comportset::toggleAutoScan);
    connect(scanButton, &QPushButton::clicked, this, &comportset::scan);
    connect(m_scanStop, &QPushButton::clicked, this, &comportset::stopScan);
    connect(m_portCombo, &QComboBox::currentTextChanged, this, &comportset::updateDeviceHint);
    connect(m_portCombo->lineEdit(), &QLineEdit::textChanged, this, &comportset::updateDeviceHint);
    updateDeviceHint();

    // Keep the designed positions, but never cut a caption off: a wider font
    // than the design's may need a few more pixels, within the window.
    for (QWidget *w : {static_cast<QWidget *>(label3), static_cast<QWidget *>(label2),
                       static_cast<QWidget *>(m_portCombo), static_cast<QWidget *>(m_baudCombo)}) {
        const int room = px(5115) - w->x() - 4;
        if (w->sizeHint().width() > w->width())
            w->resize(qMin(room, w->sizeHint().width()), w->height());
    }
    if (label3->geometry().right() >= m_portCombo->x())
        label3->move(qMax(4, m_portCombo->x() - label3->width() - 8), label3->y());

    setFixedWidth(px(5115));
    setOuterHeightTwips(FoldedHeightTwips);
    m_unfolded = false;
}

void comportset::updateDeviceHint()
{
    const int n = portNumberFromText(m_portCombo->currentText());
    const QString device = n ? m_context.runner.link().port.deviceFor(n) : QString();
    m_deviceHint->setText(n ? QStringLiteral("= %1").arg(device) : QString());
    m_hintDevice = n ? device : QString();
}

bool comportset::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_deviceHint && event->type() == QEvent::ToolTip)
        m_deviceHint->setToolTip(m_hintDevice.isEmpty() ? QString() : m_directory.identify(m_hintDevice).summary());
    return QDialog::eventFilter(watched, event);
}

void comportset::describePorts()
{
    // Beside each COMn in the list: its device and what is attached there.
    const PortDirectory &directory = m_directory;
    const SerialPort &port = m_context.runner.link().port;
    // Item data set on the current item resets the edit text: keep what is typed.
    const QString typed = m_portCombo->currentText();
    int widest = 0;
    for (int i = 0; i < m_portCombo->count(); ++i) {
        const int n = portNumberFromText(m_portCombo->itemText(i));
        const QString device = port.deviceFor(n);
        const QString text = QStringLiteral("%1  %2").arg(device, directory.identify(device).summary());
        m_portCombo->setItemData(i, text, PortDescriptionRole);
        m_portCombo->setItemData(i, text, Qt::ToolTipRole);
        widest = qMax(widest, m_portCombo->fontMetrics().horizontalAdvance(m_portCombo->itemText(i) + text) + 60);
    }
    m_portCombo->setItemDelegate(new PortItemDelegate(m_portCombo));
    m_portCombo->view()->setMinimumWidth(widest);
    if (m_portCombo->currentText() != typed)
        m_portCombo->setEditText(typed);
}

void comportset::setOuterHeightTwips(int twips)
{
    setFixedHeight(px(twips));
}

void comportset::centre()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
}

void comportset::markOkReady()
{
    // The window keeps OK usable after a failure: the operator may try again.
    m_ok->setEnabled(true);
    m_ok->setDefault(true);
}

void comportset::ok()
{
    SharedState &state = m_context.runner.state();
    Prompter &prompter = m_context.runner.prompter();
    SerialPort &port = m_context.runner.link().port;
    state.PortOpened = false;

    const int portNumber = portNumberFromText(m_portCombo->currentText());
    if (!portNumber) {
        prompter.message(Icon::Exclamation, text::caution(), QStringLiteral("Comm Port Setup Invalid"));
        m_portCombo->setFocus();
        return;
    }
    const qint32 baud = baudFromText(m_baudCombo->currentText());
    if (!baud) {
        prompter.message(Icon::Exclamation, text::caution(), QStringLiteral("Baud Rate Setup Invalid"));
        m_baudCombo->setFocus();
        return;
    }

    switch (connectReader(m_context, portNumber, baud)) {
    case ConnectResult::Connected:
        break;
    case ConnectResult::NotFound:
        prompter.message(Icon::Exclamation, text::caution(),
                         QStringLiteral("Comm Port Selection Invalid, Please Select Right Comm. Port"));
        markOkReady();
        return;
    case ConnectResult::InUse:
        prompter.message(Icon::Exclamation, text::caution(),
                         QStringLiteral("Comm. Port is Used for Some Equipment, Please Select Other One"));
        markOkReady();
        return;
    case ConnectResult::NoPermission:
        // Silence here would leave the operator guessing; say what to do.
        prompter.message(Icon::Exclamation, text::caution(), noPermissionAdvice(port.deviceFor(portNumber)));
        markOkReady();
        return;
    case ConnectResult::OpenFailed:
        // The rules show no box here; the status bar says why.
        if (LineActivity *activity = m_context.runner.link().activity)
            activity->report(QStringLiteral("COM%1 cannot be opened: %2").arg(portNumber).arg(port.errorText()));
        markOkReady();
        return;
    case ConnectResult::NoReader:
        // Shown once the line is free; an operator who stopped the test knows.
        prompter.message(Icon::Exclamation, text::caution(), text::unitNotDetected());
        markOkReady();
        return;
    case ConnectResult::Stopped:
        markOkReady();
        return;
    }
    state.PortOpened = true;
    // (Settings off, as in a script, keep nothing: the adapter is not looked up.)
    if (Remembered *remembered = m_context.remembered; remembered && remembered->isOn()) {
        remembered->setValue(remembered::Port, m_portCombo->currentText());
        remembered->setValue(remembered::Baud, m_baudCombo->currentText());
        // The adapter itself, so the COM number follows it to another device name.
        const QString adapter = port.identity();
        if (!adapter.isEmpty())
            remembered->setValue(remembered::adapterKey(portNumber), adapter);
    }
    accept();
}

void comportset::cancel()
{
    reject();
}

void comportset::toggleAutoScan()
{
    if (m_unfolded) {
        setOuterHeightTwips(FoldedHeightTwips);
        centre();
        m_autoLabel->setText(QStringLiteral("'AUTO SCAN'   Unfold -->>"));
        m_unfolded = false;
    } else {
        setOuterHeightTwips(UnfoldedHeightTwips);
        centre();
        m_autoLabel->setText(QStringLiteral("'AUTO SCAN' Fold <<--"));
        m_unfolded = true;
    }
}

void comportset::scan()
{
    m_scanMessage->setText(scanningText());
    ScanOptions options;
    options.address = m_context.runner.address().value_or(0);
    options.allAddresses = m_allAddresses->isChecked();
    options.progress = [this](int port, qint32 baud) { m_scanProgress->setText(scanProgressText(port, baud)); };
    m_scanStop->setEnabled(true);
    const ScanResult found = scanForReader(m_context.runner.link(), options);
    m_scanStop->setEnabled(false);
    m_scanProgress->clear();
    if (found.found()) {
        m_scanMessage->setText(scanFoundText(found.port, found.baud));
        m_portCombo->setEditText(QStringLiteral("COM%1").arg(found.port));
        m_baudCombo->setEditText(QStringLiteral("%1 bits/s").arg(found.baud));
        if (found.address != options.address && m_context.setAddress)
            m_context.setAddress(found.address);
    } else {
        m_scanMessage->setText(scanNotFoundText());
    }
}

void comportset::stopScan()
{
    if (LineActivity *activity = m_context.runner.link().activity)
        activity->requestStop();
}

}  // namespace mdq
