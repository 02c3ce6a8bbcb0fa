#include "SimDevice.h"

#include "WaitUntil.h"

#include "factory_data.h"
#include "line_setup.h"
#include "protocol.h"
#include "transfer.h"

#include <chrono>
#include <stdexcept>
#include <thread>

std::unique_ptr<PtyPair> OpenDeviceLine(const std::string& portName)
{
    sim::PtyLine line;
    std::string error;
    if (!sim::openPtyLine(line, error))
        throw std::runtime_error(error);
    return std::make_unique<PtyPair>(line.master, line.slave, line.slavePath, portName);
}

std::vector<std::string> LogTexts(const std::vector<sim::LogEntry>& log, sim::LogEntry::Kind kind)
{
    std::vector<std::string> texts;
    for (const sim::LogEntry& entry : log) {
        if (entry.kind == kind)
            texts.push_back(entry.text);
    }
    return texts;
}

const sim::Lines& AdjustmentLines()
{
    static const sim::Lines lines = sim::sectionOf(sim::factoryData(), sim::protocol::kTitleAdjustment);
    return lines;
}

SimDevice::SimDevice(const sim::Settings& settings, const std::string& portName) : m_line(OpenDeviceLine(portName))
{
    m_engine = std::make_unique<sim::Engine>(m_line->releaseMaster(), settings);
    m_engine->start();
}

// The engine stops the device and closes the master; the pair then closes the slave.
SimDevice::~SimDevice() = default;

sim::Settings SimDevice::Fast()
{
    sim::Settings settings;
    settings.charsPerSecond = 0;
    return settings;
}

std::vector<std::string> SimDevice::Commands() const
{
    return LogTexts(m_engine->log(), sim::LogEntry::Kind::Command);
}

std::vector<std::string> SimDevice::DataLines() const
{
    return LogTexts(m_engine->log(), sim::LogEntry::Kind::DataLine);
}

bool SimDevice::WaitFor(const std::function<bool(const std::vector<sim::LogEntry>&)>& done, int timeoutMs) const
{
    // Each look copies the log, which the device's thread appends to: not too often.
    return WaitUntil([&] { return done(m_engine->log()); }, timeoutMs, 5);
}

bool SimDevice::WaitForCommand(const std::string& command, int timeoutMs) const
{
    return WaitFor(
        [&](const std::vector<sim::LogEntry>& log) {
            for (const sim::LogEntry& entry : log) {
                if (entry == sim::LogEntry{sim::LogEntry::Kind::Command, command})
                    return true;
            }
            return false;
        },
        timeoutMs);
}

bool SimDevice::LogStaysAt(size_t entries) const
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return m_engine->log().size() == entries;
}
