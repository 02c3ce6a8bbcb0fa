#pragma once
// The document base of the single-document framework: title, path name, modified flag and the
// open and save flows that run the document's serialisation over a byte-wise archive.
#include "CmdTarget.h"
#include "FileDialog.h"

#include <QString>

namespace framework {

class CArchive;
class CSingleDocTemplate;

class CDocument : public CCmdTarget {
public:
    // Takes the Save and Save As commands.
    CDocument();

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title) { m_strTitle = title; }
    const QString& GetPathName() const { return m_strPathName; }
    // Remembers the file and shows its name (with extension) as the title.
    virtual void SetPathName(const QString& path);
    // Leaves the document without a file of its own, as new data are: Save asks where to save,
    // the title names the data, and the Save As dialog proposes proposedName in the current
    // folder (the title when it is empty).
    void SetUntitled(const QString& title, const QString& proposedName = QString());

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // New: empties the contents, forgets the path and clears the modified flag.
    virtual bool OnNewDocument();
    // Open: reads the file through Serialize; a zero-length file is not handed to the document.
    // A file that cannot be opened, or is no regular file, is reported and leaves the document untouched (false, not
    // modified); a load that runs past the end is reported and returns false with the document
    // marked modified, so that the template re-initialises it.
    virtual bool OnOpenDocument(const QString& path);
    // Save: writes the file through Serialize; the old file stays as it was if writing fails.
    virtual bool OnSaveDocument(const QString& path);
    // Writes the file through Serialize and the safe write, as Save does, and nothing else: no
    // message, and path, title and modified flag stay. False, with the reason in *error, when
    // the file could not be written whole.
    bool WriteFile(const QString& path, QString* error = nullptr);

    // Before the data are replaced or the program ends: a modified document asks whether to
    // save it. "Ja" saves (through Save As when it has no file yet) and goes on only if that
    // worked, "Nein" goes on, "Abbrechen" stops. True to go on.
    virtual bool SaveModified();
    // Save: into the document's file, or through Save As when it has none. Save As: asks for
    // a file first. True when the data were saved.
    bool DoFileSave();
    bool DoSave(const QString& path);
    // The request of the Save As dialog for this document's type of file, starting at
    // initialPath.
    FileDialogRequest SaveAsRequest(const QString& initialPath) const;

    virtual void DeleteContents() {}
    virtual void Serialize(CArchive& ar) = 0;

private:
    friend class CSingleDocTemplate;
    QString m_strTitle;
    QString m_strPathName;
    QString m_strProposedName;
    bool m_bModified = false;
    CSingleDocTemplate* m_pDocTemplate = nullptr;
};

// The framework's messages for a file that cannot be opened or saved.
QString FileOpenErrorText(const QString& path);
QString FileSaveErrorText(const QString& path);

}  // namespace framework
