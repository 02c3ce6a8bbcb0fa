// Two korva programs started on one port, as a user who starts the program twice: the built
// program, not a test double, against the simulated device. The second never reaches the
// device while the first holds the port, shows no message box, and finds the device once the
// first has ended. Windows are counted on a virtual X server where there is one.
#include "TempDir.h"

#include "engine.h"
#include "line_setup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Environment = std::map<std::string, std::string>;

// A search cycle of the program lasts 400 ticks of 10 ms: the second program is watched for
// two and a half, and given generous time-outs for its start and its search on a busy machine.
constexpr auto kTwoCycles = 10s;
constexpr auto kStartUp = 30s;
constexpr auto kSearch = 30s;

// A program in a process group of its own that dies with the test and is ended with its
// object. Its output goes to a log file that a failing test shows.
class CProgram {
public:
    CProgram(const std::vector<std::string>& argv, const Environment& env, const std::string& log)
        : m_log(log)
    {
        // Everything the child needs is made before the fork: a child of a process with
        // threads calls nothing but system calls.
        std::vector<std::string> envText;
        for (const auto& [name, value] : env)
            envText.push_back(name + "=" + value);
        std::vector<char*> args, envp;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        for (const std::string& e : envText)
            envp.push_back(const_cast<char*>(e.c_str()));
        args.push_back(nullptr);
        envp.push_back(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ~CProgram() { Stop(); }
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Running()
    {
        Reap(0ms);
        return !m_status.has_value();
    }
    // The exit status once the program has ended, waiting at most timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout)
    {
        Reap(timeout);
        return m_status;
    }
    // SIGTERM, then SIGKILL for a program that does not end within a few seconds.
    void Stop()
    {
        if (m_pid <= 0 || !Running())
            return;
        ::kill(-m_pid, SIGTERM);
        if (!Wait(5s)) {
            ::kill(-m_pid, SIGKILL);
            Wait(5s);
        }
    }
    std::string Log() const { return ReadWholeFile(m_log); }

private:
    void Reap(std::chrono::milliseconds timeout)
    {
        const auto end = Clock::now() + timeout;
        while (m_pid > 0 && !m_status) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = status;
            else if (Clock::now() >= end)
                return;
            else
                std::this_thread::sleep_for(20ms);
        }
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::string m_log;
};

Environment CurrentEnvironment()
{
    Environment env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    return env;
}

// Runs a short tool to its end; its output, or nothing when it failed or did not end in time.
std::optional<std::string> RunTool(const std::vector<std::string>& argv, const Environment& env,
                                   const std::string& log)
{
    CProgram tool(argv, env, log);
    const std::optional<int> status = tool.Wait(10s);
    if (!status)
        return std::nullopt;
    return tool.Log();
}

bool IsExecutable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

// A virtual X server on a display number of its own choosing.
class CVirtualDisplay {
public:
    explicit CVirtualDisplay(const std::string& folder)
    {
        const std::string xvfb = "/usr/bin/Xvfb";
        if (!IsExecutable(xvfb) || !IsExecutable(kXdotool))
            return;
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        // The server writes its display number to the descriptor once it accepts clients.
        Environment env = CurrentEnvironment();
        m_server = std::make_unique<CProgram>(
            std::vector<std::string>{xvfb, "-displayfd", std::to_string(pipeFds[1]), "-nolisten", "tcp",
                                     "-screen", "0", "1024x768x24"},
            env, folder + "/xvfb.log");
        ::close(pipeFds[1]);
        std::string number;
        pollfd p{pipeFds[0], POLLIN, 0};
        char c;
        while (::poll(&p, 1, 10000) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipeFds[0]);
        if (!number.empty())
            m_display = ":" + number;
    }

    bool Available() const { return !m_display.empty(); }
    const std::string& Name() const { return m_display; }

    static constexpr const char* kXdotool = "/usr/bin/xdotool";

private:
    std::unique_ptr<CProgram> m_server;
    std::string m_display;
};

class TwoProgramsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(sim::openPtyLine(m_line, error)) << error;
        sim::Settings fast;
        fast.charsPerSecond = 0;
        m_device = std::make_unique<sim::Engine>(m_line.master, fast);
        m_device->start();
        m_display = std::make_unique<CVirtualDisplay>(dir.path());
    }

