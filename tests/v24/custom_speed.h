// Line speeds outside the termios constants, set and read through the kernel's termios2.
#pragma once

#include <cstdint>

namespace v24test {

// Sets the tty's input and output speed to any rate; false if the driver refused it.
bool SetCustomSpeed(int fd, uint32_t baud);
// The tty's output speed in baud as the driver holds it, custom rates included; 0 on failure.
uint32_t DriverSpeed(int fd);

} // namespace v24test
