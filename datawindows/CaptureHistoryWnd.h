#pragma once
// The capture history window (File, "Capture history..."): the downloads kept on disc, newest
// first, and a read-only preview of the one selected. A capture opens into working storage with
// File Open's save question, checks and messages, as data without a file of their own: the
// capture on disc is a record and never changes. A capture can be saved elsewhere, deleted after
// a question, compared with a second one, and the folder shown in the desktop's file manager.
// The window's boxes stand over it.
#include "CaptureHistory.h"

#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QUrl;
class CDataViewer;

namespace framework {
class CDocument;
class CWinApp;
}  // namespace framework

class CCaptureHistoryWnd : public QWidget {
public:
    CCaptureHistoryWnd(framework::CWinApp& app, framework::CDocument& doc, QWidget* parent);

    // Shows the window in front, with the history as it is now.
    void Present();
    // Lists the captures again; the selection stays where its captures still are.
    void Refresh();

    void OnOpen();
    void OnSaveAs();
    void OnDelete();
    void OnCompare();
    void OnShowFolder();

    // The list and the preview, as the tests look at them.
    QTreeWidget* List() const { return m_pList; }
    CDataViewer* Preview() const { return m_pPreview; }
    // Hands the folder to the desktop's file manager; a test puts its own here.
    std::function<bool(const QUrl&)> m_openUrl;

protected:
    // Becoming active again lists the captures written meanwhile.
    bool event(QEvent* event) override;

private:
    QWidget* MakeList();
    QWidget* MakeButtons();
    std::vector<CCapture> Selected() const;
    void FillList(const QStringList& selected, const QString& currentPath);
    void ShowPreview();
    void UpdateButtons();
    void ShowFolderLine();
    void FitList();
    QDateTime FolderTime() const;

    framework::CWinApp& m_app;
    framework::CDocument& m_doc;
    CCaptureHistory m_history;
    std::vector<CCapture> m_captures;
    QDateTime m_tListed;
    QTreeWidget* m_pList = nullptr;
    CDataViewer* m_pPreview = nullptr;
    QLabel* m_pFolder = nullptr;
    QLabel* m_pPreviewTitle = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pSaveAs = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pCompare = nullptr;
};
