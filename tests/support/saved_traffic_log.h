#pragma once
// A traffic log as Save To writes it, for the trace decoding tests: a status
// request answered, a Type A SELECT refused by the card, a Mifare write whose
// request continues on a second line, a negative reply, a NAK, a reply with a
// bad BCC, a stopped wait with its EOT, an event line and a line that is no
// log line (36).

namespace mdqtest {

inline const char *savedTrafficLog()
{
    return "SD: F2 00 00 03 43 31 30 03 B0 \r\n"
           "RD: 06\r\n"
           "RD: F2 00 00 06 50 31 30 30 31 30 03 97 \r\n"
           "SD: 06\r\n"
           "\r\n"
           "SD: F2 00 00 0A 43 60 34 00 A4 00 00 02 3F 00 03 75 \r\n"
           "RD: 06\r\n"
           "RD: F2 00 00 08 50 60 34 30 30 30 6A 82 03 25 \r\n"
           "SD: 06\r\n"
           "\r\n"
           "SD: F2 00 00 18 43 60 33 00 D1 01 01 01 00 01 02 03 04 05 06 07 08 09 0A 0B \r\n"
           "       0C 0D 0E 0F 03 29 \r\n"
           "RD: 06\r\n"
           "RD: F2 00 00 08 50 60 33 30 30 30 90 00 03 5A \r\n"
           "SD: 06\r\n"
           "\r\n"
           "SD: F2 00 00 03 43 30 30 03 B1 \r\n"
           "RD: 06\r\n"
           "RD: F2 00 00 05 4E 30 30 31 30 03 BB \r\n"
           "SD: 06\r\n"
           "\r\n"
           "SD: F2 00 00 03 43 32 39 03 BA \r\n"
           "RD: 15\r\n"
           "\r\n"
           "\r\n"
           "SD: F2 00 00 03 43 31 30 03 B0 \r\n"
           "RD: 06\r\n"
           "RD: F2 00 00 06 50 31 30 30 30 30 03 97 \r\n"
           "SD: 06\r\n"
           "\r\n"
           "SD: F2 00 00 03 43 31 31 03 B1 \r\n"
           "SD: 04\r\n"
           "-- Stopped by the operator\r\n"
           "\r\n"
           "-- Port lost: COM1 (/dev/ttyUSB0) is gone\r\n"
           "SD: F2 00 0O\r\n";
}

}  // namespace mdqtest
