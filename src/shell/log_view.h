#pragma once
// SDTDText and the decoded trace view: lines drawn straight from their
// source (shell/line_source.h), only those on screen, so a log of a million
// lines costs no more to show than a short one. Read-only: lines can be
// selected (mouse, Shift+arrows, Ctrl+A) and copied (Ctrl+C, context menu).

#include <QAbstractScrollArea>
#include <QCache>
#include <QStaticText>
#include <memory>

namespace mdq {

class LineSource;
class TrafficLog;

class LogView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit LogView(LineSource &source, QWidget *parent = nullptr);
    // The raw traffic log's lines.
    explicit LogView(TrafficLog &log, QWidget *parent = nullptr);
    ~LogView() override;

    int lineCount() const;
    QString line(int i) const;
    // The selected lines joined with line ends; empty without a selection.
    QString selectedText() const;
    void selectAll();
    void copy() const;
    // The first line shown at the top.
    int firstVisibleLine() const;
    // How many lines the last paint drew (the benchmark shows it is those on screen).
    int linesLastPainted() const { return m_linesPainted; }
    // Column captions kept above the lines, scrolled sideways with them.
    void setHeading(const QString &heading);
    QString heading() const { return m_heading; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void onAdded();
    void onCleared();
    void updateScrollBars();
    void scrollToEnd();
    int lineAt(int y) const;
    int lineHeight() const;
    int visibleLines() const;

    void placeHeading();
    QString m_heading;
    QWidget *m_headingBar = nullptr;
    std::unique_ptr<LineSource> m_ownSource;
    LineSource &m_source;
    int m_linesPainted = 0;
    int m_rangeLongest = -1;  // the longest line the horizontal range was set for
    // Lines laid out for drawing: a view that follows the end draws mostly
    // the lines it drew last time, and laying text out costs more than drawing it.
    QCache<int, QStaticText> m_laidOut{1000};
    int m_anchor = -1;       // selection: lines m_anchor..m_cursor
    int m_cursor = -1;
};

}  // namespace mdq
