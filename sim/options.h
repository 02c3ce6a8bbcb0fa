// The command line of veq-sim.
#pragma once

#include "settings.h"

#include <string>
#include <vector>

namespace sim {

struct Options {
    bool help = false;
    std::string device;   // empty: serve on a new pseudo-terminal
    std::string replayLog;  // a transfer log to play; empty: the device's own dialogue
    Settings settings;
};

// Parses the arguments after the program name; returns false with `error` set for an
// unknown option, a missing value or a value out of range.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

std::string usageText();

}  // namespace sim
