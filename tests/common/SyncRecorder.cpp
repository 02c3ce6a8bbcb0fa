#include "SyncRecorder.h"

#include "TempDir.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::vector<std::pair<std::string, std::string>> g_syncs;
std::string g_watched;

}  // namespace

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (!g_watched.empty()) {
        char path[PATH_MAX] = "";
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        [[maybe_unused]] const ssize_t n = readlink(link.c_str(), path, sizeof path - 1);
        g_syncs.emplace_back(path, FileExists(g_watched) ? ReadWholeFile(g_watched) : "(none)");
    }
    return real(fd);
}

CSyncRecorder::CSyncRecorder(std::string watched)
{
    g_syncs.clear();
    g_watched = std::move(watched);
}

CSyncRecorder::~CSyncRecorder()
{
    g_watched.clear();
}

const std::vector<std::pair<std::string, std::string>>& CSyncRecorder::Syncs() const
{
    return g_syncs;
}

std::string RealPath(const std::string& path)
{
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? std::string(real) : path;
}
