#include "FileDialog.h"

#include "StockTexts.h"

#include <QFileDialog>

namespace framework {
namespace {

FileDialogHandler& handlerSlot()
{
    static FileDialogHandler handler;
    return handler;
}

}  // namespace

FileDialogRequest FileRequestForType(bool open, const QString& filter, const QString& extension,
                                     const QString& initialPath)
{
    FileDialogRequest request;
    request.open = open;
    request.caption = StockText(open ? stockOpenTitle : stockSaveAsTitle);
    request.filter = filter;
    request.defaultSuffix = QString(extension).remove(QLatin1Char('.'));
    request.initialPath = initialPath;
    return request;
}

QString PromptFileName(const FileDialogRequest& request, QWidget* parent)
{
    if (handlerSlot())
        return handlerSlot()(request);
    QFileDialog dialog(parent, request.caption, request.initialPath, request.filter);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void SetFileDialogHandler(FileDialogHandler handler)
{
    handlerSlot() = std::move(handler);
}

}  // namespace framework
