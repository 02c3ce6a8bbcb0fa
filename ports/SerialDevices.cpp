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

// The driver the kernel bound to the device behind a tty, from sysfs.
QString DriverOf(const QString& name)
{
    const QString link = QFileInfo(QStringLiteral("/sys/class/tty/%1/device/driver").arg(name)).symLinkTarget();
    return link.isEmpty() ? QString() : QFileInfo(link).fileName();
}

QString UsbIdOf(const QSerialPortInfo& info)
{
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return QString();
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
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
                           info.serialNumber(), QString(), UsbIdOf(info), DriverOf(info.portName())});
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

const SerialDeviceInfo* DeviceReachedBy(const SerialDeviceList& devices, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const SerialDeviceInfo& device : devices) {
        if (device.IsReachedBy(path) || (!target.isEmpty() && QFileInfo(device.location).canonicalFilePath() == target))
            return &device;
    }
    return nullptr;
}
