#include "automation/windowless.h"

#include <QString>
#include <QtGlobal>

namespace mdq {

namespace {
QtMessageHandler g_nextHandler = nullptr;

void dropWindowlessNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    g_nextHandler(type, context, message);
}
}  // namespace

void quietenWindowlessPlatform()
{
    if (!g_nextHandler)
        g_nextHandler = qInstallMessageHandler(dropWindowlessNoise);
}

}  // namespace mdq
