#pragma once
// The programs an end-to-end test starts (X server, simulator, korva, xdotool). Each runs in a
// process group of its own, is killed by the kernel if the test process dies, and is ended
// together with its group when its object goes, so that a failing test leaves nothing behind.
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

using Environment = std::map<std::string, std::string>;

// The test process's own environment, as a starting point for a child's.
Environment CurrentEnvironment();

struct LaunchRequest {
    std::vector<std::string> argv;  // argv[0] is a path or a name looked up in PATH
    Environment env;
    std::string workDir;            // empty: the test's own
    std::string logFile;            // stderr (and stdout unless captured); empty: /dev/null
    bool captureStdout = false;
};

class ChildProcess {
public:
    // Throws std::runtime_error when the process cannot be made; a program that cannot be
    // executed ends at once with status 127.
    explicit ChildProcess(const LaunchRequest& request);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // One line of the child's stdout without its newline; nothing when the child closed it
    // or no whole line came within the time-out.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // All the child's stdout until it closes it, or as much as came within the time-out.
    std::string ReadAll(std::chrono::milliseconds timeout);

    bool Running();
    // The exit status (as from waitpid) once the child has ended, waiting at most timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

    // Pauses and resumes the whole group, as a device that stops answering and comes back.
    void Suspend();
    void Resume();

    // SIGTERM to the group, SIGKILL if it has not ended within a few seconds; idempotent.
    void Stop();

private:
    bool FillBuffer(std::chrono::steady_clock::time_point deadline);

    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_bReaped = false;
    int m_nStatus = 0;
    std::string m_buffer;
};

struct ToolResult {
    int exitCode = -1;  // -1: did not end within its time-out, or was killed
    std::string output;
};

// Runs a short command to its end and hands back its exit code and stdout.
ToolResult RunTool(const std::vector<std::string>& argv, const Environment& env,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));
