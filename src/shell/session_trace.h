#pragma once
// The session trace file: while it is on, every trace row is appended to
// qtest820-trace-YYYYMMDD-HHMMSS.jsonl in the user's data folder and handed
// to the system at once, so the file is whole up to the last row even when
// the tool is killed. One file per session: turning it off and on again in
// the same run goes on in the same file.

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

namespace mdq {

class Trace;

class SessionTrace : public QObject
{
    Q_OBJECT
public:
    explicit SessionTrace(Trace &trace, QObject *parent = nullptr);

    // The folder the files go to: qtest820/traces in the user's data folder.
    static QString folder();

    // Starts (or goes on with) the file; false and errorText() when it cannot be written.
    bool start(const QDateTime &now = QDateTime::currentDateTime());
    void stop();
    bool isOn() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    QString errorText() const { return m_error; }

Q_SIGNALS:
    // The file could not be written any more and was closed.
    void failed(const QString &why);

private:
    void write(int index);

    Trace &m_trace;
    QFile m_file;
    QString m_path;
    QString m_error;
};

}  // namespace mdq
