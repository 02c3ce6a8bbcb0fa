#include "SimDevice.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <unistd.h>

SimDevice::SimDevice(const sim::Settings& settings, const char* portVariable)
{
    std::string error;
    if (!sim::openPtyLine(m_line, error))
        throw std::runtime_error(error);
    setenv(portVariable, m_line.slavePath.c_str(), 1);
    m_engine = std::make_unique<sim::Engine>(m_line.master, settings);
    m_engine->start();
}

SimDevice::~SimDevice()
{
    m_engine.reset();  // stops the device and closes the master
    ::close(m_line.slave);
}

sim::Settings SimDevice::Fast()
{
    sim::Settings settings;
    settings.charsPerSecond = 0;
    return settings;
}

std::vector<std::string> SimDevice::Commands() const
{
    std::vector<std::string> commands;
    for (const sim::LogEntry& entry : m_engine->log()) {
        if (entry.kind == sim::LogEntry::Kind::Command)
            commands.push_back(entry.text);
    }
    return commands;
}

std::vector<std::string> SimDevice::DataLines() const
{
    std::vector<std::string> lines;
    for (const sim::LogEntry& entry : m_engine->log()) {
        if (entry.kind == sim::LogEntry::Kind::DataLine)
            lines.push_back(entry.text);
    }
    return lines;
}

bool SimDevice::WaitFor(const std::function<bool(const std::vector<sim::LogEntry>&)>& done, int timeoutMs) const
{
    constexpr int kPollMs = 5;
    for (int waited = 0;; waited += kPollMs) {
        if (done(m_engine->log()))
            return true;
        if (waited >= timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
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
