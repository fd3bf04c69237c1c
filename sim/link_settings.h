#pragma once
// How the virtual reader's line behaves: the baud rate it is set to and
// whether it sends at that rate (pacing). With pacing off it answers at any
// host line speed, as fast as it can.

namespace sim {

struct LinkSettings
{
    int baud = 9600;
    bool pace = false;

    static bool isSupportedBaud(int baud)
    {
        for (int b : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400}) {
            if (b == baud)
                return true;
        }
        return false;
    }
};

}  // namespace sim
