// Reading, writing, break, purge, line errors, queue counts and notification.
#include "port_slot.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace v24 {
namespace {

constexpr uint32_t kMsPerByteAtOneBaud = 32000; // ten bits of a byte, with a wide margin
constexpr uint32_t kBreakMs = 500;
constexpr size_t kPrintfBuffer = 256;

// The write time-out: the longer of the port time-out and the line time of n bytes.
uint32_t WriteTimeout(const PortSlot& s, uint32_t n)
{
    uint32_t t = 0;
    // A driver that reports no baud rate leaves the port time-out alone.
    if (s.settings.baudRate != 0) {
        uint64_t lineMs = static_cast<uint64_t>(n) * kMsPerByteAtOneBaud / s.settings.baudRate;
        t = lineMs > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<uint32_t>(lineMs);
    }
    if (static_cast<int32_t>(t) < s.timeoutMs)
        t = static_cast<uint32_t>(s.timeoutMs);
    return t;
}

// Writes n bytes, waiting up to the write time-out each time the driver is full. Only the
// bytes the driver accepted are counted.
uint32_t WriteCore(PortSlot& s, const unsigned char* data, uint32_t n)
{
    CommPlatform& p = *s.platform;
    const uint32_t t = WriteTimeout(s, n);
    uint32_t total = 0;
    for (;;) {
        uint32_t w = 0;
        int err = p.write(s.osHandle, data, n, &w);
        if (err != 0 && err != EAGAIN) {
            s.lastError = err;
            break;
        }
        if (err == EAGAIN)
            s.lastError = err;
        TapBytes(s, PORT_TAP_SENT, data, w);
        data += w;
        n -= w;
        total += w;
        if (n == 0 || t == 0)
            break;
        if (w == 0 || err == EAGAIN) {
            if (!p.waitWritable(s.osHandle, t))
                break;
        }
    }
    return total;
}

// Refreshes the queue counts and merges the receive errors; a failed query leaves the previous
// counts in place.
void QueryStatus(PortSlot& s)
{
    CommStatus status;
    if (s.platform->clearError(s.osHandle, &status) == 0) {
        s.commStatus = status;
        MergeLineErrors(s, status);
    }
}

// A read failure is not returned: it is kept in lastError and its receive errors are merged.
void RecordReadFailure(PortSlot& s, int err)
{
    s.lastError = err;
    QueryStatus(s);
}

enum class Fill { Data, Empty, Failed };

// Fills the empty read-ahead with what the driver holds, never waiting.
Fill Refill(PortSlot& s)
{
    s.readAheadPos = s.readAheadEnd = 0;
    uint32_t got = 0;
    int err = s.platform->read(s.osHandle, s.readAhead, kReadAheadSize, &got);
    if (err != 0) {
        RecordReadFailure(s, err);
        return Fill::Failed;
    }
    s.rxEvent.reset();
    if (got == 0) {
        s.rearmEvent.set(); // drained: the watch thread may report the next arrival
        return Fill::Empty;
    }
    s.readAheadEnd = got;
    TapBytes(s, PORT_TAP_RECEIVED, s.readAhead, got);
    return Fill::Data;
}

struct ReadResult {
    uint32_t count;
    bool failed; // the read ended because the driver read failed (a hang-up, a gone device)
};

// Delivers up to n bytes: from the read-ahead while it refills, then straight from the
// driver, waiting up to t ms for each arrival.
ReadResult ReadCore(PortSlot& s, unsigned char* dst, uint32_t n, uint32_t t)
{
    const uint32_t wanted = n;
    Fill fill = Fill::Data;
    for (;;) {
        if (s.readAheadPos == s.readAheadEnd && (fill = Refill(s)) != Fill::Data)
            break;
        uint32_t take = s.readAheadEnd - s.readAheadPos;
        if (take > n)
            take = n;
        std::memcpy(dst, s.readAhead + s.readAheadPos, take);
        s.readAheadPos += take;
        dst += take;
        n -= take;
        if (n == 0)
            return {wanted, false};
    }

    if (t == 0)
        return {wanted - n, fill == Fill::Failed};
    CommPlatform& p = *s.platform;
    uint32_t want = n, count = 0, got = 0;
    for (;;) {
        int err = p.read(s.osHandle, dst, want, &got);
        if (err != 0) {
            RecordReadFailure(s, err);
            return {wanted - (n - count), true};
        }
        s.rxEvent.reset();
        TapBytes(s, PORT_TAP_RECEIVED, dst, got);
        dst += got;
        want -= got;
        count += got;
        if (want == 0)
            break;
        if (got > 0)
            continue;
        s.rearmEvent.set();
        if (!s.rxEvent.wait(t))
            break;
    }
    if (got == 0)
        s.rearmEvent.set();
    return {wanted - (n - count), false};
}

int32_t Peek(PortSlot& s)
{
    if (s.readAheadPos == s.readAheadEnd && Refill(s) != Fill::Data)
        return -1;
    return s.readAhead[s.readAheadPos];
}

// Callers pass the terminator as a C char, which is negative from 0x80 on.
unsigned char Terminator(int32_t terminator)
{
    return static_cast<unsigned char>(terminator);
}

enum class LineTake { ended, drained, failed };

// Takes the bytes already waiting into line[count...] until the terminator (consumed, not
// stored) or count reaches max; never waits.
LineTake TakeWaitingLine(PortSlot& s, unsigned char* line, uint32_t max, unsigned char end, uint32_t& count)
{
    while (count < max) {
        if (s.readAheadPos == s.readAheadEnd) {
            const Fill fill = Refill(s);
            if (fill == Fill::Empty)
                return LineTake::drained;
            if (fill == Fill::Failed)
                return LineTake::failed;
        }
        const unsigned char c = s.readAhead[s.readAheadPos++];
        if (c == end)
            return LineTake::ended;
        line[count++] = c;
    }
    return LineTake::ended;
}

// Waits up to ms for a read to find something: input, or a failed device, which the read
// then reports. A hang-up wakes the wait at once through the watch thread.
bool WaitForInput(PortSlot& s, uint32_t ms)
{
    using Clock = std::chrono::steady_clock;
    const bool forever = ms == Event::kInfinite;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(forever ? 0 : ms);
    for (;;) {
        if (s.readAheadPos != s.readAheadEnd || Refill(s) != Fill::Empty)
            return true;
        // Refill found the input drained and let the watch thread report the next arrival.
        uint32_t left = Event::kInfinite;
        if (!forever) {
            const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
            if (remaining <= 0)
                return false;
            left = static_cast<uint32_t>(remaining);
        }
        if (!s.rxEvent.wait(left))
            return false;
    }
}

} // namespace
} // namespace v24

