#pragma once
// Station mode: one plan against several readers at once. Each unit is a
// worker process of its own (this program with --script PLAN --port COMn),
// so workers share nothing: each has its own port, engine and windows, and
// one reader's stall or crash cannot touch another. The station watches
// their transcripts for the current case and reads each unit's JSON record
// when it ends, then writes a summary JUnit file for the run.

#include "automation/run_record.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class QProcess;

namespace mdq {

struct StationOptions
{
    QString program;  // the worker: this program
    QString plan;
    QList<int> ports;  // COM numbers
    QList<QPair<int, QString>> maps;  // COMn -> device, passed to each worker
    qint32 baud = 9600;
    int address = 0;
    QString outDir;
    bool stopOnFail = false;
};

struct StationUnit
{
    enum State { Waiting, Running, Done };
    int port = 0;
    State state = Waiting;
    QString currentCase;
    RunRecord record;        // once done
    QString reportJson;      // DIR/UNIT-....json once done
    QString reportXml;
    QElapsedTimer clock;
    QString portName() const { return QStringLiteral("COM%1").arg(port); }
};

class Station : public QObject
{
    Q_OBJECT
public:
    explicit Station(StationOptions options, QObject *parent = nullptr);
    ~Station() override;

    // Starts every worker at once.
    void start();
    // Ends the workers still running (SIGTERM: they send EOT and close their ports).
    void stop();
    bool isDone() const { return m_done; }
    const QList<StationUnit> &units() const { return m_units; }
    QString summaryPath() const { return m_summaryPath; }
    // 0 all passed, 3 a check failed (and no error), 1 an error; 2 when the
    // reports could not be written.
    int exitCode() const { return m_exitCode; }

Q_SIGNALS:
    void unitStarted(int index);
    void unitChanged(int index);  // the current case
    void unitFinished(int index);
    void finished(int exitCode);

private:
    void workerOutput(int index);
    void workerEnded(int index, int exitCode, bool crashed);
    void finishAll();

    StationOptions m_options;
    QList<StationUnit> m_units;
    std::vector<std::unique_ptr<QProcess>> m_workers;
    QList<QByteArray> m_pending;  // partial output lines
    QTemporaryDir m_scratch;
    QDateTime m_start;
    QString m_summaryPath;
    int m_running = 0;
    int m_exitCode = 0;
    bool m_done = false;
};

// The console's summary table: one row per unit.
QString stationTable(const QList<StationUnit> &units);

}  // namespace mdq
