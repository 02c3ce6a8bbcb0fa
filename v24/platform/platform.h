// The communications layer under the port library: a device, its line settings and the
// few calls the library makes on it. The termios backend (comm_posix.cpp) is the default;
// tests install an in-memory one of their own with SetCommPlatform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <thread>

#include "event.h"

namespace v24 {

// Parity and stop-bit codes of CommSettings.
enum : uint8_t { kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4 };
enum : uint8_t { kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2 };
// DTR and RTS control of CommSettings.
enum : uint8_t { kLineDisable = 0, kLineEnable = 1, kLineHandshake = 2 };

// Everything the library sets on a line: format, flow control and the XON/XOFF thresholds.
struct CommSettings {
    uint32_t baudRate = 0;
    uint8_t byteSize = 8;
    uint8_t parity = kNoParity;
    uint8_t stopBits = kOneStopBit;
    bool binary = true;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    bool outX = false;
    bool inX = false;
    bool abortOnError = false;
    uint8_t dtrControl = kLineEnable;
    uint8_t rtsControl = kLineEnable;
    uint16_t xonLim = 0;
    uint16_t xoffLim = 0;
    char xonChar = 17;
    char xoffChar = 19;
    char eofChar = 0;
    char evtChar = 0;
};

// Receive-error bits a platform reports in CommStatus::errors.
constexpr uint32_t kErrRxOver = 1, kErrOverrun = 2, kErrParity = 4, kErrFrame = 8, kErrBreak = 16;

struct CommStatus {
    uint32_t errors = 0;   // kErr* bits since the last query
    uint32_t inQueue = 0;  // bytes the driver holds for reading
    uint32_t outQueue = 0; // bytes the driver still has to send
    // How many errors of each kind came since the last query, where the driver counts them
    // (overruns include the input queue's). A bit in errors without a count counts once.
    uint32_t overrunCount = 0;
    uint32_t parityCount = 0;
    uint32_t frameCount = 0;
};

// Modem-status bits of CommPlatform::modemStatus (the library's result values).
constexpr uint32_t kModemCts = 0x10, kModemDsr = 0x20, kModemRing = 0x40, kModemCarrier = 0x80;
enum ModemLine { kLineDtr, kLineRts };
enum PurgeAction { kPurgeRxAbort, kPurgeRxClear, kPurgeTxAbort, kPurgeTxClear };
enum class WatchResult { Input, HangUp, Woken };

// A backend's open device; each backend derives its own.
struct CommDevice {
    virtual ~CommDevice() = default;
};

// Calls return 0 for success or an errno value. read and write never block: a read with
// nothing waiting succeeds with 0 bytes, a write the driver cannot take yet returns EAGAIN
// (or a short count) and the caller waits with waitWritable.
class CommPlatform {
public:
    virtual ~CommPlatform() = default;

    // devicePath is the library's form ("\\.\COM3"); the backend maps it to its device.
    virtual int open(const char* devicePath, bool exclusive, CommDevice** device) = 0;
    // Undoes open (lock, settings it changed) and releases the device.
    virtual int close(CommDevice* device) = 0;
    virtual int setupQueues(CommDevice* device, uint32_t inSize, uint32_t outSize) = 0;
    virtual int getState(CommDevice* device, CommSettings* settings) = 0;
    virtual int setState(CommDevice* device, const CommSettings& settings) = 0;

    virtual int read(CommDevice* device, void* buf, uint32_t n, uint32_t* got) = 0;
    virtual int write(CommDevice* device, const void* buf, uint32_t n, uint32_t* done) = 0;
    // True when the device can take more output within ms (0xFFFFFFFF: no limit).
    virtual bool waitWritable(CommDevice* device, uint32_t ms) = 0;
    // Receive errors since the last call (cleared by it) and the queue counts.
    virtual int clearError(CommDevice* device, CommStatus* status) = 0;
    virtual int purge(CommDevice* device, PurgeAction action) = 0;
    virtual int setBreak(CommDevice* device, bool on) = 0;
    virtual int modemStatus(CommDevice* device, uint32_t* bits) = 0;
    virtual int setModemLine(CommDevice* device, ModemLine line, bool on) = 0;

    // Watch thread side: begin watching for received characters, then wait for input, a
    // hang-up or wake(). With watchDevice false only wake() ends the wait.
    virtual int startWatch(CommDevice* device) = 0;
    virtual void stopWatch(CommDevice* device) = 0;
    virtual WatchResult waitEvent(CommDevice* device, bool watchDevice) = 0;
    virtual void wake(CommDevice* device) = 0;

    // The device file a device path opens, into out (size bytes), and where it comes from
    // (PORT_FROM_*): 0, ENOENT for a path without one, ENAMETOOLONG when out is too small. A
    // platform without device files names the device path itself.
    virtual int deviceFile(const char* devicePath, char* out, size_t size, int32_t* source);
    // The program's device file for a device path (nullptr: none); 0, or ENAMETOOLONG or
    // ENOMEM. A platform without device files ignores it.
    virtual int setDeviceFile(const char* devicePath, const char* file);

    // Events, threads and sleeping go through the platform so that a test can refuse them
    // or skip the wait.
    virtual bool createEvent(Event& event, bool manualReset) { return event.create(manualReset); }
    virtual bool releaseEvent(Event& event) { return event.release(); }
    virtual int startThread(std::thread& thread, void (*routine)(void*), void* arg);
    virtual void lowerThreadPriority();
    virtual void sleepMs(uint32_t ms);
};

// The platform in use; the termios backend unless a test installed another.
CommPlatform& Platform();
// Installs a platform (nullptr: the termios backend) and returns the previous one. Only
// while no port is open.
CommPlatform* SetCommPlatform(CommPlatform* platform);

// The one table from platform errors to the library's open codes and to the causes of a
// failed open (PORT_CAUSE_*) that the program tells the user.
int32_t PortErrorFromErrno(int err);
int32_t OpenCauseFromErrno(int err);

} // namespace v24
