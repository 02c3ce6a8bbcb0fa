#include "comm_fake.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace v24 {

namespace {

struct FakeDevice : CommDevice {
    FakeLine* line = nullptr;
    bool exclusive = false;
};

FakeDevice* Dev(CommDevice* device) { return static_cast<FakeDevice*>(device); }

} // namespace

// ---- FakeLine: the test's side ----------------------------------------------------------

void FakeLine::feed(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_input += bytes;
    m_cond.notify_all();
}

std::string FakeLine::takeOutput()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out;
    out.swap(m_output);
    return out;
}

void FakeLine::hangUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bHungUp = true;
    m_cond.notify_all();
}

void FakeLine::setModemInputs(uint32_t bits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_modem = bits;
}

void FakeLine::addErrors(uint32_t platformErrors)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors |= platformErrors;
}

void FakeLine::addCountedErrors(uint32_t overruns, uint32_t parity, uint32_t frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors |= (overruns ? kErrOverrun : 0) | (parity ? kErrParity : 0) | (frames ? kErrFrame : 0);
    m_overrunCount += overruns;
    m_parityCount += parity;
    m_frameCount += frames;
}

void FakeLine::setOutQueue(uint32_t bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outQueue = bytes;
}

void FakeLine::setWriteCapacity(size_t bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writeCapacity = bytes;
}

void FakeLine::setSettings(const CommSettings& settings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
}

#define FAKE_GETTER(type, name, field)                                                       \
    type FakeLine::name() const                                                              \
    {                                                                                        \
        std::lock_guard<std::mutex> lock(m_mutex);                                           \
        return field;                                                                        \
    }
FAKE_GETTER(CommSettings, settings, m_settings)
FAKE_GETTER(bool, dtr, m_bDtr)
FAKE_GETTER(bool, rts, m_bRts)
FAKE_GETTER(bool, breakOn, m_bBreak)
FAKE_GETTER(int, openCount, m_nOpen)
FAKE_GETTER(uint32_t, inQueueSize, m_inSize)
FAKE_GETTER(uint32_t, outQueueSize, m_outSize)
FAKE_GETTER(int, readCalls, m_nReads)
FAKE_GETTER(int, writeCalls, m_nWrites)
FAKE_GETTER(std::vector<int>, purges, m_purges)
#undef FAKE_GETTER

// ---- FakeComm: the library's side -------------------------------------------------------

FakeComm::FakeComm() = default;
FakeComm::~FakeComm() = default;

FakeLine& FakeComm::addLine(const std::string& devicePath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto& slot = m_lines[devicePath];
    if (!slot) {
        slot = std::make_unique<FakeLine>();
        slot->m_settings.baudRate = 9600;
    }
    return *slot;
}

FakeLine* FakeComm::line(const std::string& devicePath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_lines.find(devicePath);
    return it == m_lines.end() ? nullptr : it->second.get();
}

std::vector<std::string> FakeComm::openedPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_opened;
}

int FakeComm::liveEvents() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nLiveEvents;
}

uint32_t FakeComm::sleptMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slept;
}

int FakeComm::open(const char* devicePath, bool exclusive, CommDevice** device)
{
    FakeLine* l;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_opened.push_back(devicePath);
        auto it = m_lines.find(devicePath);
        if (it == m_lines.end())
            return ENOENT;
        l = it->second.get();
    }
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->openError)
        return l->openError;
    if (l->m_bExclusive || (exclusive && l->m_nOpen > 0))
        return EBUSY;
    auto* dev = new FakeDevice;
    dev->line = l;
    dev->exclusive = exclusive;
    l->m_nOpen++;
    l->m_bExclusive = exclusive;
    l->m_bWoken = false;
    *device = dev;
    return 0;
}

int FakeComm::close(CommDevice* device)
{
    FakeDevice* dev = Dev(device);
    FakeLine* l = dev->line;
    int err;
    {
        std::lock_guard<std::mutex> lock(l->m_mutex);
        l->m_nOpen--;
        if (dev->exclusive)
            l->m_bExclusive = false;
        err = l->closeError;
    }
    delete dev;
    return err;
}

int FakeComm::setupQueues(CommDevice* device, uint32_t inSize, uint32_t outSize)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->setupError)
        return l->setupError;
    l->m_inSize = inSize;
    l->m_outSize = outSize;
    return 0;
}

int FakeComm::getState(CommDevice* device, CommSettings* settings)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->getStateError)
        return l->getStateError;
    *settings = l->m_settings;
    return 0;
}

