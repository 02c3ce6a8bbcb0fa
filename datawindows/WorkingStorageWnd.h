#pragma once
// The window of "View data": what working storage holds now, read-only, with line numbers and
// the find bar. It shows the data as they are each time it is shown or becomes the active window
// again, and a few times a second while it is shown, so that it follows a download as its lines
// arrive, an open file or New.
#include <QByteArray>
#include <QString>
#include <QTimer>
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
    QString Summary(const QByteArray& held) const;

    const CKorvaDoc& m_doc;
    CDataViewer* m_pViewer;
    QLabel* m_pSummary;
    // Runs while the window is shown.
    QTimer m_refresh;
};
