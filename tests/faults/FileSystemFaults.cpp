#include "FileSystemFaults.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// A bind mount on the working folder is only seen through a path looked up anew; the old
// working folder still stands for the folder underneath.
void EnterAgain(const std::string& folder)
{
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) && folder == cwd && ::chdir(folder.c_str()) != 0)
        return;
}

}  // namespace

bool EnterPrivateMounts(std::string& why)
{
    static std::string s_why = [] {
        if (::geteuid() != 0)
            return std::string("needs root");
        if (::unshare(CLONE_NEWNS) != 0)
            return Failure("unshare");
        // Nothing mounted from here on reaches the rest of the machine.
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return Failure("mount --make-rprivate /");
        return std::string();
    }();
    why = s_why;
    return why.empty();
}

CReadOnlyPath::CReadOnlyPath(std::string path) : m_path(std::move(path))
{
    struct stat st;
    if (::stat(m_path.c_str(), &st) != 0) {
        m_why = Failure("stat");
        return;
    }
    if (::geteuid() != 0) {
        m_mode = st.st_mode & 07777;
        if (::chmod(m_path.c_str(), m_mode & ~0222u) != 0)
            m_why = Failure("chmod");
        return;
    }
    if (!EnterPrivateMounts(m_why))
        return;
    if (::mount(m_path.c_str(), m_path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        m_why = Failure("mount --bind");
        return;
    }
    m_bMounted = true;
    if (::mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        m_why = Failure("mount -o remount,ro");
        return;
    }
    EnterAgain(m_path);
}

CReadOnlyPath::~CReadOnlyPath()
{
    if (m_bMounted) {
        ::umount2(m_path.c_str(), MNT_DETACH);
        EnterAgain(m_path);
    } else if (m_mode != 0) {
        ::chmod(m_path.c_str(), m_mode);
    }
}

CSmallFileSystem::CSmallFileSystem(std::string folder, unsigned kilobytes) : m_folder(std::move(folder))
{
    if (!EnterPrivateMounts(m_why))
        return;
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    if (::mount("korva-test", m_folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        m_why = Failure("mount -t tmpfs");
}

CSmallFileSystem::~CSmallFileSystem()
{
    if (Active())
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

bool CSmallFileSystem::FillUp(const std::string& fillerName)
{
    const std::string path = m_folder + "/" + fillerName;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    char chunk[4096];
    std::memset(chunk, 'x', sizeof chunk);
    ssize_t written;
    do {
        written = ::write(fd, chunk, sizeof chunk);
    } while (written > 0);
    const bool full = written < 0 && errno == ENOSPC;
    ::close(fd);
    return full;
}
