#pragma once
// What a LogView draws: numbered lines of text that grow at the end and may
// be cleared. The traffic log's raw text and the decoded trace are both
// such sources; the view asks only for the lines it shows.

#include <QCache>
#include <QObject>
#include <QString>
#include <QVector>

namespace mdq {

class Trace;
class TrafficLog;

class LineSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual int lineCount() const = 0;
    virtual QString line(int i) const = 0;
    // The longest line known so far, in characters, for the horizontal range.
    virtual int longestLine() const = 0;

Q_SIGNALS:
    void linesAdded();
    void cleared();
    // Asks views to show the last line.
    void showEnd();
};

// The raw traffic log, cut at its line ends (CR LF, the CR not shown). An
// index of line starts costs four bytes a line; an append costs its own characters.
class TrafficLogLines : public LineSource
{
    Q_OBJECT
public:
    explicit TrafficLogLines(TrafficLog &log, QObject *parent = nullptr);
    int lineCount() const override { return int(m_lineStarts.size()); }
    QString line(int i) const override;
    int longestLine() const override { return m_longestLine; }

private:
    void onAppended(const QString &piece);
    TrafficLog &m_log;
    QVector<int> m_lineStarts{0};
    int m_longestLine = 0;
};

// The decoded trace, one row a line: time of day, delta, direction, kind,
// meaning, then the bytes. A row is decoded only when it is drawn.
class TraceLines : public LineSource
{
    Q_OBJECT
public:
    explicit TraceLines(Trace &trace, QObject *parent = nullptr);
    int lineCount() const override;
    QString line(int i) const override;
    int longestLine() const override { return m_longestLine; }
    // The column captions, aligned with the lines.
    static QString headings();

private:
    Trace &m_trace;
    mutable int m_longestLine = 0;  // of the lines drawn so far
    // Lines already decoded: a view that follows the end draws mostly the
    // rows it drew last time, so each new row is decoded once.
    mutable QCache<int, QString> m_cache{2000};
};

}  // namespace mdq
