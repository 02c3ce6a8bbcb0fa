#include "line_setup.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {
namespace {

std::string failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

termios deviceLineSettings(termios t)
{
    ::cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | CRTSCTS);
    t.c_cflag |= CS7 | PARENB | PARODD | CSTOPB | CLOCAL | CREAD;
    t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B115200);
    ::cfsetospeed(&t, B115200);
    return t;
}

bool openPtyLine(PtyLine& line, std::string& error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = failure("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        error = failure("pty set-up");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave < 0 || ::tcgetattr(slave, &t) != 0) {
        error = failure(name);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    // A pty ignores data bits and parity; raw mode matters most: an echoing slave would
    // hand the device its own output back as commands. The device does its XON/XOFF
    // itself on the master side, so the slave does not take them away.
    t = deviceLineSettings(t);
    t.c_iflag &= ~(IXON | IXOFF);
    ::tcsetattr(slave, TCSANOW, &t);
    line = {master, slave, name};
    return true;
}

int openSerialDevice(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = failure(path.c_str());
        return -1;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0 || ::tcsetattr(fd, TCSANOW, &(t = deviceLineSettings(t))) != 0) {
        error = failure(path.c_str());
        ::close(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

}  // namespace sim
