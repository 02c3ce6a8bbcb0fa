#pragma once
// The simulated device for tests: the simulator's engine on a new pseudo-terminal, whose slave
// side an environment variable (V24_COM1 unless told otherwise) names for the port library.
#include "PtyPair.h"
#include "engine.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The simulator on a new pseudo-terminal set up as veq-sim sets up its own, named by V24_COM1
// (or V24_<portName>) while the device lives.
class SimDevice {
public:
    explicit SimDevice(const sim::Settings& settings = Fast(), const std::string& portName = "COM1");
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Unpaced, so that tests do not wait for the line.
    static sim::Settings Fast();

    sim::Engine& engine() { return *m_engine; }
    const std::string& SlavePath() const { return m_line->slavePath(); }
    // The commands the device has taken so far, in order.
    std::vector<std::string> Commands() const;
    std::vector<std::string> DataLines() const;
    // Waits, bounded, until the device's log satisfies done.
    bool WaitFor(const std::function<bool(const std::vector<sim::LogEntry>&)>& done, int timeoutMs = 5000) const;
    bool WaitForCommand(const std::string& command, int timeoutMs = 5000) const;
    // The log still holds `entries` entries after a grace time in which the device, which
    // answers within milliseconds, would have logged anything sent before.
    bool LogStaysAt(size_t entries) const;

private:
    std::unique_ptr<PtyPair> m_line;
    std::unique_ptr<sim::Engine> m_engine;
};

// Opens a pseudo-terminal pair with the simulator's own line set-up, named as PtyPair names
// one; throws std::runtime_error when none can be had.
std::unique_ptr<PtyPair> OpenDeviceLine(const std::string& portName);
// The texts of a device's log entries of one kind (commands, data lines), in order.
std::vector<std::string> LogTexts(const std::vector<sim::LogEntry>& log, sim::LogEntry::Kind kind);
// The adjustment data the simulated device sends for "DD", as its factory data hold them.
const sim::Lines& AdjustmentLines();
