#pragma once
// The safe write: the one way the program writes a file that is kept (a save, a capture, a copy
// of a capture). The bytes go into a temporary file beside the target and are pushed to the
// file system and synced; only then does that file take the target's name, and the folder is
// synced after it, so that the new name outlasts a power cut as well. A full disc, a file-size
// limit or a folder that has gone leaves the file that was there as it was.
#include <QString>
#include <QtGlobal>
#include <functional>

class QByteArray;
class QIODevice;
class QSettings;

namespace framework {

// Puts the content into the temporary file; false when the file did not take all of it.
using ContentWriter = std::function<bool(QIODevice& file)>;

// Writes the file at path through writeContent. False, with the reason in *error, when it could
// not be written whole; the target is then as it was.
bool SafeWrite(const QString& path, const ContentWriter& writeContent, QString* error = nullptr);
// The same with bytes as the whole content.
bool SafeWriteBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The safe write's last step alone, for a file that another writer has renamed into place:
// syncs the folder that holds path, so that the new name outlasts a power cut as well.
void SyncFolderOf(const QString& path);
// Writes the settings to their file now and syncs its folder: Qt writes the file beside the
// old one, syncs it and renames it into place, as the safe write does. False when the
// settings could not be written.
bool CommitSettings(QSettings& settings);

// Writes all size bytes into file; a short write is tried again, so that a refusal leaves the
// system's reason in file.errorString(). False when the file did not take them all.
bool WriteAll(QIODevice& file, const char* data, qint64 size);

}  // namespace framework
