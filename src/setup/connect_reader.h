#pragma once
// Opening a port and testing the link, as OK in the settings window does,
// without showing anything: the settings window turns the result into its
// messages, a station worker into its unit's outcome.

#include <QString>

namespace mdq {

struct ReaderContext;

enum class ConnectResult { Connected, NotFound, InUse, NoPermission, OpenFailed, NoReader, Stopped };

// Closes the port if open, opens COMn at `baud` and runs the link test at the
// address of cmbAddress820. PortOpened is set only when the reader answered;
// after a failed link test the port is closed again.
ConnectResult connectReader(ReaderContext &context, int portNumber, qint32 baud);

// One line saying why COMn could not be connected (empty for Connected).
QString connectFailureText(ReaderContext &context, ConnectResult result, int portNumber, qint32 baud);

}  // namespace mdq
