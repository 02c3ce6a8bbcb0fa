#pragma once
// The ports the device may hang on: index 0 to 15 stands for "COM1" to "COM16".
#include <cstdint>
#include <string_view>

class QString;

constexpr int32_t kPortCount = 16;

// "COM1" to "COM16"; any index outside 0 to 15 is "COM1".
const char* PortNameForIndex(int32_t index);
// The index of an exact, case-sensitive port name; -1 for any other text. Every byte counts:
// a NUL or anything after the name makes it another text.
int32_t PortIndexForName(std::string_view name);
// The same for a text typed by the user.
int32_t PortIndexForName(const QString& name);
// The environment variable that names the device file of port index 0 to 15 and overrides
// every choice of the program: "V24_COM1" to "V24_COM16" (the port library reads it).
QString PortVariableName(int32_t index);
