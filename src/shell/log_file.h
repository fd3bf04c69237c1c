#pragma once
// "Save To": the traffic log written to a text file the operator chooses.

#include "platform/safe_file.h"

#include <QDateTime>
#include <QString>

namespace mdq {

class Prompter;
class Remembered;
struct SaveDialogRequest;

// The save dialog as the log asks for it: "Save As...", "Text Files" / "*.TXT",
// default extension TXT, starting in the folder of the last save when there
// is one, else the user's home folder (on Windows, the folder named by the
// environment variable "winDir"), proposing qtest820-log-YYYYMMDD-HHMMSS.txt.
SaveDialogRequest logSaveDialogRequest(const QString &lastFolder = {},
                                       const QDateTime &now = QDateTime::currentDateTime());

// The file's content: leading and trailing blanks removed, every line ending
// in CR LF, in the system's code page.
QByteArray logFileBytes(const QString &logText);

// The whole operation: dialog, file name message, write, error message.
// Cancel writes nothing and shows nothing. A saved file's folder is remembered.
void saveTrafficLog(Prompter &prompter, const QString &logText, Remembered &remembered);

}  // namespace mdq
