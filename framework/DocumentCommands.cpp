// The document's commands and questions: Save, Save As, the question before modified data are
// replaced, and a file's data opened as data without a file of their own.
#include "AfxRes.h"
#include "DocTemplate.h"
#include "Document.h"
#include "FileDialog.h"
#include "FrameWnd.h"
#include "MessageBox.h"
#include "StockTexts.h"
#include "WinApp.h"

#include <QDir>
#include <QFileInfo>

namespace framework {

CDocument::CDocument()
{
    OnCommand(ID_FILE_SAVE, [this] { DoFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { DoSave(QString()); });
}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    const QString name = GetPathName().isEmpty() ? GetTitle() : GetPathName();
    switch (AfxMessageBox(StockText(stockAskToSave).arg(name), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES: return DoFileSave();
    case IDNO: return true;
    default: return false;
    }
}

bool CDocument::DoFileSave()
{
    // A file that has gone or cannot be written any more is saved under a new name instead.
    const QFileInfo file(GetPathName());
    if (GetPathName().isEmpty() || (file.exists() && !file.isWritable()))
        return DoSave(QString());
    return DoSave(GetPathName());
}

bool CDocument::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        QString base = GetPathName();
        if (base.isEmpty())
            base = m_strProposedName.isEmpty() ? GetTitle() : m_strProposedName;
        target = PromptFileName(SaveAsRequest(QFileInfo(base).isAbsolute() ? base : QDir::current().filePath(base)),
                                AfxGetMainWnd());
        if (target.isEmpty())
            return false;
    }
    const bool saved = m_pDocTemplate ? m_pDocTemplate->SaveDocument(target) : OnSaveDocument(target);
    if (saved && AfxGetApp())
        AfxGetApp()->AddToRecentFileList(target);
    return saved;
}

CDocument* CWinApp::OpenDocumentData(const QString& path, const QString& title, const QString& proposedName)
{
    if (!m_pDocTemplate || !m_pDocTemplate->OpenDocumentData(path, title, proposedName))
        return nullptr;
    return &m_pDocTemplate->GetDocument();
}

FileDialogRequest CDocument::SaveAsRequest(const QString& initialPath) const
{
    return m_pDocTemplate ? m_pDocTemplate->FileRequest(false, initialPath)
                          : FileRequestForType(false, QString(), QString(), initialPath);
}

}  // namespace framework
