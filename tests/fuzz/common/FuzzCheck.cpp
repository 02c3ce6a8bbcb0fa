#include "FuzzCheck.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

void FuzzFail(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", rule, file, line);
    std::fflush(stderr);
    __builtin_trap();
}

namespace {
std::string g_workDir;

void RemoveWorkDir()
{
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(g_workDir, ec);
}
}  // namespace

void EnterFuzzWorkDir()
{
    char pattern[] = "/tmp/korva-fuzz-XXXXXX";
    if (!mkdtemp(pattern))
        FuzzFail("mkdtemp makes the working folder", __FILE__, __LINE__);
    g_workDir = pattern;
    std::filesystem::current_path(g_workDir);
    std::atexit(RemoveWorkDir);
}

void StartOffscreenApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "korva-fuzz";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends: libFuzzer never returns from its loop.
    new QApplication(argc, argv);
}
