#include "automation/run_record.h"

#include "platform/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamWriter>

namespace mdq {

namespace {
const Outcome kOutcomes[] = {Outcome::Pass, Outcome::Fail, Outcome::Error, Outcome::Skipped};

std::optional<Outcome> outcomeFromWord(const QString &word)
{
    for (const Outcome o : kOutcomes)
        if (outcomeWord(o) == word)
            return o;
    return std::nullopt;
}

QString isoTime(const QDateTime &t) { return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs); }
QString seconds(double ms) { return QString::number(ms / 1000.0, 'f', 3); }
}  // namespace

QString outcomeWord(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Pass: return QStringLiteral("PASS");
    case Outcome::Fail: return QStringLiteral("FAIL");
    case Outcome::Error: return QStringLiteral("ERROR");
    case Outcome::Skipped: return QStringLiteral("SKIPPED");
    }
    return QString();
}

int RunRecord::count(Outcome outcome) const
{
    int n = 0;
    for (const CaseRecord &c : cases)
        n += c.outcome == outcome;
    return n;
}

QStringList RunRecord::failedCases() const
{
    QStringList names;
    for (const CaseRecord &c : cases)
        if (c.outcome == Outcome::Fail || c.outcome == Outcome::Error)
            names << c.name;
    return names;
}

