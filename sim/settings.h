// What the simulated device does, and which faults it shows on demand.
#pragma once

#include "protocol.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace sim {

class ReplayScript;

struct Faults {
    bool mute = false;              // read everything, send nothing at all
    bool noEot = false;             // end each transfer after its last line, without EOT
    int pauseInLine = 0;            // 1-based line of each transfer that pauses halfway; 0: none
    bool longLines = false;         // stretch every data line to longLineLength characters
    bool eighthBit = false;         // set bit 7 on every character sent
    int eotInLine = 0;              // 1-based line of each transfer with an EOT halfway; 0: none
    int hangUpAfterLines = 0;       // close the line after this many lines sent in all; 0: never
    bool oversize = false;          // repeat each transfer's lines beyond oversizeChars
    int xoffAfterLines = 0;         // XOFF after this many lines of each upload, held for
                                    // xoffLength, then XON; 0: never
};

struct Settings {
    std::string identity = std::string(protocol::kIdentityPrefix) + " " +
                           std::string(protocol::kFirmwareVersion);
    double charsPerSecond = protocol::kLineCharsPerSecond;   // 0: as fast as the line takes it
    std::chrono::milliseconds uploadSilence{2000};           // ends an upload without marker
    std::chrono::milliseconds pauseLength{1500};             // for Faults::pauseInLine
    std::chrono::milliseconds xoffLength{1500};              // for Faults::xoffAfterLines
    std::size_t longLineLength = 600;
    std::size_t oversizeChars = 420000;
    Faults faults;
    // Plays the device a transfer log recorded instead of the device's own dialogue; with
    // replayPaced at the pace of the log, else as fast as the line takes it.
    std::shared_ptr<const ReplayScript> replay;
    bool replayPaced = true;
};

}  // namespace sim
