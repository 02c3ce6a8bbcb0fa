#include "Document.h"

#include "Archive.h"
#include "MessageBox.h"
#include "SafeWrite.h"
#include "StockTexts.h"

#include <QFile>
#include <QFileInfo>

namespace framework {

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
    m_strProposedName.clear();
    SetTitle(QFileInfo(path).fileName());
}

void CDocument::SetUntitled(const QString& title, const QString& proposedName)
{
    m_strPathName.clear();
    m_strProposedName = proposedName;
    SetTitle(title);
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    m_strProposedName.clear();
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
    return SafeWrite(
        path,
        [this](QIODevice& file) {
            CArchive ar(file, CArchive::store);
            Serialize(ar);
            return ar.Flush();
        },
        error);
}

}  // namespace framework