QByteArray recordJson(const RunRecord &r)
{
    QJsonArray cases;
    for (const CaseRecord &c : r.cases) {
        QJsonArray steps, checks;
        for (const StepRecord &s : c.steps) {
            QJsonObject o{{QStringLiteral("line"), s.line}, {QStringLiteral("step"), s.text},
                          {QStringLiteral("ms"), qRound(s.ms * 10) / 10.0}};
            if (s.check) {
                o.insert(QStringLiteral("passed"), s.passed);
                if (!s.detail.isEmpty())
                    o.insert(QStringLiteral("detail"), s.detail);
                checks.append(o);
            } else {
                if (!s.detail.isEmpty())
                    o.insert(QStringLiteral("error"), s.detail);
                steps.append(o);
            }
        }
        QJsonObject o{{QStringLiteral("name"), c.name},
                      {QStringLiteral("line"), c.line},
                      {QStringLiteral("outcome"), outcomeWord(c.outcome)},
                      {QStringLiteral("ms"), qRound(c.ms * 10) / 10.0},
                      {QStringLiteral("steps"), steps},
                      {QStringLiteral("checks"), checks},
                      {QStringLiteral("transcript"), QJsonArray::fromStringList(c.transcript)}};
        if (!c.message.isEmpty())
            o.insert(QStringLiteral("message"), c.message);
        cases.append(o);
    }
    QJsonObject o{{QStringLiteral("unit"), r.unit},
                  {QStringLiteral("station"), r.station},
                  {QStringLiteral("port"), r.port},
                  {QStringLiteral("plan"), r.plan},
                  {QStringLiteral("start"), isoTime(r.start)},
                  {QStringLiteral("end"), isoTime(r.end)},
                  {QStringLiteral("seconds"), qRound(r.seconds() * 1000) / 1000.0},
                  {QStringLiteral("outcome"), outcomeWord(r.outcome)},
                  {QStringLiteral("cases"), cases}};
    if (!r.error.isEmpty())
        o.insert(QStringLiteral("error"), r.error);
    if (!r.reportBase.isEmpty())
        o.insert(QStringLiteral("report"), r.reportBase);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::optional<RunRecord> recordFromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                              : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    RunRecord r;
    r.unit = o.value(QStringLiteral("unit")).toString();
    r.station = o.value(QStringLiteral("station")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.plan = o.value(QStringLiteral("plan")).toString();
    r.start = QDateTime::fromString(o.value(QStringLiteral("start")).toString(), Qt::ISODateWithMs);
    r.end = QDateTime::fromString(o.value(QStringLiteral("end")).toString(), Qt::ISODateWithMs);
    r.error = o.value(QStringLiteral("error")).toString();
    r.reportBase = o.value(QStringLiteral("report")).toString();
    const auto outcome = outcomeFromWord(o.value(QStringLiteral("outcome")).toString());
    if (!outcome || r.unit.isEmpty() || !r.start.isValid() || !r.end.isValid()) {
        *error = QStringLiteral("not a unit record (unit, start, end and outcome are needed)");
        return std::nullopt;
    }
    r.outcome = *outcome;
    for (const QJsonValue &v : o.value(QStringLiteral("cases")).toArray()) {
        const QJsonObject c = v.toObject();
        CaseRecord cr;
        cr.name = c.value(QStringLiteral("name")).toString();
        cr.line = c.value(QStringLiteral("line")).toInt();
        cr.outcome = outcomeFromWord(c.value(QStringLiteral("outcome")).toString()).value_or(Outcome::Error);
        cr.message = c.value(QStringLiteral("message")).toString();
        cr.ms = c.value(QStringLiteral("ms")).toDouble();
        for (const auto &kind : {QStringLiteral("steps"), QStringLiteral("checks")}) {
            for (const QJsonValue &sv : c.value(kind).toArray()) {
                const QJsonObject s = sv.toObject();
                StepRecord sr;
                sr.line = s.value(QStringLiteral("line")).toInt();
                sr.text = s.value(QStringLiteral("step")).toString();
                sr.ms = s.value(QStringLiteral("ms")).toDouble();
                sr.check = kind == QLatin1String("checks");
                sr.passed = s.value(QStringLiteral("passed")).toBool(true);
                sr.detail = s.value(sr.check ? QStringLiteral("detail") : QStringLiteral("error")).toString();
                cr.steps.append(sr);
            }
        }
        std::sort(cr.steps.begin(), cr.steps.end(), [](const StepRecord &a, const StepRecord &b) { return a.line < b.line; });
        for (const QJsonValue &t : c.value(QStringLiteral("transcript")).toArray())
            cr.transcript << t.toString();
        r.cases.append(cr);
    }
    return r;
}

namespace {
void writeSuite(QXmlStreamWriter &xml, const RunRecord &r)
{
    double total = 0;
    for (const CaseRecord &c : r.cases)
        total += c.ms;
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), r.unit);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(r.cases.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(r.count(Outcome::Fail)));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(r.count(Outcome::Error)));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(r.count(Outcome::Skipped)));
    xml.writeAttribute(QStringLiteral("time"), seconds(r.start.isValid() ? r.start.msecsTo(r.end) : total));
    xml.writeAttribute(QStringLiteral("timestamp"), r.start.toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("hostname"), r.station);
    xml.writeStartElement(QStringLiteral("properties"));
    for (const auto &[name, value] : {std::pair{QStringLiteral("unit"), r.unit}, std::pair{QStringLiteral("port"), r.port},
                                      std::pair{QStringLiteral("plan"), r.plan},
                                      std::pair{QStringLiteral("outcome"), outcomeWord(r.outcome)}}) {
        xml.writeEmptyElement(QStringLiteral("property"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("value"), value);
    }
    xml.writeEndElement();
    for (const CaseRecord &c : r.cases) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("name"), c.name);
        xml.writeAttribute(QStringLiteral("classname"), r.unit);
        xml.writeAttribute(QStringLiteral("time"), seconds(c.ms));
        if (c.outcome == Outcome::Fail || c.outcome == Outcome::Error) {
            QStringList details;
            for (const StepRecord &s : c.steps)
                if (!s.detail.isEmpty())
                    details << QStringLiteral("line %1: %2: %3").arg(s.line).arg(s.text, s.detail);
            xml.writeStartElement(c.outcome == Outcome::Fail ? QStringLiteral("failure") : QStringLiteral("error"));
            xml.writeAttribute(QStringLiteral("message"), c.message);
            xml.writeAttribute(QStringLiteral("type"), c.outcome == Outcome::Fail ? QStringLiteral("check") : QStringLiteral("step"));
            xml.writeCharacters(details.join(QLatin1Char('\n')));
            xml.writeEndElement();
        } else if (c.outcome == Outcome::Skipped) {
            xml.writeEmptyElement(QStringLiteral("skipped"));
            xml.writeAttribute(QStringLiteral("message"), c.message);
        }
        xml.writeTextElement(QStringLiteral("system-out"), c.transcript.join(QLatin1Char('\n')));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}
}  // namespace

