#include "platform.h"

#include "../v24.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
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

int32_t PortErrorFromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return PORT_E_NOPORT;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK: // a lock held by another opener
        return PORT_E_ACCESS;
    case ENOMEM:
    case ENOBUFS:
        return PORT_E_NOMEM;
    default:
        return PORT_E_API;
    }
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
