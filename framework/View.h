#pragma once
// The view base: the client area of the frame window, tied to its document. It owns window
// timers by identifier, takes part in command routing (its own table first, then its
// document's), is told when it becomes the frame's active view, and keeps a client image of
// its own that drawing goes into and that painting shows, so that what was drawn survives
// an uncovered or resized window. The image has the screen's device pixel ratio: drawing is
// in logical pixels and comes out sharp at every scale.
#include "ClientDC.h"
#include "CmdTarget.h"

#include <QImage>
#include <QWidget>
#include <map>

class QPainter;
class QTimer;

namespace framework {

class CDocument;
class CFrameWnd;

class CView : public QWidget, public CCmdTarget {
public:
    explicit CView(QWidget* parent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // The frame window the view lives in; nullptr for a view on its own.
    CFrameWnd* GetParentFrame() const;
    void SetDocument(CDocument* document) { m_pDocument = document; }

    // Starts (or restarts) timer id with the given period: OnTimer(id) follows every period.
    // The timer counts precisely, so that a period of 10 ms gives close to 100 ticks a second
    // whenever OnTimer returns in time. Returns id.
    unsigned SetTimer(unsigned id, unsigned periodMs);
    // Stops timer id; false if it was not running.
    bool KillTimer(unsigned id);
    // Only the tests ask.
    bool IsTimerRunning(unsigned id) const;

    // Called for each tick of each timer; the default does nothing.
    virtual void OnTimer(unsigned id);
    // activate is 1 when this view becomes the frame's active view, 0 when it stops being it.
    virtual void OnActivateView(int activate, CView* pActivateView, CView* pDeactiveView);
    // Printing and painting of the document's own display; the default draws nothing.
    virtual void OnDraw(QPainter* painter);
    // The Print command: the print dialog, then one page drawn by OnDraw. False when the
    // user cancelled or the printer refused.
    bool OnFilePrint();

    // The client area as drawn, in logical pixels: as large as the window has ever been, so
    // that drawing kept while the window was smaller comes back when it grows.
    CRect GetClientRect() const;
    // For drawing: first brought to the device pixel ratio of the screen the view is on now.
    QImage& ClientImage();
    // What has been drawn, as the tests look at it.
    const QImage& GetClientImage() const { return m_clientImage; }

    // The view's table, then its document's.
    bool OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void GrowClientImage(const QSize& size);
    // A new image of this logical size at the view's device pixel ratio, the old one drawn into it.
    void RemakeClientImage(const QSize& size);

    CDocument* m_pDocument = nullptr;
    std::map<unsigned, QTimer*> m_timers;
    QImage m_clientImage;
};

}  // namespace framework
