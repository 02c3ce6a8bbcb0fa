#pragma once
// The single-document template: one document, reused for New and Open, and its type string
// (window title, new-document name, file filter, extension, file-type id and name).
#include "FileDialog.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace framework {

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    // docString holds the seven fields separated by "\n"; the document stays the caller's.
    CSingleDocTemplate(const QString& docString, CDocument& document);

    QString GetDocString(DocStringIndex index) const;
    CDocument& GetDocument() const { return m_document; }
    // The request of the Open dialog (open) or of the Save As dialog for this type's files.
    FileDialogRequest FileRequest(bool open, const QString& initialPath = QString()) const;

    // The classes of the document's window: the frame is built from the resources of
    // resourceId, the view fills it.
    void SetWindowClasses(unsigned resourceId, std::function<CFrameWnd*()> newFrame,
                          std::function<CView*()> newView);
    // Creates the frame with its view on the document, not yet shown; nullptr (and nothing
    // left of it) when the frame's creation failed.
    CFrameWnd* CreateNewFrame();

    // The title of a document that has no file yet: the name for new documents.
    void SetDefaultTitle(CDocument& document) const;

    // File New: default title, then the document's New step.
    bool OnFileNew();
    // Opens a data file into the document. A load that fails after the document was touched
    // re-initialises it as by New; a file that cannot be opened leaves it as it was.
    bool OpenDocumentFile(const QString& path);
    // Opens a file's data into the document as OpenDocumentFile does, with the same checks and
    // messages, but the file does not become the document's (CDocument::SetUntitled): a save
    // never writes it.
    bool OpenDocumentData(const QString& path, const QString& title, const QString& proposedName);
    // Saves the document into path and makes that its file.
    bool SaveDocument(const QString& path);

private:
    // The load of both: false when it failed, the document re-initialised if it was touched.
    bool LoadDocument(const QString& path);

    QStringList m_docStrings;
    CDocument& m_document;
    unsigned m_nResourceId = 0;
    std::function<CFrameWnd*()> m_newFrame;
    std::function<CView*()> m_newView;
};

}  // namespace framework
