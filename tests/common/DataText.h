#pragma once
// The device's lines as the program keeps and writes them, and the sample data the tests use.
#include <string>
#include <vector>

// The line that ends the device's data.
inline const std::string kEndMarkerLine = "DATA END________";
// A small data file: two lines and the end marker.
inline const std::vector<std::string> kFileLines = {"MY INSTRUMENT", "A4 441.0 Hz", kEndMarkerLine};
// count lines of about 40 characters, "LINE 0001 ..." and on, the last one the end marker:
// data whose upload runs over as many ticks as a test needs.
std::vector<std::string> NumberedLines(int count);

// As the document's buffer holds them: each closed by CR.
std::string AsBufferLines(const std::vector<std::string>& lines);
// As a data file holds them: each closed by CR LF.
std::string AsFileText(const std::vector<std::string>& lines);
// The buffer as a saved file holds it: every CR written as CR LF, nothing else changed.
std::string AsSaved(const std::string& buffer);
