#include "automation/script_source.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace mdq {

namespace {
bool isPipe(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
}
}  // namespace

bool readScript(const QString &path, QStringList *lines, QString *error)
{
    QFile file;
    if (path == QLatin1String("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the script from standard input");
            return false;
        }
    } else {
        const QFileInfo info(path);
        if (!info.exists()) {
            *error = QStringLiteral("cannot read script %1: no such file").arg(path);
            return false;
        }
        if (!info.isFile() && !isPipe(path)) {
            *error = QStringLiteral("cannot read script %1: not a regular file or a pipe").arg(path);
            return false;
        }
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read script %1: %2").arg(path, file.errorString());
            return false;
        }
    }
    // One byte more than allowed tells a script that is too large.
    QByteArray bytes;
    while (bytes.size() <= limits::ScriptMaxBytes) {
        const QByteArray chunk = file.read(qMin<qint64>(1 << 20, limits::ScriptMaxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > limits::ScriptMaxBytes) {
        *error = QStringLiteral("script %1 is larger than 16 MiB").arg(path);
        return false;
    }
    const QList<QByteArray> raw = bytes.split('\n');
    lines->clear();
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i).size() > limits::ScriptMaxLineBytes) {
            *error = QStringLiteral("script %1: line %2 is longer than 64 KiB").arg(path).arg(i + 1);
            return false;
        }
        lines->append(QString::fromUtf8(raw.at(i)));
    }
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();
    return true;
}

}  // namespace mdq
