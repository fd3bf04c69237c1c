#pragma once
// The operator's control language for the virtual reader: one command per
// line, one line of answer, "ok ..." or "error: ...". Used on mdq820-sim's
// standard input and by VirtualReader::control. Not thread-safe by itself.

#include "fault_plan.h"
#include "link_settings.h"
#include "reader_model.h"

#include <QString>
#include <QStringList>

namespace sim {

class ControlInterpreter
{
public:
    // The longest serial number or version text whose reply (eight bytes
    // around the text) still fits the host's 1025-byte reply buffer.
    static constexpr int MaxReplyText = 1025 - 8;
    ControlInterpreter(ReaderModel &model, FaultPlan &faults, LinkSettings &link);

    QString execute(const QString &line);
    QString stateLine() const;

    // "usage  what it does", one entry per command, for help texts.
    static QStringList commandHelp();

private:
    struct Command;
    static const QList<Command> &commands();

    QString insert(const QStringList &args, const QString &rest);
    QString take(const QStringList &args, const QString &rest);
    QString jam(const QStringList &args, const QString &rest);
    QString unjam(const QStringList &args, const QString &rest);
    QString stacker(const QStringList &args, const QString &rest);
    QString bin(const QStringList &args, const QString &rest);
    QString entry(const QStringList &args, const QString &rest);
    QString sensor(const QStringList &args, const QString &rest);
    QString sensors(const QStringList &args, const QString &rest);
    QString counter(const QStringList &args, const QString &rest);
    QString serial(const QStringList &args, const QString &rest);
    QString config(const QStringList &args, const QString &rest);
    QString version(const QStringList &args, const QString &rest);
    QString address(const QStringList &args, const QString &rest);
    QString baud(const QStringList &args, const QString &rest);
    QString pace(const QStringList &args, const QString &rest);
    QString fault(const QStringList &args, const QString &rest);
    QString chip(const QStringList &args, const QString &rest);
    QString reset(const QStringList &args, const QString &rest);
    QString state(const QStringList &args, const QString &rest);
    QString help(const QStringList &args, const QString &rest);

    ReaderModel &m_model;
    FaultPlan &m_faults;
    LinkSettings &m_link;
};

}  // namespace sim
