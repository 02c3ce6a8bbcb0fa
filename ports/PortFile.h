#pragma once
// The port file "VEQ.INI" in the current working directory: the chosen port's name alone
// ("COM1" to "COM16"), with no line end. Read once at start-up, written when the interface
// dialog is confirmed; the ports report reads it too.
#include <cstdint>
#include <optional>

inline constexpr const char* kPortFileName = "VEQ.INI";

// The port index 0 to 15 the file names. Nothing when it names none: the file is missing, no
// regular file, cannot be opened for reading and writing, or holds anything but a port name
// (one line end after the name, as a text editor writes it, is allowed).
std::optional<int32_t> ReadPortFile();
// The file's content as read: whether there is a port file to read, and the index it names.
struct PortFileContent {
    bool bRead = false;
    std::optional<int32_t> index;
};
PortFileContent ReadPortFileContent();
// Writes the name of index (an index outside 0 to 15 writes "COM1") through the safe write, its
// folder synced; false when the file cannot be written, which then holds what it held.
bool WritePortFile(int32_t index);
