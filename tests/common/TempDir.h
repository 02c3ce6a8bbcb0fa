#pragma once
// A fresh folder for one test, made the current working directory while the test runs (the
// program keeps its port file there) and the data home (XDG_DATA_HOME: its "data" folder, where
// the capture history goes); removed again afterwards.
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
    std::string m_previous;
    std::optional<std::string> m_previousData;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
// The names of the entries of a folder, sorted.
std::vector<std::string> FileNames(const std::string& folder);

// What a child process reported: its text, and whether it ended by returning it.
struct ChildReport {
    bool finished = false;
    std::string text;
};

// Runs body in a forked child and hands back the text it returns. Whatever the child changes
// (resource limits, signal handling, its user, recorded messages) stays in the child, which ends
// with _exit; a child that hangs is killed after timeoutSeconds.
ChildReport RunInChildProcess(const std::function<std::string()>& body, unsigned timeoutSeconds = 60);
