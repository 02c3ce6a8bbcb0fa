// Opening the line the device serves: a new pseudo-terminal pair or a serial device.
#pragma once

#include <string>
#include <termios.h>

namespace sim {

struct PtyLine {
    int master = -1;
    int slave = -1;   // kept open so that the master never sees a hang-up between the program's opens
    std::string slavePath;
};

// Opens a pty pair with the slave in raw mode and the device's line settings as far as
// a pty takes them. Returns false and fills `error` on failure, with nothing left open.
bool openPtyLine(PtyLine& line, std::string& error);

// Opens and configures a serial device; returns the descriptor, or -1 and `error`.
int openSerialDevice(const std::string& path, std::string& error);

// The device's line: raw, 115200 baud, 7 data bits, odd parity, 2 stop bits, XON/XOFF.
termios deviceLineSettings(termios base);

}  // namespace sim
