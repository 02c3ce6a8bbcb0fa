// Turning the device's lines into what goes on the wire, and pacing it.
#pragma once

#include "factory_data.h"
#include "settings.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

// A run of bytes to send, then an optional pause; endsLine marks a completed line.
struct Piece {
    std::string bytes;
    std::chrono::milliseconds pauseAfter{0};
    bool endsLine = false;
};

// The lines of one download with the transfer faults applied, each ended by CR LF,
// closed by EOT unless the noEot fault is set.
std::vector<Piece> composeTransfer(const Lines& lines, const Settings& settings);

// A one-line answer (the identity): no transfer faults, no EOT.
std::vector<Piece> composeAnswer(const std::string& line);

// The lines "DD", "DS" and "DT" send out of the device's data: from the section's title
// up to the next title or the end marker, followed by the end-marker line.
Lines sectionOf(const Lines& data, std::string_view title);

bool isSectionTitle(std::string_view line);

// Spaces the characters at a given rate; allows a short burst so that writes stay few.
class Pacer {
public:
    Pacer(double charsPerSecond, std::size_t maxBurst);

    // How many of `wanted` characters may go out at `now` (0: wait until nextDue()).
    std::size_t allowance(Clock::time_point now, std::size_t wanted);
    void consumed(std::size_t count);
    Clock::time_point nextDue() const { return m_due; }

private:
    Clock::duration m_period{};
    std::size_t m_maxBurst;
    Clock::time_point m_due{};
};

}  // namespace sim
