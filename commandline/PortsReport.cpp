#include "PortsReport.h"

#include "PortDevices.h"
#include "PortFile.h"
#include "PortNames.h"
#include "KorvaResources.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

QString SourceText(DeviceFileSource source, int32_t index)
{
    switch (source) {
    case DeviceFileSource::environment:
        return QStringLiteral("environment (%1)").arg(PortVariableName(index));
    case DeviceFileSource::settings: return QStringLiteral("settings");
    case DeviceFileSource::fallback: return QStringLiteral("default");
    default: return QStringLiteral("none");
    }
}

// The port the program starts on, and where that comes from: a port file that names no port is
// said to, not shown as if it named the first port.
QString ChosenPortLine()
{
    const PortFileContent content = ReadPortFileContent();
    const QString port = QLatin1String(PortNameForIndex(content.index.value_or(0)));
    if (content.bRead && !content.index)
        return QStringLiteral("Chosen port: %1 (%2 holds no port name; %1 is used)").arg(port, QLatin1String(kPortFileName));
    return QStringLiteral("Chosen port: %1 (%2 in %3)").arg(port, QLatin1String(kPortFileName), QDir::currentPath());
}

}  // namespace

QString PortsReport(const SerialDeviceList& devices)
{
    HandStoredDeviceFilesOver();
    QString text = ChosenPortLine() + QStringLiteral("\n\nPorts:\n");
    for (int32_t i = 0; i < kPortCount; ++i) {
        const OpenedDeviceFile opened = DeviceFileOfPort(i);
        const QString file = opened.file.isEmpty() ? QStringLiteral("(no device file)") : opened.file;
        text += QStringLiteral("  %1 %2 %3\n")
                    .arg(QLatin1String(PortNameForIndex(i)), -5)
                    .arg(file, -40)
                    .arg(SourceText(opened.source, i));
    }
    text += QStringLiteral("\nSerial devices:\n");
    if (devices.empty())
        text += QStringLiteral("  (none found)\n");
    for (const SerialDeviceInfo& device : devices) {
        QStringList about = {device.description.isEmpty() ? QStringLiteral("no description") : device.description};
        if (!device.manufacturer.isEmpty())
            about << device.manufacturer;
        if (!device.serialNumber.isEmpty())
            about << QStringLiteral("serial number %1").arg(device.serialNumber);
        text += QStringLiteral("  %1 %2\n").arg(device.location, -16).arg(about.join(QStringLiteral(", ")));
        if (!device.byIdPath.isEmpty())
            text += QStringLiteral("  %1 %2\n").arg(QString(), -16).arg(device.byIdPath);
    }
    return text;
}

int PrintPortsReport(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SelectKorvaSettings();
    std::fputs(PortsReport(ListSerialDevices()).toLocal8Bit().constData(), stdout);
    return 0;
}
