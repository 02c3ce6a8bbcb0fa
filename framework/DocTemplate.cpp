#include "DocTemplate.h"

#include "Document.h"
#include "FrameWnd.h"
#include "StockTexts.h"
#include "View.h"

namespace framework {

CSingleDocTemplate::CSingleDocTemplate(const QString& docString, CDocument& document)
    : m_docStrings(docString.split(QLatin1Char('\n'))), m_document(document)
{
    m_document.m_pDocTemplate = this;
}

QString CSingleDocTemplate::GetDocString(DocStringIndex index) const
{
    return index < m_docStrings.size() ? m_docStrings.at(index) : QString();
}

FileDialogRequest CSingleDocTemplate::FileRequest(bool open, const QString& initialPath) const
{
    return FileRequestForType(open, GetDocString(filterName), GetDocString(filterExt), initialPath);
}

void CSingleDocTemplate::SetDefaultTitle(CDocument& document) const
{
    const QString name = GetDocString(fileNewName);
    document.SetTitle(name.isEmpty() ? StockText(stockUntitled) : name);
}

bool CSingleDocTemplate::OnFileNew()
{
    SetDefaultTitle(m_document);
    return m_document.OnNewDocument();
}

bool CSingleDocTemplate::LoadDocument(const QString& path)
{
    if (m_document.OnOpenDocument(path))
        return true;
    if (m_document.IsModified()) {
        SetDefaultTitle(m_document);
        m_document.OnNewDocument();
    }
    return false;
}

bool CSingleDocTemplate::OpenDocumentFile(const QString& path)
{
    if (!LoadDocument(path))
        return false;
    m_document.SetPathName(path);
    return true;
}

bool CSingleDocTemplate::OpenDocumentData(const QString& path, const QString& title, const QString& proposedName)
{
    if (!LoadDocument(path))
        return false;
    m_document.SetUntitled(title, proposedName);
    return true;
}

bool CSingleDocTemplate::SaveDocument(const QString& path)
{
    if (!m_document.OnSaveDocument(path))
        return false;
    m_document.SetPathName(path);
    return true;
}

void CSingleDocTemplate::SetWindowClasses(unsigned resourceId, std::function<CFrameWnd*()> newFrame,
                                          std::function<CView*()> newView)
{
    m_nResourceId = resourceId;
    m_newFrame = std::move(newFrame);
    m_newView = std::move(newView);
}

CFrameWnd* CSingleDocTemplate::CreateNewFrame()
{
    if (!m_newFrame || !m_newView)
        return nullptr;
    CFrameWnd* frame = m_newFrame();
    CView* view = m_newView();
    view->SetDocument(&m_document);
    frame->SetView(view);
    if (!frame->LoadFrame(m_nResourceId)) {
        delete frame;
        return nullptr;
    }
    return frame;
}

}  // namespace framework
