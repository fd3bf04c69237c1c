#pragma once
// What a scripted run found, case by case, and the reports made from it:
// JUnit XML, TAP version 13 and a JSON record per unit. The station reads
// the JSON records back for its console lines and summary.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mdq {

enum class Outcome { Pass, Fail, Error, Skipped };
QString outcomeWord(Outcome outcome);  // PASS, FAIL, ERROR, SKIPPED

struct StepRecord
{
    int line = 0;
    QString text;       // the step as run (variables filled in)
    bool check = false; // an expect... step
    bool passed = true; // for checks
    QString detail;     // a failed check's "expected ..., got ..."; an error's reason
    double ms = 0;
};

struct CaseRecord
{
    QString name;
    int line = 0;  // of its `case` step; 0 for the implicit setup case
    Outcome outcome = Outcome::Pass;
    QString message;  // the first failure or the error, as the transcript says it; why skipped
    double ms = 0;
    QList<StepRecord> steps;
    QStringList transcript;
};

struct RunRecord
{
    QString unit;
    QString station;  // host name
    QString port;
    QString plan;
    QDateTime start;
    QDateTime end;
    Outcome outcome = Outcome::Pass;
    QString error;  // why the run is an ERROR
    QString reportBase;  // DIR/UNIT-YYYYMMDD-HHMMSS of the unit's own reports, if any
    QList<CaseRecord> cases;

    int count(Outcome outcome) const;
    QStringList failedCases() const;  // failed and errored, by name
    double seconds() const { return start.msecsTo(end) / 1000.0; }
};

QByteArray recordJson(const RunRecord &record);
std::optional<RunRecord> recordFromJson(const QByteArray &json, QString *error);

// One <testsuite> for a unit; several under <testsuites name=...> for a station.
QByteArray junitXml(const RunRecord &record);
QByteArray junitXml(const QList<RunRecord> &records, const QString &name, const QDateTime &start,
                    const QDateTime &end);
QByteArray tapText(const RunRecord &record);

// Writes the report the path's extension asks for (.xml, .tap, .json), whole or
// not at all; false with *error set.
bool writeReport(const RunRecord &record, const QString &path, QString *error);
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);
// A report extension this tool writes.
bool isReportExtension(const QString &path);

// UNIT-YYYYMMDD-HHMMSS in dir, the unit's id made safe as a file name, with
// -2, -3 ... when such reports exist already. The name is claimed: its .json
// is created (empty, for the report to replace), so no other caller, in this
// process or another, is given the same name.
QString unitReportBase(const QString &dir, const QString &unit, const QDateTime &start);

}  // namespace mdq
