#include "automation/station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>

namespace mdq {

Station::Station(StationOptions options, QObject *parent) : QObject(parent), m_options(std::move(options))
{
    for (const int port : m_options.ports) {
        StationUnit unit;
        unit.port = port;
        unit.currentCase = QStringLiteral("connect");
        m_units.append(unit);
    }
}

Station::~Station()
{
    stop();
}

void Station::start()
{
    m_start = QDateTime::currentDateTime();
    m_running = int(m_units.size());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (int i = 0; i < m_units.size(); ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setStandardInputFile(QProcess::nullDevice());
        connect(process.get(), &QProcess::readyReadStandardOutput, this, [this, i] { workerOutput(i); });
        connect(process.get(), &QProcess::finished, this,
                [this, i](int code, QProcess::ExitStatus status) { workerEnded(i, code, status == QProcess::CrashExit); });
        connect(process.get(), &QProcess::errorOccurred, this, [this, i](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                workerEnded(i, -1, true);
        });
        m_workers.push_back(std::move(process));
        m_pending.append(QByteArray());
    }
    for (int i = 0; i < m_units.size(); ++i) {
        StationUnit &unit = m_units[i];
        unit.state = StationUnit::Running;
        unit.clock.start();
        Q_EMIT unitStarted(i);
        QStringList full{QStringLiteral("--script"), m_options.plan, QStringLiteral("--port"), unit.portName(),
                         QStringLiteral("--baud"), QString::number(m_options.baud),
                         QStringLiteral("--address"), QString::number(m_options.address, 16).toUpper(),
                         QStringLiteral("--out"), m_options.outDir,
                         QStringLiteral("--report"), m_scratch.filePath(unit.portName() + QStringLiteral(".json"))};
        if (m_options.stopOnFail)
            full << QStringLiteral("--stop-on-fail");
        for (const auto &m : m_options.maps)
            if (m.first == unit.port)
                full << QStringLiteral("--map") << QStringLiteral("COM%1=%2").arg(m.first).arg(m.second);
        m_workers[size_t(i)]->start(m_options.program, full);
    }
    if (m_units.isEmpty())
        finishAll();
}

void Station::stop()
{
    for (auto &w : m_workers)
        if (w && w->state() != QProcess::NotRunning)
            w->terminate();
    for (auto &w : m_workers)
        if (w && w->state() != QProcess::NotRunning && !w->waitForFinished(5000)) {
            w->kill();
            w->waitForFinished(1000);
        }
}

void Station::workerOutput(int index)
{
    QProcess &p = *m_workers[size_t(index)];
    QByteArray &pending = m_pending[index];
    pending += p.readAllStandardOutput();
    int newline;
    while ((newline = int(pending.indexOf('\n'))) >= 0) {
        const QString line = QString::fromUtf8(pending.left(newline));
        pending.remove(0, newline + 1);
        if (line.startsWith(QLatin1String("case "))) {
            m_units[index].currentCase = line.mid(5);
            Q_EMIT unitChanged(index);
        }
    }
}

void Station::workerEnded(int index, int exitCode, bool crashed)
{
    StationUnit &unit = m_units[index];
    if (unit.state == StationUnit::Done)
        return;
    QProcess &p = *m_workers[size_t(index)];
    workerOutput(index);
    unit.state = StationUnit::Done;
    unit.currentCase.clear();
    QFile file(m_scratch.filePath(unit.portName() + QStringLiteral(".json")));
    QString error;
    std::optional<RunRecord> record;
    if (file.open(QIODevice::ReadOnly))
        record = recordFromJson(file.readAll(), &error);
    if (record) {
        unit.record = *record;
        // The worker wrote its unit's reports under the same name.
        if (!unit.record.reportBase.isEmpty()) {
            unit.reportJson = unit.record.reportBase + QStringLiteral(".json");
            unit.reportXml = unit.record.reportBase + QStringLiteral(".xml");
        }
    } else {
        // No record from the worker: the unit is an ERROR, and says why.
        const QString why = crashed ? QStringLiteral("the worker for %1 ended abnormally: %2").arg(unit.portName(), p.errorString())
                                    : QStringLiteral("the worker for %1 ended with exit code %2 and no record: %3")
                                          .arg(unit.portName())
                                          .arg(exitCode)
                                          .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        RunRecord &r = unit.record;
        r.unit = unit.portName();
        r.port = unit.portName();
        r.plan = m_options.plan;
        r.station = QSysInfo::machineHostName();
        r.end = QDateTime::currentDateTime();
        r.start = r.end.addMSecs(-unit.clock.elapsed());
        r.outcome = Outcome::Error;
        r.error = why;
        const QString base = unitReportBase(m_options.outDir, r.unit, r.start);
        r.reportBase = base;
        unit.reportJson = base + QStringLiteral(".json");
        unit.reportXml = base + QStringLiteral(".xml");
        QString writeError;
        if (!writeReport(r, unit.reportJson, &writeError) || !writeReport(r, unit.reportXml, &writeError))
            m_exitCode = 2;
    }
    Q_EMIT unitFinished(index);
    if (--m_running == 0)
        finishAll();
}

void Station::finishAll()
{
    const QDateTime end = QDateTime::currentDateTime();
    QList<RunRecord> records;
    bool anyError = false, anyFail = false;
    for (const StationUnit &unit : m_units) {
        records.append(unit.record);
        anyError = anyError || unit.record.outcome == Outcome::Error;
        anyFail = anyFail || unit.record.outcome == Outcome::Fail;
    }
    m_summaryPath = QDir(m_options.outDir).filePath(QStringLiteral("station-%1.xml").arg(m_start.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    for (int n = 2; QFileInfo::exists(m_summaryPath); ++n)
        m_summaryPath = QDir(m_options.outDir).filePath(
            QStringLiteral("station-%1-%2.xml").arg(m_start.toString(QStringLiteral("yyyyMMdd-HHmmss"))).arg(n));
    QString error;
    const bool written = writeFileAtomically(
        m_summaryPath, junitXml(records, QFileInfo(m_options.plan).fileName(), m_start, end), &error);
    if (!written)
        m_summaryPath.clear();
    if (m_exitCode == 0)
        m_exitCode = !written ? 2 : anyError ? 1 : anyFail ? 3 : 0;
    m_done = true;
    Q_EMIT finished(m_exitCode);
}

QString stationTable(const QList<StationUnit> &units)
{
    QString out = QStringLiteral("%1  %2  %3  %4  %5\n")
                      .arg(QStringLiteral("unit"), -20)
                      .arg(QStringLiteral("port"), -6)
                      .arg(QStringLiteral("outcome"), -7)
                      .arg(QStringLiteral("time"), 8)
                      .arg(QStringLiteral("failed cases"));
    int pass = 0, fail = 0, error = 0;
    for (const StationUnit &u : units) {
        const RunRecord &r = u.record;
        pass += r.outcome == Outcome::Pass;
        fail += r.outcome == Outcome::Fail;
        error += r.outcome == Outcome::Error;
        out += QStringLiteral("%1  %2  %3  %4  %5\n")
                   .arg(r.unit, -20)
                   .arg(u.portName(), -6)
                   .arg(outcomeWord(r.outcome), -7)
                   .arg(QStringLiteral("%1 s").arg(r.seconds(), 0, 'f', 1), 8)
                   .arg(r.outcome == Outcome::Error && r.failedCases().isEmpty() ? r.error
                                                                                  : r.failedCases().join(QStringLiteral(", ")));
    }
    out += QStringLiteral("%1 units: %2 passed, %3 failed, %4 errors\n").arg(units.size()).arg(pass).arg(fail).arg(error);
    return out;
}

}  // namespace mdq
