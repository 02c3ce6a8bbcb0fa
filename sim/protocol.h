// Protocol values of the VEQ-32-C as the program on the far end relies on them.
#pragma once

#include <cstddef>
#include <string_view>

namespace sim::protocol {

constexpr char kEot = 0x04;   // ends every transfer to the PC
constexpr char kXon = 17;
constexpr char kXoff = 19;
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::string_view kLineEnd = "\r\n";

constexpr std::string_view kCmdIdentity = "R";
constexpr std::string_view kCmdAdjustment = "DD";
constexpr std::string_view kCmdInstrument = "DS";
constexpr std::string_view kCmdTemperaments = "DT";
constexpr std::string_view kCmdAllData = "DA";
constexpr std::string_view kCmdUpload = "DE";
constexpr std::string_view kCmdDeliveryMode = "DU";

constexpr std::string_view kIdentityPrefix = "VEQ-32-C";
constexpr std::string_view kFirmwareVersion = "3.12";

// The program recognises a saved file's end by "END" and eight underscores with at
// least two characters before the 'E', so the device's marker line leads with text.
constexpr std::string_view kEndMarker = "END________";
constexpr std::string_view kEndMarkerLine = "DATA END________";

// Titles that open the sections of the device's data.
constexpr std::string_view kTitleAdjustment = "ADJUSTMENT DATA";
constexpr std::string_view kTitleInstrument = "ACTUAL INSTRUMENT";
constexpr std::string_view kTitleTemperaments = "HISTORICAL TEMPERAMENTS";
constexpr std::string_view kTitleStored = "STORED INSTRUMENTS";

constexpr int kBaudRate = 115200;
constexpr int kBitsPerChar = 11;   // start, 7 data, parity, 2 stop
constexpr double kLineCharsPerSecond = double(kBaudRate) / kBitsPerChar;

inline bool isEndMarkerLine(std::string_view line)
{
    return line.size() >= kEndMarker.size() &&
           line.substr(line.size() - kEndMarker.size()) == kEndMarker;
}

}  // namespace sim::protocol
