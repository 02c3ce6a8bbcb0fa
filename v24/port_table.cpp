// The port table: open, close and the per-port watch thread.
#include "port_slot.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace v24 {

namespace {

using Poster = void (*)(PortWindow, uint32_t, intptr_t, intptr_t);

PortSlot g_ports[PORT_MAX];
std::atomic<Poster> g_poster{nullptr};
std::atomic<PortTap> g_tap{nullptr};
std::atomic<void*> g_tapContext{nullptr};

// How long open waits for the watch thread to report its start.
constexpr uint32_t kThreadStartMs = 5000;
constexpr size_t kMaxNameChars = 5;
constexpr char kPathPrefix[] = "\\\\.\\";

// "COMn" in any case is taken whole, "\\.\NAME" without its prefix; the path keeps at most
// five name characters, upper-cased.
int32_t FormDevicePath(const char* name, char (&path)[32])
{
    if (!name)
        return PORT_E_NOPORT;
    const char* rest;
    if (strncasecmp(name, "COM", 3) == 0)
        rest = name;
    else if (std::strncmp(name, kPathPrefix, 4) == 0)
        rest = name + 4;
    else
        return PORT_E_NOPORT;
    std::strcpy(path, kPathPrefix);
    size_t len = 4;
    for (size_t i = 0; i < kMaxNameChars && rest[i]; ++i)
        path[len++] = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[i])));
    path[len] = '\0';
    return 0;
}

// What the last PortOpen that failed tried, for PortLastOpenFailure. Opens run on the
// program's one thread.
struct OpenFailure {
    int32_t cause = PORT_CAUSE_NONE;
    int32_t platformError = 0;
    char file[PORT_FILE_MAX] = "";
};
OpenFailure g_lastOpen;

// Keeps why an open failed: the platform error (0 when the library refused on its own) and
// the device file it tried. A name without a device file is its own cause, whatever the
// error; so is a refusal of the library's own.
int32_t RememberOpenFailure(const char* devicePath, int err, int32_t result)
{
    g_lastOpen.platformError = err;
    int32_t source = 0;
    if (!devicePath || Platform().deviceFile(devicePath, g_lastOpen.file, sizeof g_lastOpen.file, &source) != 0) {
        g_lastOpen.file[0] = '\0';
        g_lastOpen.cause = devicePath ? PORT_CAUSE_NO_FILE : PORT_CAUSE_OTHER;
    } else {
        g_lastOpen.cause = err ? OpenCauseFromErrno(err) : PORT_CAUSE_OTHER;
    }
    return result;
}

void WatchThreadMain(void* arg)
{
    PortSlot& s = *static_cast<PortSlot*>(arg);
    CommPlatform& p = *s.platform;
    p.lowerThreadPriority();
    if (p.startWatch(s.osHandle) != 0) {
        s.lastError = PORT_E_COMMMASK;
        s.watchState = kWatchFailed;
        s.threadEvent.set();
        return;
    }
    s.watchState = kWatchRunning;
    s.threadEvent.set();

    // After a hang-up the device stays "ready" for ever; it is reported once and the
    // thread then waits for close only, so that it never spins.
    bool hungUp = false;
    while (s.isOpen.load()) {
        WatchResult r = p.waitEvent(s.osHandle, !hungUp);
        if (r == WatchResult::Woken)
            continue;
        if (r == WatchResult::HangUp)
            hungUp = true;
        // A rearm given before this arrival belongs to the input already reported.
        // Close stores isOpen before it sets rearmEvent, so a close whose rearm was just
        // reset is seen here.
        s.rearmEvent.reset();
        if (!s.isOpen.load())
            break;
        s.rxEvent.set();
        PostNotify(s, s.notifyWindow.load(), s.notifyMessage.load());
        // One report per arrival: silent until a reader found the input drained.
        s.rearmEvent.wait(Event::kInfinite);
    }
    p.stopWatch(s.osHandle);
    s.threadEvent.set();
}

// Ends the watch thread for good: it is woken from both of its waits and joined, so that
// nothing of it outlives the events and the device.
void StopWatchThread(PortSlot& s)
{
    s.isOpen = 0;
    s.platform->wake(s.osHandle);
    s.rearmEvent.set();
    if (s.watchThread.thread.joinable())
        s.watchThread.thread.join();
}

Event* SlotEvent(PortSlot& s, int i)
{
    Event* events[] = {&s.threadEvent, &s.rxEvent, &s.rearmEvent};
    return events[i];
}
constexpr int kEventCount = 3;

