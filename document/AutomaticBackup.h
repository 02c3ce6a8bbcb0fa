#pragma once
// The automatic backups: with the setting on, korva reads all data from the device into the
// capture history before PUT DATA and delivery mode erase them, and once a day when the device
// is found. The setting is kept in the settings file as Backups/Automatic; it is off until the
// user turns it on (Adjustment, Automatic backups), so that korva sends nothing unasked.
#include <QDateTime>
#include <QString>

class CCaptureHistory;

bool AutomaticBackupsOn();
// Writes the setting to the settings file now; false when it could not be written.
bool SetAutomaticBackups(bool on);

// The daily backup is due when the history holds no whole ALL DATA capture of the last day.
bool DailyBackupDue(const CCaptureHistory& history, const QDateTime& now = QDateTime::currentDateTime());
