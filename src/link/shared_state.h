#pragma once
// Values shared by the windows for the whole run, all clear at start.

#include <QByteArray>
#include <QString>

namespace mdq {

struct SharedState
{
    bool PortOpened = false;
    quint8 ResetOption = 0;   // PM of the chosen initialise option, 0 = cancelled
    QByteArray SensorBytes = QByteArray(12, '\0');
    QByteArray ConfigBytes = QByteArray(10, '\0');
    QString UnitText;
    bool CommOpenOk = false;
    bool CommTestOk = false;
};

}  // namespace mdq
