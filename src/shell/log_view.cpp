#include "shell/log_view.h"

#include "link/traffic_log.h"
#include "shell/line_source.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace mdq {

LogView::LogView(LineSource &source, QWidget *parent) : QAbstractScrollArea(parent), m_source(source)
{
    // Fixed width, so the hex columns of the traffic line up.
    useFixedFont(this);
    setAccessibleName(QStringLiteral("Traffic log"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(&source, &LineSource::linesAdded, this, &LogView::onAdded);
    connect(&source, &LineSource::cleared, this, &LogView::onCleared);
    connect(&source, &LineSource::showEnd, this, &LogView::scrollToEnd);
    onAdded();
}

LogView::LogView(TrafficLog &log, QWidget *parent)
    : LogView(*new TrafficLogLines(log), parent)
{
    m_ownSource.reset(&m_source);
}

LogView::~LogView() = default;

namespace {
// Draws the heading at the lines' horizontal position.
class HeadingBar : public QWidget
{
public:
    HeadingBar(LogView *view) : QWidget(view), m_view(view) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.setPen(palette().windowText().color());
        p.setFont(m_view->font());
        p.drawText(4 - m_view->horizontalScrollBar()->value(), m_view->fontMetrics().ascent() + 1, m_view->heading());
        p.setPen(palette().mid().color());
        p.drawLine(0, height() - 1, width(), height() - 1);
    }

private:
    LogView *m_view;
};
}  // namespace

void LogView::setHeading(const QString &heading)
{
    m_heading = heading;
    if (!m_headingBar) {
        m_headingBar = new HeadingBar(this);
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_headingBar, qOverload<>(&QWidget::update));
    }
    m_headingBar->setAccessibleName(heading.simplified());
    placeHeading();
    m_headingBar->show();
    m_headingBar->update();
}

void LogView::placeHeading()
{
    if (!m_headingBar)
        return;
    const int h = lineHeight() + 3;
    setViewportMargins(0, h, 0, 0);
    m_headingBar->setGeometry(frameWidth(), frameWidth(), viewport()->width(), h);
}

int LogView::lineCount() const { return m_source.lineCount(); }

QString LogView::line(int i) const { return m_source.line(i); }

void LogView::onAdded()
{
    const bool follow = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    updateScrollBars();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void LogView::onCleared()
{
    m_laidOut.clear();
    m_anchor = m_cursor = -1;
    updateScrollBars();
    viewport()->update();
}

int LogView::lineHeight() const
{
    return fontMetrics().lineSpacing();
}

int LogView::visibleLines() const
{
    return qMax(1, viewport()->height() / lineHeight());
}

int LogView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

void LogView::updateScrollBars()
{
    verticalScrollBar()->setRange(0, qMax(0, lineCount() - visibleLines()));
    verticalScrollBar()->setPageStep(visibleLines());
    verticalScrollBar()->setSingleStep(1);
    m_rangeLongest = m_source.longestLine();
    const int width = m_rangeLongest * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 8;
    horizontalScrollBar()->setRange(0, qMax(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 3);
}

void LogView::scrollToEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    placeHeading();
    updateScrollBars();
}

void LogView::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const int h = lineHeight();
    const int first = firstVisibleLine();
    const int last = qMin(lineCount() - 1, first + visibleLines());
    const int x = 4 - horizontalScrollBar()->value();
    const int selFrom = qMin(m_anchor, m_cursor), selTo = qMax(m_anchor, m_cursor);
    m_linesPainted = qMax(0, last - first + 1);
    for (int i = first; i <= last; ++i) {
        const int top = (i - first) * h;
        const bool selected = m_anchor >= 0 && i >= selFrom && i <= selTo;
        if (selected) {
            p.fillRect(QRect(0, top, viewport()->width(), h), palette().highlight());
            p.setPen(palette().highlightedText().color());
        } else {
            p.setPen(palette().text().color());
        }
        const QString text = line(i);
        QStaticText *laidOut = m_laidOut.object(i);
        if (!laidOut || laidOut->text() != text) {  // the last line of a log may still grow
            laidOut = new QStaticText(text);
            laidOut->setTextFormat(Qt::PlainText);
            laidOut->setPerformanceHint(QStaticText::AggressiveCaching);
            laidOut->prepare(QTransform(), font());
            m_laidOut.insert(i, laidOut);
        }
        p.drawStaticText(x, top, *laidOut);
    }
    // A source that learns its line lengths by drawing them widens the range now.
    if (m_source.longestLine() != m_rangeLongest)
        QMetaObject::invokeMethod(this, &LogView::updateScrollBars, Qt::QueuedConnection);
}

void LogView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_laidOut.clear();
        placeHeading();
    }
    QAbstractScrollArea::changeEvent(event);
}

int LogView::lineAt(int y) const
{
    return qBound(0, firstVisibleLine() + y / lineHeight(), qMax(0, lineCount() - 1));
}

void LogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const int l = lineAt(int(event->position().y()));
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor < 0)
        m_anchor = l;
    m_cursor = l;
    viewport()->update();
}

void LogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0)
        return;
    m_cursor = lineAt(int(event->position().y()));
    if (event->position().y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (event->position().y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    viewport()->update();
}

QString LogView::selectedText() const
{
    if (m_anchor < 0)
        return QString();
    QStringList lines;
    for (int i = qMin(m_anchor, m_cursor); i <= qMax(m_anchor, m_cursor); ++i)
        lines << line(i);
    return lines.join(QStringLiteral("\r\n"));
}

void LogView::selectAll()
{
    m_anchor = 0;
    m_cursor = lineCount() - 1;
    viewport()->update();
}

void LogView::copy() const
{
    if (QClipboard *c = QApplication::clipboard(); c && m_anchor >= 0)
        c->setText(selectedText());
}

void LogView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll))
        return selectAll();
    if (event->matches(QKeySequence::Copy))
        return copy();
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (event->modifiers() & Qt::ShiftModifier) {
            if (m_anchor < 0)
                m_anchor = m_cursor = firstVisibleLine();
            m_cursor = qBound(0, m_cursor + step, qMax(0, lineCount() - 1));
            if (m_cursor < firstVisibleLine() || m_cursor >= firstVisibleLine() + visibleLines())
                verticalScrollBar()->setValue(m_cursor - (step < 0 ? 0 : visibleLines() - 1));
            viewport()->update();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);  // scrolling keys
}

void LogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("Copy"), this, &LogView::copy);
    copyAction->setEnabled(m_anchor >= 0);
    menu.addAction(tr("Select All"), this, &LogView::selectAll);
    menu.exec(event->globalPos());
}

}  // namespace mdq
