#include "AutomaticBackup.h"

#include "CaptureHistory.h"
#include "DeviceProtocol.h"
#include "ReadBack.h"
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

QString BackupFailure(const CReadBack& read)
{
    const CTransferEnd& end = read.End();
    switch (read.GetResult()) {
    case CReadBack::kNotStarted: return QStringLiteral("the device is busy with another transfer");
    case CReadBack::kNoDevice: return QStringLiteral("the device sent no data");
    case CReadBack::kIncomplete: return QStringLiteral("the device's data ended without their end line");
    case CReadBack::kTimedOut: return QStringLiteral("the device fell silent before the end of its data");
    case CReadBack::kDamaged:
        return QStringLiteral("the device's data arrived damaged (%1)").arg(DescribeDamage(end.damage));
    case CReadBack::kFailed:
        if (end.nOutcome == kOutcomeNone)
            return QStringLiteral("the port was changed");
        if (const char* why = ReceiveErrorText(end.nCode))
            return QStringLiteral("port error: %1").arg(QLatin1String(why));
        return end.nOutcome == kOutcomeOverflow ? QStringLiteral("the data did not fit into working storage")
                                                : QStringLiteral("the port failed");
    case CReadBack::kRunning:
    case CReadBack::kComplete: break;
    }
    return QString();
}
