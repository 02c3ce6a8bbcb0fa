// The termios backend's pure parts: device-file lookup and the translation between the
// library's line settings and termios flags. Tests call them without a device.
#pragma once

#include "platform.h"

#include <termios.h>

#include <cstddef>

namespace v24 {

// Maps the library's device path ("\\.\COM3", or the bare name) to a device file: the
// environment variable V24_<name> when set, else the program's file for the device path,
// else COMn -> /dev/ttyS<n-1>; *source (if given) says which (PORT_FROM_*). 0, or ENOENT
// when the name has no device file (an empty file from the program among them),
// ENAMETOOLONG when out is too small.
int ResolveDeviceFile(const char* devicePath, char* out, size_t outSize, int32_t* source = nullptr);
// Keeps file as the program's device file for the device path ("\\.\COM3"); nullptr
// removes it. 0, or ENAMETOOLONG (PORT_FILE_MAX bytes or more), ENOMEM.
int SetProgramDeviceFile(const char* devicePath, const char* file);

// termios speed constant of a baud rate; false for a rate termios has no constant for.
bool SpeedFromBaud(uint32_t baud, speed_t* speed);
// Baud rate of a termios speed constant; 0 for an unknown one.
uint32_t BaudFromSpeed(speed_t speed);

// Writes the settings into t: raw mode (no echo, no canonical input, no CR/LF translation,
// no stripping), format, parity checking and flow control. Other bits of t are kept, and so
// is its speed for baud rate 0 (a speed BaudFromSpeed has no number for).
// false (t unchanged) for a value termios cannot express: data bits outside 5..8, 1.5 stop
// bits, a baud rate without a speed constant, an unknown parity code.
bool TermiosFromSettings(const CommSettings& settings, termios* t);

// Reads format and flow control from t into settings; fields termios does not hold
// (thresholds, DTR/RTS control, error flags) keep their values.
void SettingsFromTermios(const termios& t, CommSettings* settings);

} // namespace v24
