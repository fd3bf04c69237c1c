#pragma once
// Writing a whole file without ever losing data: a temporary file beside the
// target is written and then renamed over it, so a failure leaves an existing
// file as it was. Used by every save and export of the tool.

#include <QByteArray>
#include <QString>

namespace mdq {

// A file without write permission is refused like a read-only file on
// Windows, whoever runs the tool; a folder, device, pipe or socket is never
// replaced. Returns an empty string on success, else "<number> <description>"
// (the file error's number, for the save message).
QString writeFileSafely(const QString &path, const QByteArray &bytes);

// The same, for callers that say what failed in their own words: false and
// *error = the description (it names the file).
bool writeFileWhole(const QString &path, const QByteArray &bytes, QString *error);

}  // namespace mdq
