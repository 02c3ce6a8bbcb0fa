#pragma once
// The window of "View data": what working storage holds now, read-only, with line numbers and
// the find bar. Each time it is shown or becomes the active window again it shows the data as
// they are then, so that it follows a download, an open file or New.
#include <QByteArray>
#include <QString>
#include <QWidget>

class QLabel;
class CDataViewer;
class CKorvaDoc;

class CWorkingStorageWnd : public QWidget {
public:
    CWorkingStorageWnd(const CKorvaDoc& doc, QWidget* parent);

    // Shows the window in front with the data as they are now.
    void Present();
    // The viewer, as the tests look at it.
    CDataViewer* Viewer() const { return m_pViewer; }

protected:
    bool event(QEvent* event) override;

private:
    void Reload();

    const CKorvaDoc& m_doc;
    CDataViewer* m_pViewer;
    QLabel* m_pSummary;
    // What is shown, so that unchanged data keep their place and selection.
    bool m_bLoaded = false;
    QByteArray m_shown;
    QString m_strShownTitle;
};
