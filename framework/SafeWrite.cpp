#include "SafeWrite.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <fcntl.h>
#include <unistd.h>

namespace framework {
namespace {

// Pushes what the file still buffers to the file system: commit() flushes it too, but without
// looking at the result, and would give a cut-off file the target's name. A short write is
// tried again, as the write after it fails with the system's reason.
bool FlushCompletely(QSaveFile& file)
{
    for (qint64 left = file.bytesToWrite(); left > 0;) {
        file.flush();
        const qint64 now = file.bytesToWrite();
        if (now == left)
            break;
        left = now;
    }
    return file.bytesToWrite() == 0 && file.error() == QFileDevice::NoError;
}

}  // namespace

// The file is whole and in place already: a folder that cannot be synced (some file systems
// cannot) undoes nothing.
void SyncFolderOf(const QString& path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

bool CommitSettings(QSettings& settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return false;
    SyncFolderOf(settings.fileName());
    return true;
}

bool WriteAll(QIODevice& file, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool SafeWrite(const QString& path, const ContentWriter& writeContent, QString* error)
{
    // commit() syncs the file before it renames it; a file that is not committed is removed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !writeContent(file) || !FlushCompletely(file) || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool SafeWriteBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    return SafeWrite(
        path, [&bytes](QIODevice& file) { return WriteAll(file, bytes.constData(), bytes.size()); }, error);
}

}  // namespace framework
