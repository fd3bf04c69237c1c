#pragma once
// SDTDText: the on-screen view of the traffic log. The log's text is the
// source of truth; the view appends what is appended, so a long log does not
// make each exchange slower.

#include <QPlainTextEdit>

namespace mdq {

class TrafficLog;

class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogView(TrafficLog &log, QWidget *parent = nullptr);

private:
    void onAppended(const QString &piece);
    void flush();
    TrafficLog &m_log;
    QString m_pending;
    bool m_flushQueued = false;
};

}  // namespace mdq
