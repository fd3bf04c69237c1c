#pragma once
// Reading a script's steps: a regular file, a pipe, or standard input ("-").
// Anything else (a device such as /dev/zero, a folder) is refused, and so is
// a script past 16 MiB or with a line past 64 KiB, before it can eat memory.

#include <QString>
#include <QStringList>

namespace mdq {

namespace limits {
constexpr qint64 ScriptMaxBytes = 16 * 1024 * 1024;
constexpr int ScriptMaxLineBytes = 64 * 1024;
}  // namespace limits

// The lines of the script at `path`; false with *error set when it cannot be used.
bool readScript(const QString &path, QStringList *lines, QString *error);

}  // namespace mdq
