#include "ui/status_bar.h"

#include "link/line_activity.h"
#include "platform/line_busy.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace mdq {

namespace {
QString stateWord(LinkState state)
{
    switch (state) {
    case LinkState::Connected: return QStringLiteral("connected");
    case LinkState::Lost: return QStringLiteral("lost");
    case LinkState::NotConnected: break;
    }
    return QStringLiteral("not connected");
}
}  // namespace

QString connectionText(const ConnectionInfo &info)
{
    if (info.port == 0)
        return QStringLiteral("Not connected, address %1").arg(info.address);
    return QStringLiteral("COM%1 (%2), %3 baud, address %4: %5")
        .arg(info.port)
        .arg(info.device)
        .arg(info.baud)
        .arg(info.address, stateWord(info.state));
}

StatusBar::StatusBar(LineActivity &activity, QWidget *parent) : QWidget(parent), m_activity(activity)
{
    setObjectName(QStringLiteral("StatusBar"));
    setAccessibleName(QStringLiteral("Status"));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("StatusMessage"));
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("StopWaitBtn"));
    m_stop->setAutoDefault(false);
    m_stop->setToolTip(QStringLiteral("Stop waiting for the reader (Esc)"));
    m_stop->setAccessibleName(QStringLiteral("Stop"));
    m_stop->hide();
    markStopControl(m_stop);
    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("StatusConnection"));
    // The bar places its three parts itself (see placeParts) and keeps one
    // height, so that a new message, the Stop button coming and going, or
    // another connection text never lays out the main window again: that
    // happens twice an exchange.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_tick.setInterval(200);
    connect(&m_tick, &QTimer::timeout, this, &StatusBar::refreshBusyText);
    connect(m_stop, &QPushButton::clicked, &m_activity, &LineActivity::requestStop);
    connect(&m_activity, &LineActivity::busyChanged, this, &StatusBar::showBusy);
    connect(&m_activity, &LineActivity::whatChanged, this, &StatusBar::refreshBusyText);
    connect(&m_activity, &LineActivity::summaryChanged, this, &StatusBar::setMessage);
    setConnection(m_connection);
}

StatusBar::~StatusBar()
{
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

void StatusBar::setConnection(const ConnectionInfo &info)
{
    m_connection = info;
    m_link->setText(connectionText(info));
    updateAccessible();
}

QString StatusBar::message() const
{
    return m_message->text();
}

QString StatusBar::text() const
{
    const QString link = connectionText(m_connection);
    return m_message->text().isEmpty() ? link : link + QStringLiteral(" | ") + m_message->text();
}

void StatusBar::showBusy(bool busy)
{
    m_stop->setVisible(busy);
    if (busy) {
        refreshBusyText();
        m_tick.start();
        if (!m_cursorSet) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_cursorSet = true;
        }
    } else {
        m_tick.stop();
        if (m_cursorSet) {
            QApplication::restoreOverrideCursor();
            m_cursorSet = false;
        }
    }
}

void StatusBar::refreshBusyText()
{
    if (m_activity.isBusy())
        setMessage(m_activity.what() + QLatin1Char(' ') + secondsText(m_activity.elapsedMs()));
}

void StatusBar::setMessage(const QString &message)
{
    m_message->setText(message);
    updateAccessible();
}

void StatusBar::updateAccessible()
{
    setAccessibleDescription(text());
}

QSize StatusBar::sizeHint() const
{
    const QSize link = m_link->sizeHint();
    const QSize stop = m_stop->sizeHint();
    const int height = std::max({fontMetrics().height() + 4, stop.height(), link.height()});
    return {kMarginX * 2 + kMessageWidth + kSpacing + stop.width() + kSpacing + link.width(), height + kMarginY * 2};
}

QSize StatusBar::minimumSizeHint() const
{
    return {kMarginX * 2, sizeHint().height()};
}

void StatusBar::placeParts()
{
    // Left to right: the message takes what is left, then Stop (while
    // waiting), then the connection, right-aligned and shown whole.
    const QRect area = rect().adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
    int right = area.right() + 1;
    const int linkWidth = qMin(m_link->sizeHint().width(), area.width());
    m_link->setGeometry(right - linkWidth, area.y(), linkWidth, area.height());
    right -= linkWidth + kSpacing;
    if (!m_stop->isHidden()) {
        const QSize stop = m_stop->sizeHint();
        m_stop->setGeometry(right - stop.width(), area.y() + (area.height() - stop.height()) / 2, stop.width(),
                            stop.height());
        right -= stop.width() + kSpacing;
    }
    m_message->setGeometry(area.x(), area.y(), qMax(0, right - area.x()), area.height());
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeParts();
}

bool StatusBar::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest:  // a part changed its text or was shown or hidden
        placeParts();
        break;
    case QEvent::FontChange:  // the bar's height follows its font
    case QEvent::StyleChange:
        updateGeometry();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

}  // namespace mdq
