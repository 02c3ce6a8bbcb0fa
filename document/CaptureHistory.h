#pragma once
// The capture history: every download that ends with data is kept as a data file of its own
// in one folder, as soon as it ends, so that nothing captured is lost before the user saves it
// (a crash, a power cut, "Nein" pressed by mistake). The files are the bytes a save of the same
// data writes, named after the moment and the kind of the download:
// YYYY-MM-DD_HH-MM-SS_<DA|DT|DD|DS>.txt, with -2, -3 ... when a name is taken. The 200 written
// last are kept. Files of other names in the folder are not captures: never listed, never removed.
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

class CKorvaDoc;

struct CCapture {
    QString path;
    QDateTime when;  // local time, from the name
    QString kind;    // the device command of the download: "DA", "DT", "DD" or "DS"
    int sequence;    // 1, or the number after the kind
    int lines;
    int64_t size;    // bytes
};

class CCaptureHistory {
public:
    static constexpr int kKept = 200;

    // $XDG_DATA_HOME/korva/captures, or ~/.local/share/korva/captures without XDG_DATA_HOME.
    static QString DefaultFolder();

    explicit CCaptureHistory(QString folder = DefaultFolder());
    const QString& Folder() const { return m_strFolder; }

    // Writes the document's data as a new capture of the kind (a download's device command),
    // taken at when; those written longest ago go beyond 200, never the new one. The capture's path, or an empty
    // text with the reason in *error. The document is not changed.
    QString Keep(CKorvaDoc& doc, const char* kind, QString* error,
                 const QDateTime& when = QDateTime::currentDateTime()) const;
    // The captures, newest first.
    std::vector<CCapture> List() const;
    // Removes a capture of this history; false for any other file or a refused removal.
    bool Remove(const QString& path) const;
    // The capture of this history that path names (its lines not counted); false for a file
    // that is none.
    bool Describe(const QString& path, CCapture* capture) const;
    // The newest capture of the kind whose file holds whole data (CKorvaDoc::IsWholeDataFile),
    // its lines not counted; captures named after now (a clock that was ahead) do not count.
    // False when there is none.
    bool NewestWhole(const char* kind, const QDateTime& now, CCapture* capture) const;

private:
    bool Read(const QString& path, bool countLines, CCapture* capture) const;
    std::vector<CCapture> Scan(bool countLines) const;
    void KeepNewest(const QString& justWritten) const;

    QString m_strFolder;
};
