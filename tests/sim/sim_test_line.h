// The program's side of a simulated device: a pseudo-terminal pair whose master the engine
// serves, while the test reads and writes the terminal side.
#pragma once

#include "PtyPair.h"
#include "engine.h"

#include <memory>
#include <string>

namespace simtest {

class DeviceLine {
public:
    explicit DeviceLine(const sim::Settings& settings = fastSettings());
    ~DeviceLine();

    static sim::Settings fastSettings();

    void send(const std::string& bytes);
    // Reads until `end` has arrived (included), the line hangs up, or nothing came for
    // quietMs. The generous default keeps a slow machine from failing a test.
    std::string readUntil(char end, int quietMs = 5000) { return read(end, quietMs); }
    // Whatever arrives until the line has been quiet for quietMs.
    std::string readQuiet(int quietMs);
    // Sends a command and returns everything up to and including the EOT.
    std::string transfer(const std::string& command);
    bool hungUp() const { return m_hungUp; }
    sim::Engine& engine() { return *m_engine; }

private:
    static constexpr int kNoEnd = -1;
    std::string read(int end, int quietMs);

    PtyPair m_line;
    bool m_hungUp = false;
    std::string m_pending;   // read past an end, kept for the next read
    std::unique_ptr<sim::Engine> m_engine;
};

// Splits a transfer into its CR LF lines; a rest without line end is the last element.
sim::Lines SplitLines(const std::string& text);

}  // namespace simtest
