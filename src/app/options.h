#pragma once
// Command line of qtest820.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace mdq {

struct AppOptions
{
    QList<QPair<int, QString>> maps;  // --map COMn=DEVICE
    QString script;                   // --script FILE
    bool show = false;                // --show: the script runs on screen
    int stepDelayMs = 400;            // --step-delay MS (with --show)
    int simulatePort = 0;             // --simulate[=COMn]; 0 = no virtual reader
    bool listPorts = false;           // --list-ports: print the port table and exit
    bool fresh = false;               // --fresh: default settings, nothing remembered
    QString decode;                   // --decode FILE: print the decoded trace of a saved log
    QString format = QStringLiteral("text");  // --format text|jsonl (with --decode)
    bool stableTimes = false;         // --stable-times: exported times count from the first row
    QStringList simWords;             // --sim WORDS: control commands for the virtual reader
    bool card = false;                // the "card" command: everything after it is in cardArgs
    QStringList cardArgs;
    QStringList reports;              // --report FILE (.xml, .tap, .json), repeatable
    bool stopOnFail = false;          // --stop-on-fail
    QString station;                  // --station PLAN
    QList<int> ports;                 // --port COMn: start connected (several with --station)
    qint32 baud = 9600;               // --baud N (with --port)
    int address = 0;                  // --address X (with --port)
    QString out;                      // --out DIR: per-unit reports named after the unit
    bool help = false;
    bool version = false;
    QString error;                    // bad usage
};

AppOptions parseOptions(const QStringList &args);
QString usageText();

}  // namespace mdq
