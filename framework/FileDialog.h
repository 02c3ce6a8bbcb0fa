#pragma once
// The file dialogs of Open and Save As, through one service so that tests can answer them
// without a window.
#include <QString>
#include <functional>

class QWidget;

namespace framework {

struct FileDialogRequest {
    bool open = true;        // Open, else Save As
    QString caption;
    QString filter;          // "Dateityp  (*.txt)"
    QString defaultSuffix;   // "txt": added to a name typed without one
    QString initialPath;
};

// The request of the Open dialog (open) or of the Save As dialog for files of one type: the
// stock caption, the type's filter ("Dateityp  (*.txt)") and its extension (".txt") without the
// dot as the suffix. An empty filter and extension ask for any file.
FileDialogRequest FileRequestForType(bool open, const QString& filter, const QString& extension,
                                     const QString& initialPath = QString());

// Returns the chosen path; an empty one when the user cancelled.
using FileDialogHandler = std::function<QString(const FileDialogRequest& request)>;

QString PromptFileName(const FileDialogRequest& request, QWidget* parent);
void SetFileDialogHandler(FileDialogHandler handler);

}  // namespace framework
