// The commands that look at data: the capture history window and the working-storage window.
// Each window is made on first use as a window of the main window's own, so that it goes when
// the main window goes, and is brought to the front when its command is given again.
#include "Korva.h"

#include "CaptureHistoryWnd.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "WorkingStorageWnd.h"

namespace {

template <class TWindow>
TWindow* OwnWindow(QWidget* owner)
{
    for (QObject* child : owner->children()) {
        if (auto* window = dynamic_cast<TWindow*>(child))
            return window;
    }
    return nullptr;
}

}  // namespace

void CKorvaApp::OnFileCaptureHistory()
{
    auto* window = OwnWindow<CCaptureHistoryWnd>(m_pMainWnd);
    if (!window)
        window = new CCaptureHistoryWnd(*this, *GetDocument(), m_pMainWnd);
    window->Present();
}

void CKorvaApp::OnFileViewData()
{
    auto* window = OwnWindow<CWorkingStorageWnd>(m_pMainWnd);
    if (!window)
        window = new CWorkingStorageWnd(*GetDocument(), m_pMainWnd);
    window->Present();
}
