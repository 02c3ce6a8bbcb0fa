#include "PortDevices.h"

#include "PortNames.h"
#include "v24.h"

#include <QFile>
#include "SafeWrite.h"

#include <QSettings>

namespace {

constexpr const char* kPortsGroup = "Ports";

// QSettings() is the program's settings file, the one that holds the recent-file list: the
// application object names its organisation and application.
QString Key(int32_t index)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kPortsGroup), QLatin1String(PortNameForIndex(index)));
}

void HandOver(int32_t index, const std::optional<QString>& path)
{
    if (path)
        PortSetDeviceFile(PortNameForIndex(index), QFile::encodeName(*path).constData());
    else
        PortSetDeviceFile(PortNameForIndex(index), nullptr);
}

}  // namespace

bool IsUsableDevicePath(const QString& path)
{
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return QFile::encodeName(path).size() < PORT_FILE_MAX;
}

namespace {

std::optional<QString> StoredDeviceFile(const QSettings& settings, int32_t index)
{
    const QVariant value = settings.value(Key(index));
    if (value.typeId() != QMetaType::QString || !IsUsableDevicePath(value.toString()))
        return std::nullopt;
    return value.toString();
}

}  // namespace

std::optional<QString> StoredDeviceFile(int32_t index)
{
    return StoredDeviceFile(QSettings(), index);
}

void StoreDeviceFile(int32_t index, const std::optional<QString>& path)
{
    QSettings settings;
    if (path)
        settings.setValue(Key(index), *path);
    else
        settings.remove(Key(index));
    framework::CommitSettings(settings);
    HandOver(index, path);
}

// The settings are read once for all ports.
void HandStoredDeviceFilesOver()
{
    const QSettings settings;
    for (int32_t i = 0; i < kPortCount; ++i)
        HandOver(i, StoredDeviceFile(settings, i));
}

OpenedDeviceFile DeviceFileOfPort(int32_t index)
{
    char file[PORT_FILE_MAX];
    const int32_t source = PortDeviceFile(PortNameForIndex(index), file, sizeof file);
    switch (source) {
    case PORT_FROM_ENVIRONMENT: return {QFile::decodeName(file), DeviceFileSource::environment};
    case PORT_FROM_PROGRAM: return {QFile::decodeName(file), DeviceFileSource::settings};
    case PORT_FROM_DEFAULT: return {QFile::decodeName(file), DeviceFileSource::fallback};
    default: return {QString(), StoredDeviceFile(index) ? DeviceFileSource::settings : DeviceFileSource::none};
    }
}