int FakeComm::setState(CommDevice* device, const CommSettings& settings)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->setStateError)
        return l->setStateError;
    if (settings.byteSize < 5 || settings.byteSize > 8) // as a UART: 16 bits are refused
        return EINVAL;
    l->m_settings = settings;
    return 0;
}

int FakeComm::read(CommDevice* device, void* buf, uint32_t n, uint32_t* got)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    l->m_nReads++;
    *got = 0;
    if (l->readError)
        return l->readError;
    if (l->m_input.empty())
        return l->m_bHungUp ? EIO : 0;
    size_t take = std::min<size_t>(n, l->m_input.size());
    std::memcpy(buf, l->m_input.data(), take);
    l->m_input.erase(0, take);
    *got = static_cast<uint32_t>(take);
    return 0;
}

int FakeComm::write(CommDevice* device, const void* buf, uint32_t n, uint32_t* done)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    l->m_nWrites++;
    *done = 0;
    if (l->m_bHungUp)
        return EIO;
    size_t room = l->m_writeCapacity > l->m_output.size()
                      ? l->m_writeCapacity - l->m_output.size() : 0;
    size_t take = std::min<size_t>(n, room);
    if (take == 0 && n > 0)
        return EAGAIN;
    l->m_output.append(static_cast<const char*>(buf), take);
    *done = static_cast<uint32_t>(take);
    return 0;
}

bool FakeComm::waitWritable(CommDevice* device, uint32_t)
{
    // The far end drains only when the test takes the output, so a full line stays full:
    // the time-out is reached at once instead of after waiting.
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    return l->m_output.size() < l->m_writeCapacity;
}

int FakeComm::clearError(CommDevice* device, CommStatus* status)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->clearErrorError)
        return l->clearErrorError;
    status->errors = l->m_errors;
    status->inQueue = static_cast<uint32_t>(l->m_input.size());
    status->outQueue = l->m_outQueue;
    status->overrunCount = l->m_overrunCount;
    status->parityCount = l->m_parityCount;
    status->frameCount = l->m_frameCount;
    l->m_errors = 0;
    l->m_overrunCount = l->m_parityCount = l->m_frameCount = 0;
    return 0;
}

int FakeComm::purge(CommDevice* device, PurgeAction action)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->purgeError)
        return l->purgeError;
    l->m_purges.push_back(action);
    if (action == kPurgeRxClear)
        l->m_input.clear();
    if (action == kPurgeTxClear)
        l->m_outQueue = 0;
    return 0;
}

int FakeComm::setBreak(CommDevice* device, bool on)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    l->m_bBreak = on;
    return 0;
}

int FakeComm::modemStatus(CommDevice* device, uint32_t* bits)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->modemError)
        return l->modemError;
    *bits = l->m_modem;
    return 0;
}

int FakeComm::setModemLine(CommDevice* device, ModemLine line, bool on)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    if (l->modemError)
        return l->modemError;
    (line == kLineDtr ? l->m_bDtr : l->m_bRts) = on;
    return 0;
}

int FakeComm::startWatch(CommDevice* device)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    return l->startWatchError;
}

void FakeComm::stopWatch(CommDevice*) {}

WatchResult FakeComm::waitEvent(CommDevice* device, bool watchDevice)
{
    FakeLine* l = Dev(device)->line;
    std::unique_lock<std::mutex> lock(l->m_mutex);
    l->m_cond.wait(lock, [&] {
        return l->m_bWoken || (watchDevice && (l->m_bHungUp || !l->m_input.empty()));
    });
    if (l->m_bWoken)
        return WatchResult::Woken;
    return l->m_bHungUp ? WatchResult::HangUp : WatchResult::Input;
}

void FakeComm::wake(CommDevice* device)
{
    FakeLine* l = Dev(device)->line;
    std::lock_guard<std::mutex> lock(l->m_mutex);
    l->m_bWoken = true;
    l->m_cond.notify_all();
}

bool FakeComm::createEvent(Event& event, bool manualReset)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nEventsCreated++ == failEventNumber)
            return false;
    }
    if (!event.create(manualReset))
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nLiveEvents++;
    return true;
}

bool FakeComm::releaseEvent(Event& event)
{
    if (!event.release())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nLiveEvents--;
    return true;
}

int FakeComm::startThread(std::thread& thread, void (*routine)(void*), void* arg)
{
    if (threadError)
        return threadError;
    return CommPlatform::startThread(thread, routine, arg);
}

void FakeComm::sleepMs(uint32_t ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_slept += ms;
}

} // namespace v24
