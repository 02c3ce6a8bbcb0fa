// An in-memory platform for tests: lines with modem inputs, receive errors, hang-ups and
// refusals that a pseudo-terminal cannot give. The test plays the far end through FakeLine.
#pragma once

#include "platform/platform.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace v24 {

class FakeLine {
public:
    // Far end.
    void feed(const std::string& bytes);
    std::string takeOutput();
    void hangUp();
    void setModemInputs(uint32_t bits);
    void addErrors(uint32_t platformErrors);
    // Errors as a driver that counts them reports them: the kinds' bits and their numbers.
    void addCountedErrors(uint32_t overruns, uint32_t parity, uint32_t frames);
    void setOutQueue(uint32_t bytes);
    // Bytes the driver takes before it is full (and stays full until takeOutput).
    void setWriteCapacity(size_t bytes);
    // What the device reports as its settings from now on.
    void setSettings(const CommSettings& settings);

    // Device state as the library left it.
    CommSettings settings() const;
    bool dtr() const;
    bool rts() const;
    bool breakOn() const;
    int openCount() const;
    uint32_t inQueueSize() const;
    uint32_t outQueueSize() const;
    int readCalls() const;
    int writeCalls() const;
    std::vector<int> purges() const;

    // Refusals: a non-zero errno makes the call fail with it.
    int openError = 0;
    int setupError = 0;
    int getStateError = 0;
    int setStateError = 0;
    int modemError = 0;
    int purgeError = 0;
    int clearErrorError = 0;
    int startWatchError = 0;
    int closeError = 0;
    int readError = 0;

private:
    friend class FakeComm;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    std::string m_input;
    std::string m_output;
    size_t m_writeCapacity = static_cast<size_t>(-1);
    bool m_bHungUp = false;
    bool m_bWoken = false;
    bool m_bExclusive = false;
    int m_nOpen = 0;
    CommSettings m_settings;
    uint32_t m_modem = 0;
    uint32_t m_errors = 0;
    uint32_t m_overrunCount = 0;
    uint32_t m_parityCount = 0;
    uint32_t m_frameCount = 0;
    uint32_t m_outQueue = 0;
    uint32_t m_inSize = 0;
    uint32_t m_outSize = 0;
    bool m_bDtr = false;
    bool m_bRts = false;
    bool m_bBreak = false;
    int m_nReads = 0;
    int m_nWrites = 0;
    std::vector<int> m_purges;
};

class FakeComm final : public CommPlatform {
public:
    FakeComm();
    ~FakeComm() override;

    // A line at the library's device path ("\\.\COM1"); other paths do not exist.
    FakeLine& addLine(const std::string& devicePath);
    FakeLine* line(const std::string& devicePath);
    // Paths the library asked to open, in order.
    std::vector<std::string> openedPaths() const;
    // Events now created and not released.
    int liveEvents() const;
    uint32_t sleptMs() const;

    int failEventNumber = -1; // the n-th createEvent of this platform (0-based) fails
    int threadError = 0;

    int open(const char* devicePath, bool exclusive, CommDevice** device) override;
    int close(CommDevice* device) override;
    int setupQueues(CommDevice* device, uint32_t inSize, uint32_t outSize) override;
    int getState(CommDevice* device, CommSettings* settings) override;
    int setState(CommDevice* device, const CommSettings& settings) override;
    int read(CommDevice* device, void* buf, uint32_t n, uint32_t* got) override;
    int write(CommDevice* device, const void* buf, uint32_t n, uint32_t* done) override;
    bool waitWritable(CommDevice* device, uint32_t ms) override;
    int clearError(CommDevice* device, CommStatus* status) override;
    int purge(CommDevice* device, PurgeAction action) override;
    int setBreak(CommDevice* device, bool on) override;
    int modemStatus(CommDevice* device, uint32_t* bits) override;
    int setModemLine(CommDevice* device, ModemLine line, bool on) override;
    int startWatch(CommDevice* device) override;
    void stopWatch(CommDevice* device) override;
    WatchResult waitEvent(CommDevice* device, bool watchDevice) override;
    void wake(CommDevice* device) override;
    bool createEvent(Event& event, bool manualReset) override;
    bool releaseEvent(Event& event) override;
    int startThread(std::thread& thread, void (*routine)(void*), void* arg) override;
    void sleepMs(uint32_t ms) override;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<FakeLine>> m_lines;
    std::vector<std::string> m_opened;
    int m_nEventsCreated = 0;
    int m_nLiveEvents = 0;
    uint32_t m_slept = 0;
};

} // namespace v24
