#pragma once
// qtest820 ... card --port COMn [--baud N] [--address X] ACTION: the card
// tools from the command line. Progress and warnings go to standard error,
// results to standard output. Exit codes: 0 done, 1 failed, 2 bad usage,
// 3 a comparison found differences.

#include "platform/port_map.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace mdq {

struct CardOptions
{
    QString action;
    int port = 0;
    qint32 baud = 9600;
    quint8 address = 0;
    QStringList keyFiles;  // --keys FILE
    QString keyFileOut;    // --key-file OUT
    QString out;           // --out FILE
    QStringList files;     // the action's file arguments
    bool partial = false, trailers = false, block0 = false, all = false, yes = false;
    QString memType;  // --type
    QString psc;      // --psc HEX
    bool help = false;
    QString error;
};

CardOptions parseCardOptions(const QStringList &args);
QString cardUsageText();

namespace cardexit {
constexpr int Done = 0, Failed = 1, BadUsage = 2, Differences = 3;
}

// `stopRequested` (may be empty) ends a long operation between exchanges.
int runCardCommand(const CardOptions &options, const PortMap &map, std::function<bool()> stopRequested = {});

}  // namespace mdq