using namespace v24;

extern "C" int32_t PortWriteChar(int32_t handle, int32_t c)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    unsigned char byte = static_cast<unsigned char>(c & 0xFF);
    return WriteCore(*s, &byte, 1) >= 1 ? 0 : PORT_E_WRITE;
}

extern "C" int32_t PortWriteString(int32_t handle, const char* text)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (!text)
        return 0;
    return static_cast<int32_t>(
        WriteCore(*s, reinterpret_cast<const unsigned char*>(text), std::strlen(text)));
}

namespace {

// The door of the block writes: 1 with *s set when there is something to write, else what the
// write answers (0 for nothing to write, or a code).
int32_t CheckBlock(int32_t handle, const void* data, int32_t n, PortSlot** s)
{
    if (int32_t rc = CheckHandle(handle, s))
        return rc;
    if (n <= 0)
        return 0;
    return data ? 1 : PORT_E_VALUE;
}

} // namespace

extern "C" int32_t PortWriteBlock(int32_t handle, const void* data, int32_t n)
{
    PortSlot* s;
    if (const int32_t door = CheckBlock(handle, data, n, &s); door <= 0)
        return door;
    return static_cast<int32_t>(
        WriteCore(*s, static_cast<const unsigned char*>(data), static_cast<uint32_t>(n)));
}

extern "C" int32_t PortWriteBlockPart(int32_t handle, const void* data, int32_t n)
{
    PortSlot* s;
    if (const int32_t door = CheckBlock(handle, data, n, &s); door <= 0)
        return door;
    uint32_t taken = 0;
    const int err = s->platform->write(s->osHandle, data, static_cast<uint32_t>(n), &taken);
    if (err != 0 && err != EAGAIN) {
        s->lastError = err;
        return PORT_E_API;
    }
    TapBytes(*s, PORT_TAP_SENT, data, taken);
    return static_cast<int32_t>(taken);
}

extern "C" int32_t PortWaitOutput(int32_t handle, uint32_t ms)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return s->platform->waitWritable(s->osHandle, ms) ? 1 : 0;
}

extern "C" int32_t PortPrintf(int32_t handle, const char* format, ...)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (!format)
        return 0;
    char text[kPrintfBuffer];
    va_list args;
    va_start(args, format);
    int len = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (len <= 0)
        return 0;
    if (static_cast<size_t>(len) >= sizeof text)
        len = sizeof text - 1; // vsnprintf kept the first 255 bytes
    return static_cast<int32_t>(
        WriteCore(*s, reinterpret_cast<const unsigned char*>(text), static_cast<uint32_t>(len)));
}

extern "C" int32_t PortReadCharTimeout(int32_t handle, unsigned char* dst, uint32_t ms)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (!dst)
        return PORT_E_VALUE;
    return static_cast<int32_t>(ReadCore(*s, dst, 1, ms).count);
}

extern "C" int32_t PortReadChar(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    unsigned char byte;
    if (ReadCore(*s, &byte, 1, static_cast<uint32_t>(s->timeoutMs)).count == 0)
        return PORT_E_NOCHAR;
    return byte;
}

extern "C" int32_t PortPeekChar(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return Peek(*s);
}

extern "C" int32_t PortWaitChar(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    s->rxEvent.reset();
    int32_t c = Peek(*s);
    if (c >= 0)
        return c;
    s->rearmEvent.set();
    if (!s->rxEvent.wait(static_cast<uint32_t>(s->timeoutMs)))
        return -1;
    return Peek(*s);
}