// Releases the first `count` events; false if any release failed.
bool ReleaseEvents(PortSlot& s, int count)
{
    bool ok = true;
    for (int i = 0; i < count; ++i)
        ok = s.platform->releaseEvent(*SlotEvent(s, i)) && ok;
    return ok;
}

// The failure paths of open after the device was opened: give everything back.
int32_t FailOpen(PortSlot& s, int eventsCreated, int32_t result)
{
    s.isOpen = 0;
    ReleaseEvents(s, eventsCreated);
    s.platform->close(s.osHandle);
    s.osHandle = nullptr;
    return RememberOpenFailure(s.devicePath, s.lastError, result);
}

// The first slot that is not open, or PORT_MAX. Opens run on the program's one thread, so the
// slot needs no reservation until it is open.
int32_t FreeSlot()
{
    int32_t index = 0;
    while (index < PORT_MAX && g_ports[index].isOpen.load())
        ++index;
    return index;
}

// What an earlier opening of the slot left is forgotten, except its line errors and the levels
// of DTR and RTS, which the open sets anew.
void ResetSlot(PortSlot& s, int32_t index, const char (&path)[32])
{
    std::memcpy(s.devicePath, path, sizeof path);
    s.timeoutMs = kDefaultTimeoutMs;
    s.handshake = PORT_HS_NONE;
    s.lastError = 0;
    s.portNumber = index;
    s.notifyWindow = nullptr;
    s.notifyMessage = 0;
    s.platform = &Platform();
}

// The driver's queues, and the library's line on the opened device: baud rate and format stay
// as the driver has them. A code when the device refuses, with the device closed again.
int32_t SetUpLine(PortSlot& s)
{
    CommPlatform& p = *s.platform;
    s.inQueueSize = kDefaultInQueue;
    s.outQueueSize = kDefaultOutQueue;
    if (int err = p.setupQueues(s.osHandle, s.inQueueSize, s.outQueueSize)) {
        s.lastError = err;
        return FailOpen(s, 0, PORT_E_API);
    }
    CommSettings settings;
    if (int err = p.getState(s.osHandle, &settings)) {
        s.lastError = err;
        return FailOpen(s, 0, PORT_E_API);
    }
    settings.binary = true;
    settings.parityCheck = true;
    settings.outxDsrFlow = false;
    settings.outxCtsFlow = false;
    settings.dtrControl = kLineEnable;
    settings.rtsControl = kLineEnable;
    settings.outX = false;
    settings.inX = false;
    settings.abortOnError = false;
    settings.xonChar = kXonChar;
    settings.xoffChar = kXoffChar;
    SetFlowThresholds(s, settings);
    settings.eofChar = 0;
    settings.evtChar = 0;
    if (int err = p.setState(s.osHandle, settings)) {
        s.lastError = err;
        return FailOpen(s, 0, PORT_E_API);
    }
    s.settings = settings;
    return 0;
}

// The slot's events and its watch thread, which must report its start. A code when either
// cannot be had, with everything given back.
int32_t StartWatch(PortSlot& s)
{
    CommPlatform& p = *s.platform;
    for (int i = 0; i < kEventCount; ++i) {
        if (!p.createEvent(*SlotEvent(s, i), false))
            return FailOpen(s, i, PORT_E_EVENT);
    }
    s.watchState = kWatchStarting;
    if (int err = p.startThread(s.watchThread.thread, WatchThreadMain, &s)) {
        s.lastError = err;
        return FailOpen(s, kEventCount, PORT_E_API);
    }
    // A thread that reports failure will never start; open need not wait the full time.
    if (!s.threadEvent.wait(kThreadStartMs) || s.watchState.load() != kWatchRunning) {
        StopWatchThread(s);
        return FailOpen(s, kEventCount, PORT_E_THREAD);
    }
    return 0;
}

} // namespace

int32_t CheckHandle(int32_t handle, PortSlot** slot)
{
    if (handle < 0 || handle >= PORT_MAX)
        return PORT_E_HANDLE;
    if (!g_ports[handle].isOpen.load())
        return PORT_E_CLOSED;
    *slot = &g_ports[handle];
    return 0;
}

namespace {

// A platform that reports an error without counting it has seen it once at least.
uint32_t CountOf(uint32_t count, bool reported)
{
    return count > 0 ? count : reported ? 1 : 0;
}

} // namespace

