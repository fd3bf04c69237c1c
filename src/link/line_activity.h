#pragma once
// What the line is doing, for whoever shows it (the status bar, the wait
// cursor) and for whoever may stop it (Escape, the Stop button, a signal).
// The engine, the link test and the scan report here; they never show
// anything themselves.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace mdq {

class Clock;

class LineActivity : public QObject
{
    Q_OBJECT
public:
    explicit LineActivity(const Clock &clock, QObject *parent = nullptr);

    // A wait on the line starts; `what` says what is awaited, e.g.
    // "Waiting for the reader's reply".
    void begin(const QString &what);
    // The same wait goes on with a new subject (the scan moves to the next port).
    void update(const QString &what);
    // The wait is over; `summary` says how it ended.
    void end(const QString &summary);
    // A result that needed no wait (or refines the last summary).
    void report(const QString &summary);

    bool isBusy() const { return m_busy; }
    QString what() const { return m_what; }
    qint64 elapsedMs() const;
    QString summary() const { return m_summary; }

    // Asks the wait in progress to end early; ignored when nothing waits.
    void requestStop();
    bool stopRequested() const { return m_stop; }

Q_SIGNALS:
    void busyChanged(bool busy);
    void whatChanged(const QString &what);
    void summaryChanged(const QString &summary);

private:
    const Clock &m_clock;
    bool m_busy = false;
    bool m_stop = false;
    qint64 m_started = 0;
    QString m_what;
    QString m_summary;
};

// Seconds with one decimal, the way the status bar shows durations: "4.2 s".
QString secondsText(qint64 ms);

}  // namespace mdq
