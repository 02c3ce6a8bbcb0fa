// The safe write syncs the folder once the new file has its name, and a write the system refuses
// is reported with the system's reason. Whole-or-nothing saves are checked through the save.
#include "SafeWrite.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Each fsync of this test program: what it synced, and what the watched target held then.
std::vector<std::pair<std::string, std::string>> g_syncs;
std::string g_watched;

}  // namespace

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (!g_watched.empty()) {
        char path[4096] = "";
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        [[maybe_unused]] const ssize_t n = readlink(link.c_str(), path, sizeof path - 1);
        g_syncs.emplace_back(path, FileExists(g_watched) ? ReadWholeFile(g_watched) : "(none)");
    }
    return real(fd);
}

TEST(SafeWrite, SyncsTheFolderOnceTheNewFileHasItsName)
{
    TempWorkDir dir;
    const std::string target = dir.file("tuning.txt");
    WriteWholeFile(target, "old");
    char real[4096];
    ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
    g_syncs.clear();
    g_watched = target;
    const bool written = framework::SafeWriteBytes(QString::fromStdString(target), QByteArray("new"));
    g_watched.clear();
    ASSERT_TRUE(written);
    ASSERT_FALSE(g_syncs.empty());
    EXPECT_EQ(g_syncs.back(), std::make_pair(std::string(real), std::string("new")));
}

// Under a file-size limit in a child process that ignores SIGXFSZ, so that the write fails
// instead of ending the process.
TEST(SafeWrite, RefusedWriteGivesTheSystemsReasonAndKeepsTheOldFile)
{
    TempWorkDir dir;
    const std::string target = dir.file("tuning.txt");
    WriteWholeFile(target, "old");
    const ChildReport report = RunInChildProcess([&] {
        const rlimit limit{1000, RLIM_INFINITY};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("no limit");
        QString error;
        if (framework::SafeWriteBytes(QString::fromStdString(target), QByteArray(100000, 'x'), &error))
            return std::string("written");
        return error.toStdString();
    });
    ASSERT_TRUE(report.finished) << report.text;
    EXPECT_EQ(report.text, std::strerror(EFBIG));
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"tuning.txt"});
}
