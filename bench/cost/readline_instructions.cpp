// Reads 256 KiB of 80-character lines through PortReadLine from a pseudo-terminal, for
// counting the instructions spent per received byte under callgrind (see cost.sh). The
// figure counts the library's own work, not the kernel's, so it is the same on a busy machine.
#include "v24.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr size_t kTotal = 256 * 1024;
constexpr size_t kLine = 80;

void MakeRaw(int fd)
{
    termios t;
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

int main()
{
    int master = -1, slave = -1;
    char path[128];
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    MakeRaw(master);
    MakeRaw(slave);
    setenv("V24_COM1", path, 1);
    const int32_t h = PortOpen("COM1", 1);
    if (h < 0) {
        std::fprintf(stderr, "PortOpen: %d\n", h);
        return 1;
    }
    std::string data;
    while (data.size() < kTotal)
        data += std::string(kLine - 1, static_cast<char>('a' + data.size() / kLine % 26)) + "\r";
    std::thread writer([&] {
        for (size_t done = 0; done < data.size();) {
            const ssize_t w = write(master, data.data() + done, data.size() - done);
            if (w <= 0)
                break;
            done += static_cast<size_t>(w);
        }
    });
    char line[501];
    size_t received = 0;
    while (received < data.size()) {
        const int32_t n = PortReadLine(h, line, 500, '\r');
        if (n < 0)
            break;
        received += static_cast<size_t>(n) + 1;  // the CR is taken too
    }
    writer.join();
    PortClose(h);
    std::printf("%zu\n", received);
    return received == data.size() ? 0 : 1;
}