QByteArray junitXml(const RunRecord &record)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    writeSuite(xml, record);
    xml.writeEndDocument();
    return out;
}

QByteArray junitXml(const QList<RunRecord> &records, const QString &name, const QDateTime &start, const QDateTime &end)
{
    int tests = 0, failures = 0, errors = 0, skipped = 0;
    for (const RunRecord &r : records) {
        tests += int(r.cases.size());
        failures += r.count(Outcome::Fail);
        errors += r.count(Outcome::Error);
        skipped += r.count(Outcome::Skipped);
    }
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), name);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(tests));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(errors));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
    xml.writeAttribute(QStringLiteral("time"), seconds(start.msecsTo(end)));
    xml.writeAttribute(QStringLiteral("timestamp"), start.toString(Qt::ISODate));
    for (const RunRecord &r : records)
        writeSuite(xml, r);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QByteArray tapText(const RunRecord &r)
{
    // A YAML single-quoted scalar: quotes doubled, one line.
    auto yaml = [](QString s) {
        s.replace(QLatin1Char('\''), QStringLiteral("''")).replace(QLatin1Char('\n'), QLatin1Char(' '));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    };
    auto name = [](QString s) { return s.replace(QLatin1Char('#'), QStringLiteral("\\#")); };
    QString out = QStringLiteral("TAP version 13\n1..%1\n").arg(r.cases.size());
    int n = 0;
    for (const CaseRecord &c : r.cases) {
        ++n;
        switch (c.outcome) {
        case Outcome::Pass: out += QStringLiteral("ok %1 - %2\n").arg(n).arg(name(c.name)); break;
        case Outcome::Skipped:
            out += QStringLiteral("ok %1 - %2 # SKIP %3\n").arg(n).arg(name(c.name), c.message);
            break;
        case Outcome::Fail:
        case Outcome::Error:
            out += QStringLiteral("not ok %1 - %2\n  ---\n  message: %3\n  severity: %4\n  duration_ms: %5\n  ...\n")
                       .arg(n)
                       .arg(name(c.name), yaml(c.message), c.outcome == Outcome::Fail ? QStringLiteral("fail") : QStringLiteral("error"))
                       .arg(qRound(c.ms));
            break;
        }
    }
    return out.toUtf8();
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    if (writeFileWhole(path, bytes, error))
        return true;
    *error = QStringLiteral("cannot write ") + *error;
    return false;
}

bool isReportExtension(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == QLatin1String("xml") || ext == QLatin1String("tap") || ext == QLatin1String("json");
}

bool writeReport(const RunRecord &record, const QString &path, QString *error)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    const QByteArray bytes = ext == QLatin1String("xml")   ? junitXml(record)
                           : ext == QLatin1String("tap")   ? tapText(record)
                           : ext == QLatin1String("json")  ? recordJson(record)
                                                           : QByteArray();
    if (bytes.isEmpty()) {
        *error = QStringLiteral("%1: a report is .xml, .tap or .json").arg(path);
        return false;
    }
    return writeFileAtomically(path, bytes, error);
}

QString unitReportBase(const QString &dir, const QString &unit, const QDateTime &start)
{
    // A serial number read from a reader is not trusted as a file name.
    QString safe = unit;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    while (safe.startsWith(QLatin1Char('.')))
        safe.remove(0, 1);
    safe = safe.left(64);
    if (safe.isEmpty())
        safe = QStringLiteral("unit");
    const QString stem = QDir(dir).filePath(safe + QLatin1Char('-') + start.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    // Several workers may name a report in one folder in the same second (a
    // station whose readers share a serial number, or two stations): the name
    // is claimed by creating its .json, which only one of them can do.
    QString base = stem;
    for (int n = 2;; ++n) {
        if (!QFileInfo::exists(base + QStringLiteral(".xml"))) {
            QFile claim(base + QStringLiteral(".json"));
            if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return base;
            if (!claim.exists())  // not taken, but not creatable either: the write will say why
                return base;
        }
        base = stem + QStringLiteral("-%1").arg(n);
    }
}

}  // namespace mdq
