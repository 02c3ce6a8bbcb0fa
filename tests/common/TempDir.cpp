#include "TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TempWorkDir::TempWorkDir()
{
    char pattern[] = "/tmp/korva-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
    if (const char* data = std::getenv("XDG_DATA_HOME"))
        m_previousData = data;
    setenv("XDG_DATA_HOME", file("data").c_str(), 1);
}

TempWorkDir::~TempWorkDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    if (m_previousData)
        setenv("XDG_DATA_HOME", m_previousData->c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

std::vector<std::string> FileNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ChildReport RunInChildProcess(const std::function<std::string()>& body, unsigned timeoutSeconds)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(fds[0]);
        alarm(timeoutSeconds);
        const std::string text = body();
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                _exit(2);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    ChildReport report;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fds[0], chunk, sizeof chunk)) != 0) {
        if (n > 0)
            report.text.append(chunk, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    report.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return report;
}
