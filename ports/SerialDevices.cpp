#include "SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace {

// Where a device comes in the list: the adapters a tuner plugs in, then the rest, then the
// built-in ports that are listed whether anything hangs on them or not.
int Rank(const QString& name)
{
    if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
        return 0;
    return name.startsWith(QLatin1String("ttyS")) ? 2 : 1;
}

// "ttyUSB10" as ("ttyUSB", 10), so that numbers sort as numbers.
std::tuple<int, QString, long> SortKey(const QString& name)
{
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    return {Rank(name), name.left(digits), name.mid(digits).toLong()};
}

}  // namespace

QString SerialDeviceInfo::Label() const
{
    const QString text = description.isEmpty() ? QStringLiteral("Serial port") : description;
    return QStringLiteral("%1 (%2)").arg(text, name);
}

SerialDeviceList ListSerialDevices()
{
    SerialDeviceList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back({info.portName(), info.systemLocation(), info.description(), info.manufacturer(),
                           info.serialNumber(), QString()});
    }
    AttachByIdLinks(devices, QString::fromLatin1(kByIdFolder));
    SortAdaptersFirst(devices);
    return devices;
}

void AttachByIdLinks(SerialDeviceList& devices, const QString& folder)
{
    // Qt gives no by-id names; udev makes them as links to the device files.
    QHash<QString, QString> linkTo;
    const QFileInfoList links =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !linkTo.contains(target))
            linkTo.insert(target, link.absoluteFilePath());
    }
    for (SerialDeviceInfo& device : devices)
        device.byIdPath = linkTo.value(QFileInfo(device.location).canonicalFilePath());
}

void SortAdaptersFirst(SerialDeviceList& devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        return SortKey(a.name) < SortKey(b.name);
    });
}

SerialDeviceList DevicesThatAppeared(const SerialDeviceList& before, const SerialDeviceList& after)
{
    SerialDeviceList appeared;
    for (const SerialDeviceInfo& device : after) {
        const bool known = std::any_of(before.begin(), before.end(),
                                       [&](const SerialDeviceInfo& old) { return old.location == device.location; });
        if (!known)
            appeared.push_back(device);
    }
    return appeared;
}