extern "C" int32_t PortReadLine(int32_t handle, char* buf, uint32_t max, int32_t terminator)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (!buf)
        return PORT_E_VALUE;
    const uint32_t t = static_cast<uint32_t>(s->timeoutMs);
    unsigned char* line = reinterpret_cast<unsigned char*>(buf);
    uint32_t count = 0;
    LineTake taken;
    // Each wait for the next byte is bounded by the time-out on its own: bytes that keep
    // trickling in keep the line going.
    while ((taken = TakeWaitingLine(*s, line, max, Terminator(terminator), count)) == LineTake::drained) {
        if (t == 0 || !WaitForInput(*s, t))
            break;
    }
    buf[count] = '\0';
    // A device that hung up or went away reads as silence for ever; the caller must hear of
    // it to close and reopen the port. Bytes that came before go out first.
    if (taken == LineTake::failed && count == 0)
        return PORT_E_API;
    return static_cast<int32_t>(count);
}

extern "C" int32_t PortReadLinePart(int32_t handle, char* buf, uint32_t max, int32_t terminator, uint32_t* count)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (!buf || !count || *count > max)
        return PORT_E_VALUE;
    const LineTake taken =
        TakeWaitingLine(*s, reinterpret_cast<unsigned char*>(buf), max, Terminator(terminator), *count);
    buf[*count] = '\0';
    if (taken == LineTake::drained)
        return 0;
    if (taken == LineTake::failed && *count == 0)
        return PORT_E_API;
    return 1;
}

extern "C" int32_t PortWaitInput(int32_t handle, uint32_t ms)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return WaitForInput(*s, ms) ? 1 : 0;
}

extern "C" int32_t PortReadBlock(int32_t handle, void* buf, int32_t n)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (n <= 0)
        return 0;
    if (!buf)
        return PORT_E_VALUE;
    return static_cast<int32_t>(ReadCore(*s, static_cast<unsigned char*>(buf),
                                         static_cast<uint32_t>(n),
                                         static_cast<uint32_t>(s->timeoutMs))
                                    .count);
}

namespace {

int32_t SetBreak(int32_t handle, bool on)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    s->platform->setBreak(s->osHandle, on);
    return 0;
}

} // namespace

extern "C" int32_t PortBreakOn(int32_t handle) { return SetBreak(handle, true); }
extern "C" int32_t PortBreakOff(int32_t handle) { return SetBreak(handle, false); }

extern "C" int32_t PortSendBreak(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    s->platform->setBreak(s->osHandle, true);
    s->platform->sleepMs(kBreakMs);
    s->platform->setBreak(s->osHandle, false);
    return 0;
}

extern "C" int32_t PortPurge(int32_t handle, int32_t dir)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    CommPlatform& p = *s->platform;
    if (dir == PORT_INPUT) {
        if (p.purge(s->osHandle, kPurgeRxAbort) != 0 || p.purge(s->osHandle, kPurgeRxClear) != 0)
            return PORT_E_API;
        s->readAheadPos = s->readAheadEnd = 0;
        return 0;
    }
    if (dir == PORT_OUTPUT) {
        if (p.purge(s->osHandle, kPurgeTxAbort) != 0 || p.purge(s->osHandle, kPurgeTxClear) != 0)
            return PORT_E_API;
        return 0;
    }
    return PORT_E_VALUE;
}

extern "C" int32_t PortGetLineErrors(int32_t handle)
{
    return PortGetLineErrorCounts(handle, nullptr);
}

extern "C" int32_t PortGetLineErrorCounts(int32_t handle, PortLineErrorCounts* counts)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    CommStatus status;
    if (s->platform->clearError(s->osHandle, &status) == 0)
        MergeLineErrors(*s, status);
    if (counts)
        *counts = s->errorCounts;
    const int32_t errors = static_cast<int32_t>(s->lineErrors);
    s->lineErrors = 0;
    s->errorCounts = PortLineErrorCounts{};
    return errors;
}

extern "C" int32_t PortQueueCount(int32_t handle, int32_t dir)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    QueryStatus(*s);
    if (dir == PORT_INPUT)
        return static_cast<int32_t>(s->readAheadEnd - s->readAheadPos + s->commStatus.inQueue);
    if (dir == PORT_OUTPUT)
        return static_cast<int32_t>(s->commStatus.outQueue);
    return PORT_E_VALUE;
}

extern "C" int32_t PortQueueEmpty(int32_t handle, int32_t dir)
{
    const int32_t count = PortQueueCount(handle, dir);
    if (count < 0)
        return count;
    return count == 0 ? 1 : 0;
}

extern "C" int32_t PortSetNotify(int32_t handle, PortWindow window, uint32_t message)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    s->notifyWindow = window;
    s->notifyMessage = message;
    if (!window || !message)
        return 0;
    s->rearmEvent.set();
    if (PortQueueEmpty(handle, PORT_INPUT) == 0)
        PostNotify(*s, window, message);
    return 0;
}

extern "C" int32_t PortGetNotifyMessage(int32_t handle)
{
    PortSlot* s;
    if (CheckHandle(handle, &s) != 0)
        return 0;
    return static_cast<int32_t>(s->notifyMessage.load());
}
