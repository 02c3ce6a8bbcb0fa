// The port table shared by the library's parts; not part of the public interface.
#pragma once

#include "v24.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace v24 {

constexpr int32_t kDefaultTimeoutMs = 1000;
constexpr uint32_t kDefaultInQueue = 4096;
constexpr uint32_t kDefaultOutQueue = 2048;
// As large as the terminal line discipline's own buffer: each read() of a tty first pushes
// the driver's pending input through and costs about as much as taking 4 KiB, so a refill
// takes everything the driver holds in one call.
constexpr uint32_t kReadAheadSize = 4096;
constexpr char kXonChar = 17;
constexpr char kXoffChar = 19;

// The watch thread's start report, read by open after threadEvent.
enum WatchState : int32_t { kWatchStarting = 0, kWatchRunning = 1, kWatchFailed = 2 };

// A thread handle that lets the process end with a port still open: a still-joinable
// thread at exit is left to the process's end instead of aborting it.
struct WatchThread {
    std::thread thread;
    ~WatchThread()
    {
        if (thread.joinable())
            thread.detach();
    }
};

struct PortSlot {
    char devicePath[32];
    int32_t portNumber;
    CommPlatform* platform; // the platform the port was opened on
    CommDevice* osHandle;
    // Written by the caller's thread, read by the watch thread when it posts.
    std::atomic<PortWindow> notifyWindow;
    std::atomic<uint32_t> notifyMessage;
    std::atomic<int32_t> isOpen;
    std::atomic<int32_t> lastError;
    int32_t dtrState;
    int32_t rtsState;
    CommSettings settings;
    CommStatus commStatus;
    WatchThread watchThread;
    std::atomic<int32_t> watchState;
    Event threadEvent; // auto-reset: started, and ended
    Event rxEvent;     // auto-reset: the watch thread saw input
    Event rearmEvent;  // auto-reset: a reader found the input drained
    unsigned char readAhead[kReadAheadSize];
    uint32_t readAheadEnd;
    uint32_t readAheadPos;
    uint32_t outQueueSize;
    uint32_t inQueueSize;
    uint32_t xonLevel;
    uint32_t xoffLevel;
    uint32_t lineErrors;
    PortLineErrorCounts errorCounts; // the errors behind lineErrors, counted by kind
    int32_t timeoutMs;
    int32_t handshake;
};

// The one door of every operation on a handle: 0 with *slot set, or -19 / -4.
int32_t CheckHandle(int32_t handle, PortSlot** slot);

// The XON/XOFF thresholds that follow from the input queue's size, in the slot and in settings:
// XON when the input has drained to a quarter, XOFF when it is three quarters full.
void SetFlowThresholds(PortSlot& s, CommSettings& settings);

// Merges the platform's receive errors into the slot's line errors and their counts.
void MergeLineErrors(PortSlot& s, const CommStatus& status);

// The tap's report of bytes that passed the port (PortSetTap); nothing without a tap.
void TapBytes(const PortSlot& s, int32_t direction, const void* data, uint32_t n);

// The library's two posting paths (watch thread, PortSetNotify) share this.
void PostNotify(PortSlot& s, PortWindow window, uint32_t message);

} // namespace v24
