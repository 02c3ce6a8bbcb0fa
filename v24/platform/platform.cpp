#include "platform.h"

#include "../v24.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace v24 {

CommPlatform& PosixPlatform(); // comm_posix.cpp

namespace {
std::atomic<CommPlatform*> g_platform{nullptr};
}

CommPlatform& Platform()
{
    CommPlatform* p = g_platform.load(std::memory_order_acquire);
    return p ? *p : PosixPlatform();
}

CommPlatform* SetCommPlatform(CommPlatform* platform)
{
    CommPlatform* previous = g_platform.exchange(platform, std::memory_order_acq_rel);
    return previous ? previous : &PosixPlatform();
}

namespace {

struct ErrnoEntry {
    int err;
    int32_t code;  // PortOpen's result
    int32_t cause; // PortLastOpenFailure's result
};

// Permission and a port held elsewhere share PortOpen's -1 but keep causes of their own: the
// user's remedy differs.
constexpr ErrnoEntry kErrnoTable[] = {
    {ENOENT, PORT_E_NOPORT, PORT_CAUSE_NOT_FOUND},
    {ENODEV, PORT_E_NOPORT, PORT_CAUSE_NOT_FOUND},
    {ENXIO, PORT_E_NOPORT, PORT_CAUSE_NOT_FOUND},
    {ENOTDIR, PORT_E_API, PORT_CAUSE_NOT_FOUND},
    {ENAMETOOLONG, PORT_E_API, PORT_CAUSE_NOT_FOUND},
    {ELOOP, PORT_E_API, PORT_CAUSE_NOT_FOUND},
    {EACCES, PORT_E_ACCESS, PORT_CAUSE_DENIED},
    {EPERM, PORT_E_ACCESS, PORT_CAUSE_DENIED},
    {EROFS, PORT_E_API, PORT_CAUSE_DENIED},
    {EBUSY, PORT_E_ACCESS, PORT_CAUSE_IN_USE},
    {EWOULDBLOCK, PORT_E_ACCESS, PORT_CAUSE_IN_USE}, // a lock held by another opener
    {ENOTTY, PORT_E_API, PORT_CAUSE_NOT_SERIAL},     // tcgetattr or TIOCEXCL on a plain file
    {EISDIR, PORT_E_API, PORT_CAUSE_NOT_SERIAL},
    {ENOMEM, PORT_E_NOMEM, PORT_CAUSE_OTHER},
    {ENOBUFS, PORT_E_NOMEM, PORT_CAUSE_OTHER},
};

const ErrnoEntry* FindErrno(int err)
{
    for (const ErrnoEntry& e : kErrnoTable) {
        if (e.err == err)
            return &e;
    }
    return nullptr;
}

} // namespace

int32_t PortErrorFromErrno(int err)
{
    const ErrnoEntry* e = FindErrno(err);
    return e ? e->code : PORT_E_API;
}

int32_t OpenCauseFromErrno(int err)
{
    const ErrnoEntry* e = FindErrno(err);
    return e ? e->cause : PORT_CAUSE_OTHER;
}

int CommPlatform::deviceFile(const char* devicePath, char* out, size_t size, int32_t* source)
{
    if (std::strlen(devicePath) >= size)
        return ENAMETOOLONG;
    std::strcpy(out, devicePath);
    *source = PORT_FROM_DEFAULT;
    return 0;
}

int CommPlatform::setDeviceFile(const char*, const char*)
{
    return 0;
}

int CommPlatform::startThread(std::thread& thread, void (*routine)(void*), void* arg)
{
    try {
        thread = std::thread(routine, arg);
    } catch (const std::system_error& e) {
        return e.code().value() ? e.code().value() : EAGAIN;
    }
    return 0;
}

void CommPlatform::lowerThreadPriority()
{
    // Below normal: one nice step above the process's own; refusal changes nothing.
    pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0 && nice < 19)
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice + 1);
}

void CommPlatform::sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace v24
