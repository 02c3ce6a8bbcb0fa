#include "Document.h"

#include "Archive.h"
#include "MessageBox.h"
#include "StockTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace framework {
namespace {

// Runs the document's serialisation into file and pushes every byte to the file system: first
// the archive's buffer, then the file's own, because commit() flushes the latter without
// looking at the result. On any failure the new file is given up and the old one stays.
bool StoreCompletely(CDocument& document, QSaveFile& file)
{
    bool written;
    {
        CArchive ar(file, CArchive::store);
        document.Serialize(ar);
        written = ar.Flush();
    }
    while (written && file.bytesToWrite() > 0)
        written = file.flush();
    written = written && file.error() == QFileDevice::NoError;
    if (!written)
        file.cancelWriting();
    return written;
}

}  // namespace

QString FileOpenErrorText(const QString& path)
{
    return StockText(stockFileOpenError).arg(path);
}

QString FileSaveErrorText(const QString& path)
{
    return StockText(stockFileSaveError).arg(path);
}

void CDocument::SetPathName(const QString& path)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString& path)
{
    // Only a regular file is read: a FIFO or a device in its place would wait for a writer
    // that never comes, and a folder holds no data.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        AfxMessageBox(FileOpenErrorText(path), MB_ICONEXCLAMATION);
        return false;
    }
    DeleteContents();
    // Marked modified while loading: a failed load leaves the contents half replaced.
    SetModifiedFlag(true);
    if (file.size() != 0) {
        CArchive ar(file, CArchive::load);
        Serialize(ar);
        if (ar.Failed()) {
            AfxMessageBox(StockText(stockUnexpectedFormat), MB_ICONEXCLAMATION);
            return false;
        }
    }
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString& path)
{
    if (!WriteFile(path)) {
        AfxMessageBox(FileSaveErrorText(path), MB_ICONEXCLAMATION);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CDocument::WriteFile(const QString& path, QString* error)
{
    // Written beside the target and renamed over it only when complete, so that a full disc
    // or a refused write never destroys the file that was there.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && StoreCompletely(*this, file) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

}  // namespace framework