void MergeLineErrors(PortSlot& s, const CommStatus& status)
{
    const uint32_t errors = status.errors;
    if (errors & (kErrRxOver | kErrOverrun))
        s.lineErrors |= PORT_LE_OVERRUN;
    if (errors & kErrParity)
        s.lineErrors |= PORT_LE_PARITY;
    if (errors & kErrFrame)
        s.lineErrors |= PORT_LE_FRAMING;
    s.errorCounts.overrun += CountOf(status.overrunCount, (errors & (kErrRxOver | kErrOverrun)) != 0);
    s.errorCounts.parity += CountOf(status.parityCount, (errors & kErrParity) != 0);
    s.errorCounts.framing += CountOf(status.frameCount, (errors & kErrFrame) != 0);
}

void TapBytes(const PortSlot& s, int32_t direction, const void* data, uint32_t n)
{
    if (n == 0)
        return;
    if (PortTap tap = g_tap.load())
        tap(g_tapContext.load(), s.portNumber, direction, data, n);
}

void PostNotify(PortSlot& s, PortWindow window, uint32_t message)
{
    if (!window || !message)
        return;
    if (Poster post = g_poster.load())
        post(window, message, s.portNumber, 0);
}

} // namespace v24

using namespace v24;

extern "C" void PortSetMessagePoster(void (*post)(PortWindow, uint32_t, intptr_t, intptr_t))
{
    g_poster = post;
}

extern "C" void PortSetTap(PortTap tap, void* context)
{
    g_tapContext = context;
    g_tap = tap;
}

extern "C" int32_t PortMaxPorts(void) { return PORT_MAX; }

extern "C" int32_t PortOpen(const char* name, int32_t exclusive)
{
    char path[32];
    if (int32_t rc = FormDevicePath(name, path))
        return RememberOpenFailure(nullptr, 0, rc);
    const int32_t index = FreeSlot();
    if (index == PORT_MAX)
        return RememberOpenFailure(path, 0, PORT_E_NOSLOT);

    PortSlot& s = g_ports[index];
    ResetSlot(s, index, path);
    if (int err = s.platform->open(s.devicePath, exclusive != 0, &s.osHandle)) {
        s.lastError = err;
        s.osHandle = nullptr;
        return RememberOpenFailure(s.devicePath, err, PortErrorFromErrno(err));
    }
    if (int32_t rc = SetUpLine(s))
        return rc;
    s.isOpen = 1;
    if (int32_t rc = StartWatch(s))
        return rc;

    s.platform->setModemLine(s.osHandle, kLineDtr, true);
    s.dtrState = 1;
    s.platform->setModemLine(s.osHandle, kLineRts, true);
    s.rtsState = 1;
    s.readAheadPos = s.readAheadEnd = 0;
    g_lastOpen = OpenFailure();
    return index;
}

extern "C" int32_t PortClose(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    StopWatchThread(*s);
    bool ok = s->platform->close(s->osHandle) == 0;
    s->osHandle = nullptr;
    ok = ReleaseEvents(*s, kEventCount) && ok;
    return ok ? 0 : PORT_E_API;
}

extern "C" int32_t PortSetDeviceFile(const char* name, const char* file)
{
    char path[32];
    if (int32_t rc = FormDevicePath(name, path))
        return rc;
    if (file && std::strlen(file) >= PORT_FILE_MAX)
        return PORT_E_VALUE;
    const int err = Platform().setDeviceFile(path, file);
    return err ? PortErrorFromErrno(err) : 0;
}

extern "C" int32_t PortDeviceFile(const char* name, char* file, uint32_t size)
{
    char path[32];
    if (int32_t rc = FormDevicePath(name, path))
        return rc;
    if (!file || size == 0)
        return PORT_E_VALUE;
    char found[PORT_FILE_MAX];
    int32_t source = 0;
    if (Platform().deviceFile(path, found, sizeof found, &source) != 0) {
        file[0] = '\0';
        return PORT_E_NOPORT;
    }
    const size_t length = std::strlen(found);
    if (length >= size)
        return PORT_E_VALUE;
    std::memcpy(file, found, length + 1);
    return source;
}

extern "C" int32_t PortLastOpenFailure(int32_t* platformError, char* file, uint32_t size)
{
    if (platformError)
        *platformError = g_lastOpen.platformError;
    if (file && size > 0) {
        const size_t n = std::min<size_t>(std::strlen(g_lastOpen.file), size - 1);
        std::memcpy(file, g_lastOpen.file, n);
        file[n] = '\0';
    }
    return g_lastOpen.cause;
}
