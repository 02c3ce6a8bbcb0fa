#pragma once
// The device file behind each port COM1 to COM16. The user's choice is kept in the program's
// settings (group "Ports", keys "COM1" to "COM16", each value a device path) and handed to the
// port library, where the environment variable V24_COMn still comes first and /dev/ttyS<n-1>
// stands for a port without either.
#include <QString>
#include <cstdint>
#include <optional>

enum class DeviceFileSource { environment, settings, fallback, none };

struct OpenedDeviceFile {
    QString file;  // what the port opens; empty when it has no device file
    DeviceFileSource source;
};

// The device file the settings keep for port index 0 to 15: nothing when they keep none, or a
// value that is no device path (not a text, a control character in it, too long for the port
// library). An empty text is a choice of its own: the port then has no device file.
std::optional<QString> StoredDeviceFile(int32_t index);
// Keeps path for the port in the settings (nothing: removes it) and hands it to the port library.
void StoreDeviceFile(int32_t index, const std::optional<QString>& path);
// Hands the settings' device files of all ports to the port library, in place of any before.
void HandStoredDeviceFilesOver();
// The file the port opens now and where that comes from.
OpenedDeviceFile DeviceFileOfPort(int32_t index);
// Whether the settings can keep text as a device path.
bool IsUsableDevicePath(const QString& path);
