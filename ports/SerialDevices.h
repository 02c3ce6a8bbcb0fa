#pragma once
// The machine's serial devices as the interface dialog and `korva --ports` show them, each with
// the stable link under /dev/serial/by-id that leads to it where there is one.
#include <QString>
#include <functional>
#include <vector>

struct SerialDeviceInfo {
    QString name;         // "ttyUSB0"
    QString location;     // "/dev/ttyUSB0"
    QString description;  // "FT232R USB UART"
    QString manufacturer;
    QString serialNumber;
    QString byIdPath;     // "/dev/serial/by-id/usb-FTDI_…-if00-port0"; empty where there is none
    QString usbId = {};   // USB vendor and product, "0403:6001"; empty for a device that is no USB one
    QString driver = {};  // the kernel's driver of the device, "ftdi_sio"; empty where none is known

    // What a choice of the device keeps: the by-id link, which survives replugging and
    // renumbering, else the device file.
    QString ChoicePath() const { return byIdPath.isEmpty() ? location : byIdPath; }
    // "FT232R USB UART (ttyUSB0)".
    QString Label() const;
    // Whether path names this device: its device file or its by-id link.
    bool IsReachedBy(const QString& path) const { return !path.isEmpty() && (path == location || path == byIdPath); }
};

using SerialDeviceList = std::vector<SerialDeviceInfo>;
// Where the dialog gets its list from; tests hand it lists of their own.
using SerialDeviceLister = std::function<SerialDeviceList()>;

constexpr const char* kByIdFolder = "/dev/serial/by-id";

// The system's serial devices in the order SortAdaptersFirst gives, with their by-id links.
SerialDeviceList ListSerialDevices();
// The device a port's device file leads to (its device file, its by-id link or another link to
// it); nullptr for none of the list.
const SerialDeviceInfo* DeviceReachedBy(const SerialDeviceList& devices, const QString& path);
// Gives each device the first link (by name) in folder that leads to its device file.
void AttachByIdLinks(SerialDeviceList& devices, const QString& folder);
// USB and ACM adapters first, then other devices, the built-in ttyS ports last; by number
// within each (ttyUSB2 before ttyUSB10).
void SortAdaptersFirst(SerialDeviceList& devices);
// The devices of after whose device file is not in before.
SerialDeviceList DevicesThatAppeared(const SerialDeviceList& before, const SerialDeviceList& after);
