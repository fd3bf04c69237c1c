#pragma once
// The automatic reader scan: every port 1..16 at each of the five baud rates,
// one status request at each, stopping at the first place where a
// well-formed reply comes back. The port is left open there.

#include <QString>
#include <array>

namespace mdq {

class Clock;
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

struct ScanResult
{
    int port = 0;     // 0: nothing found
    qint32 baud = 0;
    bool stopped = false;  // the operator stopped the scan
    bool found() const { return port != 0; }
};

// The whole walk. Marks an exchange in progress for its duration, so the
// script runner does not step in the middle of it.
ScanResult scanForReader(LinkContext &link, quint8 address);

// The texts of the scan message line.
QString scanningText();                            // "Please wait for a while, it is scanning......"
QString scanFoundText(int port, qint32 baud);      // "Found MDQ-820 AT COM3 Baut Rate 38400"
QString scanNotFoundText();                        // "No Found MDQ-820"

}  // namespace mdq
