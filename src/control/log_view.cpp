#include "control/log_view.h"

#include "link/traffic_log.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace mdq {

LogView::LogView(TrafficLog &log, QWidget *parent) : QPlainTextEdit(parent), m_log(log)
{
    setReadOnly(true);  // the log is a record of the line, not a notepad
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    setFont(f);
    connect(&log, &TrafficLog::appended, this, &LogView::onAppended);
    connect(&log, &TrafficLog::cleared, this, [this] {
        m_pending.clear();
        clear();
    });
    connect(&log, &TrafficLog::caretToEnd, this, [this] {
        flush();
        moveCursor(QTextCursor::End);
    });
}

void LogView::onAppended(const QString &piece)
{
    // The document keeps lines as blocks: CR LF becomes one line break.
    m_pending += piece;
    if (!m_flushQueued) {
        m_flushQueued = true;
        QTimer::singleShot(0, this, &LogView::flush);
    }
}

void LogView::flush()
{
    m_flushQueued = false;
    if (m_pending.isEmpty())
        return;
    QString piece = m_pending;
    m_pending.clear();
    piece.remove(QLatin1Char('\r'));
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(piece);
    if (atEnd)
        bar->setValue(bar->maximum());
}

}  // namespace mdq
