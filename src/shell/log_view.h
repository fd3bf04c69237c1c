#pragma once
// SDTDText: the on-screen view of the traffic log. It draws straight from the
// log's text through an index of line starts, so a log of a million lines
// costs the text plus four bytes a line, and an append costs only its own
// characters. Read-only: lines can be selected (mouse, Shift+arrows, Ctrl+A)
// and copied (Ctrl+C, context menu).

#include <QAbstractScrollArea>
#include <QVector>

namespace mdq {

class TrafficLog;

class LogView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit LogView(TrafficLog &log, QWidget *parent = nullptr);

    int lineCount() const { return int(m_lineStarts.size()); }
    QString line(int i) const;
    // The selected lines joined with line ends; empty without a selection.
    QString selectedText() const;
    void selectAll();
    void copy() const;
    // The first line shown at the top.
    int firstVisibleLine() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void onAppended(const QString &piece);
    void onCleared();
    void updateScrollBars();
    void scrollToEnd();
    int lineAt(int y) const;
    int lineHeight() const;
    int visibleLines() const;

    TrafficLog &m_log;
    QVector<int> m_lineStarts{0};
    int m_longestLine = 0;   // in characters, for the horizontal range
    int m_anchor = -1;       // selection: lines m_anchor..m_cursor
    int m_cursor = -1;
};

}  // namespace mdq
