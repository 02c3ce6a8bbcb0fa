#include "AutomaticBackup.h"

#include "CaptureHistory.h"
#include "DeviceProtocol.h"
#include "SafeWrite.h"
#include "resource.h"

#include <QSettings>

namespace {
constexpr const char* kKey = "Backups/Automatic";
constexpr qint64 kSecondsPerDay = 24 * 60 * 60;
}  // namespace

bool AutomaticBackupsOn()
{
    return QSettings().value(QLatin1String(kKey), false).toBool();
}

bool SetAutomaticBackups(bool on)
{
    QSettings settings;
    settings.setValue(QLatin1String(kKey), on);
    return framework::CommitSettings(settings);
}

bool DailyBackupDue(const CCaptureHistory& history, const QDateTime& now)
{
    CCapture newest;
    return !history.NewestWhole(DownloadKindForCommand(ID_ALL_DATA)->deviceCommand, now, &newest)
        || newest.when.secsTo(now) >= kSecondsPerDay;
}
