// Moves 1 MiB through a pseudo-terminal with PortReadBlock, PortReadLine (80-character
// lines) and a plain read() loop, and prints each throughput and the ratio to read().
// One transfer takes a few milliseconds and depends on how the scheduler places the
// writer, so each is repeated and the median is reported.
#include "v24.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kTotal = 1 << 20;
constexpr size_t kLine = 80;
constexpr int kRounds = 21;

struct Pair {
    int master, slave;
    char path[128];
};

Pair MakePair()
{
    Pair p;
    openpty(&p.master, &p.slave, p.path, nullptr, nullptr);
    termios t;
    tcgetattr(p.master, &t);
    cfmakeraw(&t);
    tcsetattr(p.master, TCSANOW, &t);
    tcgetattr(p.slave, &t);
    cfmakeraw(&t);
    tcsetattr(p.slave, TCSANOW, &t);
    return p;
}

// Lines of 79 characters and a CR: 80 characters each.
std::string Payload()
{
    std::string data;
    while (data.size() < kTotal)
        data += std::string(kLine - 1, 'a' + static_cast<char>(data.size() / kLine % 26)) + "\r";
    data.resize(kTotal);
    data.back() = '\r'; // the last line ends too, so no read waits out the time-out
    return data;
}

// One transfer of the payload; the reader's throughput in MB/s.
template <typename Reader>
double Transfer(const std::string& data, Reader reader)
{
    Pair p = MakePair();
    setenv("V24_COM9", p.path, 1);
    auto start = std::chrono::steady_clock::now();
    std::thread far([&] {
        size_t off = 0;
        while (off < data.size()) {
            ssize_t w = write(p.master, data.data() + off, data.size() - off);
            if (w <= 0)
                break;
            off += static_cast<size_t>(w);
        }
    });
    size_t got = reader(p.slave);
    auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    far.join();
    close(p.master);
    close(p.slave);
    return got == data.size() ? got / secs / 1e6 : 0.0;
}

template <typename Reader>
double Measure(const char* label, Reader reader)
{
    const std::string data = Payload();
    std::vector<double> rounds;
    for (int i = 0; i < kRounds; ++i)
        rounds.push_back(Transfer(data, reader));
    std::sort(rounds.begin(), rounds.end());
    double median = rounds[rounds.size() / 2];
    std::printf("%-14s %8zu bytes x %d  median %8.1f MB/s  (min %.1f, max %.1f)\n", label,
                data.size(), kRounds, median, rounds.front(), rounds.back());
    return median;
}

} // namespace

int main()
{
    double plain = Measure("read()", [](int fd) {
        std::vector<char> buf(kTotal);
        size_t got = 0;
        while (got < kTotal) {
            ssize_t n = read(fd, buf.data() + got, kTotal - got);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        return got;
    });
    double block = Measure("PortReadBlock", [](int) {
        int32_t h = PortOpen("COM9", 1);
        std::vector<char> buf(kTotal);
        size_t got = 0;
        while (got < kTotal) {
            int32_t n = PortReadBlock(h, buf.data() + got, static_cast<int32_t>(kTotal - got));
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        PortClose(h);
        return got;
    });
    double line = Measure("PortReadLine", [](int) {
        int32_t h = PortOpen("COM9", 1);
        char buf[kLine + 1];
        size_t got = 0;
        while (got < kTotal) {
            int32_t n = PortReadLine(h, buf, kLine, 13);
            if (n <= 0 && PortQueueEmpty(h, 0))
                break;
            got += static_cast<size_t>(n) + 1;
        }
        PortClose(h);
        return got > kTotal ? kTotal : got;
    });
    std::printf("PortReadBlock / read(): %.2f\nPortReadLine / read():  %.2f\n", block / plain,
                line / plain);
    return 0;
}
