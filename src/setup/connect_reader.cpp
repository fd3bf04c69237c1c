#include "setup/connect_reader.h"

#include "link/shared_state.h"
#include "platform/port_access.h"
#include "platform/serial_port.h"
#include "setup/link_test.h"
#include "ui/reader_context.h"

namespace mdq {

ConnectResult connectReader(ReaderContext &context, int portNumber, qint32 baud)
{
    SharedState &state = context.runner.state();
    SerialPort &port = context.runner.link().port;
    state.PortOpened = false;
    // Every connect closes and reopens, also with unchanged settings.
    if (port.isOpen())
        port.close();
    switch (port.open(portNumber, baud)) {
    case OpenError::None: break;
    case OpenError::NotFound: return ConnectResult::NotFound;
    case OpenError::InUse: return ConnectResult::InUse;
    case OpenError::NoPermission: return ConnectResult::NoPermission;
    case OpenError::Other: return ConnectResult::OpenFailed;
    }
    const auto address = context.runner.address().value_or(0);
    bool stopped = false;
    const QString answer = IRUnitIfOk(context.runner.link(), address, context.runner.recordData(), &stopped);
    if (answer == QLatin1String("ERROR")) {
        if (port.isOpen())
            port.close();
        return stopped ? ConnectResult::Stopped : ConnectResult::NoReader;
    }
    state.PortOpened = true;
    return ConnectResult::Connected;
}

QString connectFailureText(ReaderContext &context, ConnectResult result, int portNumber, qint32 baud)
{
    SerialPort &port = context.runner.link().port;
    const QString com = QStringLiteral("COM%1 (%2)").arg(portNumber).arg(port.deviceFor(portNumber));
    switch (result) {
    case ConnectResult::Connected: return QString();
    case ConnectResult::NotFound: return com + QStringLiteral(" cannot be opened: no such port");
    case ConnectResult::InUse: return com + QStringLiteral(" cannot be opened: the port is in use");
    case ConnectResult::NoPermission: return noPermissionAdvice(port.deviceFor(portNumber));
    case ConnectResult::OpenFailed: return com + QStringLiteral(" cannot be opened: ") + port.errorText();
    case ConnectResult::NoReader:
        return com + QStringLiteral(": no reader answered the link test at %1 baud, address %2")
                         .arg(baud)
                         .arg(QString::number(context.runner.address().value_or(0), 16).toUpper());
    case ConnectResult::Stopped: return com + QStringLiteral(": the link test was stopped");
    }
    return QString();
}

}  // namespace mdq
