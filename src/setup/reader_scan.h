#pragma once
// The automatic reader scan: every port 1..16 at each of the five baud rates,
// one status request at each, stopping at the first place where a
// well-formed reply comes back. The port is left open there.

#include <QList>
#include <QString>
#include <array>
#include <functional>

namespace mdq {

class Clock;
class LineActivity;
class SerialPort;
struct LinkContext;
struct SharedState;

namespace limits {
constexpr int ScanFirstPort = 1;
constexpr int ScanLastPort = 16;  // one more than OK accepts
constexpr int ProbeAckDelayMs = 250;
constexpr int ProbeHeaderMs = 5000;
constexpr int ProbeBodyMs = 3000;
}  // namespace limits

// Scan order of the baud rates.
constexpr std::array<qint32, 5> ScanBauds{9600, 19200, 38400, 57600, 115200};

// Lets at least ms milliseconds pass on the clock, sleeping (never spinning).
void DelayMs(Clock &clock, int ms);

// (Re)opens the port at port/baud, 8N1; CommOpenOk tells whether it opened.
// Every failure counts alike and shows nothing.
bool OpenComm(SerialPort &port, SharedState &state, int portNumber, qint32 baud);

// One probe on the open port: the status request, 250 ms, then ACK, header
// within 5 s, body within 3 s, host ACK, checksum, 'P' or 'N'. Sets CommTestOk.
// Logs nothing.
bool CommTest(LinkContext &link, quint8 address);

// The probe itself, touching nothing but the port and clock it is given (no
// busy state, no shared values), so the parallel scan runs it on worker
// threads. `activity`, when given, can stop its waits.
bool probeReader(SerialPort &port, Clock &clock, quint8 address, const LineActivity *activity = nullptr);

struct ScanOptions
{
    quint8 address = 0;         // the main window's address: always tried first
    bool allAddresses = false;  // then the other addresses 0..F, in order
    // Told the lowest port still being probed and its rate, as they change.
    std::function<void(int port, qint32 baud)> progress;
};

// The addresses probed at each port and rate, in order.
QList<quint8> scanAddresses(const ScanOptions &options);

struct ScanResult
{
    int port = 0;     // 0: nothing found
    qint32 baud = 0;
    quint8 address = 0;    // the address the reader answered at
    bool stopped = false;  // the operator stopped the scan
    bool found() const { return port != 0; }
};

// The walk one place after another on the tool's own port: the reference the
// parallel scan must agree with, and the way for ports that cannot be
// duplicated.
ScanResult scanSequentially(LinkContext &link, const ScanOptions &options);

// SCAN: every port at once where the port can be duplicated
// (scanInParallel), else the walk above. Marks an exchange in progress for
// its duration, so the script runner does not step in the middle of it, and
// ends early when the line activity is asked to stop.
ScanResult scanForReader(LinkContext &link, const ScanOptions &options);

// The texts of the scan message line.
QString scanningText();                            // "Please wait for a while, it is scanning......"
QString scanFoundText(int port, qint32 baud);      // "Found MDQ-820 AT COM3 Baut Rate 38400"
QString scanNotFoundText();                        // "No Found MDQ-820"
// The progress line: "COM3: 38400..."
QString scanProgressText(int port, qint32 baud);

}  // namespace mdq
