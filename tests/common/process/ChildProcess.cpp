#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kStopGrace{5000};
constexpr milliseconds kReapPoll{20};

std::vector<char*> PointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Only async-signal-safe calls between fork and exec: the strings are made beforehand.
[[noreturn]] void BecomeChild(char* const* argv, char* const* envp, const char* workDir, const char* logFile,
                              int stdoutWrite, pid_t parent)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, STDIN_FILENO);
    const int log = *logFile ? ::open(logFile, O_WRONLY | O_CREAT | O_APPEND, 0644) : ::open("/dev/null", O_WRONLY);
    ::dup2(log, STDERR_FILENO);
    ::dup2(stdoutWrite >= 0 ? stdoutWrite : log, STDOUT_FILENO);
    if (*workDir && ::chdir(workDir) != 0)
        ::_exit(127);
    ::execvpe(argv[0], argv, envp);
    ::_exit(127);
}

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

Environment CurrentEnvironment()
{
    Environment env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    return env;
}

ChildProcess::ChildProcess(const LaunchRequest& request)
{
    if (request.argv.empty())
        throw std::runtime_error("no program to start");
    std::vector<std::string> args = request.argv;
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : request.env)
        envStrings.push_back(name + "=" + value);
    const std::vector<char*> argv = PointersTo(args);
    const std::vector<char*> envp = PointersTo(envStrings);

    int fds[2] = {-1, -1};
    if (request.captureStdout && ::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0)
        BecomeChild(argv.data(), envp.data(), request.workDir.c_str(), request.logFile.c_str(), fds[1], parent);
    // Set here too, so that the group exists before anyone signals it.
    ::setpgid(m_pid, m_pid);
    if (request.captureStdout) {
        ::close(fds[1]);
        m_stdout = fds[0];
    }
}

ChildProcess::~ChildProcess()
{
    Stop();
    if (m_stdout >= 0)
        ::close(m_stdout);
}

bool ChildProcess::FillBuffer(Clock::time_point deadline)
{
    if (m_stdout < 0)
        return false;
    pollfd p{m_stdout, POLLIN, 0};
    if (::poll(&p, 1, RemainingMs(deadline)) <= 0)
        return false;
    char chunk[4096];
    const ssize_t n = ::read(m_stdout, chunk, sizeof chunk);
    if (n <= 0) {
        ::close(m_stdout);
        m_stdout = -1;
        return false;
    }
    m_buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> ChildProcess::ReadLine(milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        if (!FillBuffer(deadline))
            return std::nullopt;
    }
}

std::string ChildProcess::ReadAll(milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (FillBuffer(deadline)) {
    }
    std::string all;
    all.swap(m_buffer);
    return all;
}

bool ChildProcess::Running()
{
    if (m_bReaped)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid || (r < 0 && errno == ECHILD)) {
        m_bReaped = true;
        m_nStatus = status;
    }
    return !m_bReaped;
}

std::optional<int> ChildProcess::Wait(milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (Running() && Clock::now() < deadline)
        ::usleep(static_cast<useconds_t>(std::chrono::microseconds(kReapPoll).count()));
    if (Running())
        return std::nullopt;
    return m_nStatus;
}

void ChildProcess::Suspend()
{
    ::kill(-m_pid, SIGSTOP);
}

void ChildProcess::Resume()
{
    ::kill(-m_pid, SIGCONT);
}

void ChildProcess::Stop()
{
    if (m_pid <= 0)
        return;
    if (Running()) {
        ::kill(-m_pid, SIGTERM);
        // A suspended group would keep the signal pending.
        ::kill(-m_pid, SIGCONT);
        if (!Wait(kStopGrace)) {
            ::kill(-m_pid, SIGKILL);
            Wait(kStopGrace);
        }
    }
    // Whatever the leader left in its group goes with it.
    ::kill(-m_pid, SIGKILL);
    m_pid = -1;
}

ToolResult RunTool(const std::vector<std::string>& argv, const Environment& env, milliseconds timeout)
{
    LaunchRequest request;
    request.argv = argv;
    request.env = env;
    request.captureStdout = true;
    ChildProcess tool(request);
    ToolResult result;
    result.output = tool.ReadAll(timeout);
    const std::optional<int> status = tool.Wait(milliseconds(1000));
    if (status && WIFEXITED(*status))
        result.exitCode = WEXITSTATUS(*status);
    return result;
}