    void TearDown() override
    {
        m_device.reset();
        ::close(m_line.slave);
    }

    Environment ProgramEnvironment() const
    {
        Environment env = CurrentEnvironment();
        env["V24_COM1"] = m_line.slavePath;
        env["HOME"] = dir.path();
        env["XDG_CONFIG_HOME"] = dir.path() + "/config";
        if (m_display->Available()) {
            env["QT_QPA_PLATFORM"] = "xcb";
            env["DISPLAY"] = m_display->Name();
        } else {
            env["QT_QPA_PLATFORM"] = "offscreen";
        }
        return env;
    }

    std::unique_ptr<CProgram> StartKorva(const std::string& name)
    {
        return std::make_unique<CProgram>(std::vector<std::string>{KORVA_PATH}, ProgramEnvironment(),
                                          dir.file(name + ".log"));
    }

    size_t QueriesTaken() const
    {
        size_t count = 0;
        for (const sim::LogEntry& entry : m_device->log())
            count += entry == sim::LogEntry{sim::LogEntry::Kind::Command, "R"} ? 1 : 0;
        return count;
    }

    bool WaitForQueries(size_t count, Clock::duration timeout) const
    {
        const auto end = Clock::now() + timeout;
        while (QueriesTaken() < count) {
            if (Clock::now() >= end)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    // The program's windows that are shown: its main window, and a message box if it shows one.
    std::optional<size_t> ShownWindows(const CProgram& program)
    {
        Environment env = CurrentEnvironment();
        env["DISPLAY"] = m_display->Name();
        const std::optional<std::string> found =
            RunTool({CVirtualDisplay::kXdotool, "search", "--onlyvisible", "--pid", std::to_string(program.Pid())},
                    env, dir.file("xdotool.log"));
        if (!found)
            return std::nullopt;
        // One window number a line.
        size_t windows = 0;
        bool digitsOnly = true, any = false;
        for (char c : *found) {
            if (c == '\n') {
                windows += any && digitsOnly ? 1 : 0;
                digitsOnly = true;
                any = false;
            } else {
                digitsOnly = digitsOnly && c >= '0' && c <= '9';
                any = true;
            }
        }
        return windows;
    }

    bool WaitForShownWindow(const CProgram& program)
    {
        const auto end = Clock::now() + kStartUp;
        while (Clock::now() < end) {
            if (ShownWindows(program).value_or(0) > 0)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    TempWorkDir dir;
    sim::PtyLine m_line;
    std::unique_ptr<sim::Engine> m_device;
    std::unique_ptr<CVirtualDisplay> m_display;
};

TEST_F(TwoProgramsTest, SecondProgramWaitsSilentlyWhileTheFirstHoldsThePortAndFindsTheDeviceAfterIt)
{
    if (!m_display->Available())
        std::fprintf(stderr, "no virtual X server: windows are not counted\n");
    std::unique_ptr<CProgram> first = StartKorva("first");
    ASSERT_TRUE(WaitForQueries(1, kStartUp)) << first->Log();

    std::unique_ptr<CProgram> second = StartKorva("second");
    if (m_display->Available()) {
        ASSERT_TRUE(WaitForShownWindow(*second)) << second->Log();
    }
    std::this_thread::sleep_for(kTwoCycles);
    // The second program never got the port: the device saw no query from it.
    EXPECT_EQ(QueriesTaken(), 1u);
    ASSERT_TRUE(first->Running()) << first->Log();
    ASSERT_TRUE(second->Running()) << second->Log();
    if (m_display->Available()) {
        EXPECT_EQ(ShownWindows(*first), 1u) << "the first program shows a message box";
        EXPECT_EQ(ShownWindows(*second), 1u) << "the second program shows a message box";
    }

    // The port is free once the first has ended; the second finds the device.
    first->Stop();
    EXPECT_TRUE(WaitForQueries(2, kSearch)) << second->Log();
    ASSERT_TRUE(second->Running()) << second->Log();
    if (m_display->Available()) {
        EXPECT_EQ(ShownWindows(*second), 1u) << "the second program shows a message box";
    }
    second->Stop();
    EXPECT_FALSE(second->Running());
}

}  // namespace
