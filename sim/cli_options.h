#pragma once
// mdq820-sim's command line.

#include "virtual_reader.h"

#include <QString>
#include <QStringList>

namespace sim {

struct CliOptions
{
    VirtualReaderOptions reader;
    QString linkPath;
    bool help = false;
    bool version = false;
};

struct CliParseResult
{
    bool ok = false;
    CliOptions options;
    QString error;  // when !ok
};

// arguments: without the program name. Accepts "--opt value" and "--opt=value".
CliParseResult parseCliOptions(const QStringList &arguments);

// The --help text: options and every control command.
QString cliUsage();

}  // namespace sim
