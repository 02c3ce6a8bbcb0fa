// Measures korva's start-up to the first shown main window and its resident memory while idle.
// Run through bench/app/startup.sh, which gives it an X server; by hand:
//   DISPLAY=:N startup_probe [--runs N] [--idle-seconds S] <path to korva> [korva's arguments]
// Each run starts korva in a fresh folder, with COM1 on a pseudo-terminal that never answers
// (a user without a device: the program searches), so that no real serial port is touched.
// The time runs from just before exec to the MapNotify of the top-level window whose name ends
// in "DATA-TRANSFER"; after that the program is left alone for S seconds and VmRSS is read
// from /proc. Prints each run, then the medians. No pass/fail: the figures are for reading.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kCaptionEnd = "DATA-TRANSFER";
constexpr int kMapTimeoutMs = 20000;
constexpr int kDefaultRuns = 7;
constexpr int kDefaultIdleSeconds = 5;

struct Options {
    int runs = kDefaultRuns;
    int idleSeconds = kDefaultIdleSeconds;
    std::vector<std::string> korva;  // the program and its arguments
};

struct Run {
    double startupMs = 0;
    double rssMb = 0;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
        if (i + 1 >= argc)
            return false;
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--runs") == 0 && value > 0)
            options.runs = value;
        else if (std::strcmp(argv[i], "--idle-seconds") == 0 && value >= 0)
            options.idleSeconds = value;
        else
            return false;
    }
    options.korva.assign(argv + i, argv + argc);
    return !options.korva.empty();
}

// A line with nothing at the far end; the master is kept open (and drained) so that the
// program sees a quiet device rather than a hung-up one.
struct SilentLine {
    int master = -1;
    std::string slave;
};

std::optional<SilentLine> OpenSilentLine()
{
    SilentLine line;
    line.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (line.master < 0 || ::grantpt(line.master) != 0 || ::unlockpt(line.master) != 0)
        return std::nullopt;
    line.slave = ::ptsname(line.master);
    return line;
}

void Drain(int fd)
{
    char buffer[256];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool IsMainWindow(Display* display, Window window)
{
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return false;
    const std::string title(name);
    XFree(name);
    const std::string end(kCaptionEnd);
    return title.size() >= end.size() && title.compare(title.size() - end.size(), end.size(), end) == 0;
}

// Waits for the MapNotify of korva's main window among the root's children.
std::optional<Clock::time_point> WaitForMainWindow(Display* display)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(kMapTimeoutMs);
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && IsMainWindow(display, event.xmap.window))
                return Clock::now();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        ::poll(&p, 1, int(std::max<long>(1, left.count())));
    }
    return std::nullopt;
}

pid_t StartKorva(const Options& options, const std::string& folder, const std::string& port)
{
    std::vector<std::string> args = options.korva;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string config = folder + "/config";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A group of its own: korva --simulate starts the simulator, which must end with it.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::unsetenv("QT_QPA_PLATFORM");  // the real xcb platform
        ::setenv("V24_COM1", port.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (::chdir(folder.c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid > 0)
        ::setpgid(pid, pid);
    return pid;
}

double ResidentMb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;  // the value is in kB
    return 0;
}

void StopKorva(pid_t pid)
{
    ::kill(-pid, SIGTERM);
    for (int i = 0; i < 100 && ::waitpid(pid, nullptr, WNOHANG) != pid; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Whatever is left of the group (korva itself, or a simulator it started) goes now.
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

std::optional<Run> MeasureOnce(Display* display, const Options& options)
{
    char pattern[] = "/tmp/korva-startup-XXXXXX";
    if (!::mkdtemp(pattern))
        return std::nullopt;
    const std::string folder = pattern;
    const std::optional<SilentLine> line = OpenSilentLine();
    if (!line)
        return std::nullopt;
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);

    const Clock::time_point start = Clock::now();
    const pid_t pid = StartKorva(options, folder, line->slave);
    const std::optional<Clock::time_point> shown = pid > 0 ? WaitForMainWindow(display) : std::nullopt;
    std::optional<Run> run;
    if (shown) {
        run = Run{std::chrono::duration<double, std::milli>(*shown - start).count(), 0};
        for (int s = 0; s < options.idleSeconds * 10; ++s) {
            Drain(line->master);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        run->rssMb = ResidentMb(pid);
    }
    XSelectInput(display, DefaultRootWindow(display), NoEventMask);
    if (pid > 0)
        StopKorva(pid);
    ::close(line->master);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: startup_probe [--runs N] [--idle-seconds S] <korva> [korva's arguments]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_probe: no X display (DISPLAY=%s)\n", std::getenv("DISPLAY") ?: "");
        return 1;
    }
    std::vector<double> startups, residents;
    for (int i = 1; i <= options.runs; ++i) {
        const std::optional<Run> run = MeasureOnce(display, options);
        if (!run) {
            std::fprintf(stderr, "startup_probe: run %d: the main window did not appear\n", i);
            XCloseDisplay(display);
            return 1;
        }
        std::printf("run %d: start-up to the shown main window %.0f ms, resident after %d s idle %.1f MB\n", i,
                    run->startupMs, options.idleSeconds, run->rssMb);
        std::fflush(stdout);
        startups.push_back(run->startupMs);
        residents.push_back(run->rssMb);
    }
    std::printf("median of %d runs: start-up %.0f ms (target < 500 ms), idle resident memory %.1f MB (target < 60 MB)\n",
                options.runs, Median(startups), Median(residents));
    XCloseDisplay(display);
    return 0;
}
