#pragma once
// The scan on every port at once: one worker thread per device, each with a
// port object of its own (SerialPort::probePortMaker) and a clock of its own,
// walking the baud rates (and addresses) in the walk's order with the walk's
// probe. It finds what the walk finds: the lowest port that answered, at the
// first rate and address that answered there. A port's find is taken only
// once every lower port has finished; the ports above it are stopped then.
// The found port is opened again on the tool's own port, where the walk
// would have left it.

#include "platform/serial_port.h"
#include "setup/reader_scan.h"

namespace mdq {

// The user-interface thread keeps the windows painted meanwhile and shows the
// progress; a stop asked of link.activity ends every worker's waits at once.
ScanResult scanInParallel(LinkContext &link, const SerialPort::PortMaker &makePort, const ScanOptions &options);

}  // namespace mdq
