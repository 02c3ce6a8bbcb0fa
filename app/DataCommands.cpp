// The commands that look at data: the capture history window, the working-storage window, the
// transfer log and the comparison with the device; and the support report. Each window is made
// on first use as a window of the main window's own, so that it goes when the main window goes,
// and is brought to the front when its command is given again.
#include "Korva.h"

#include "CaptureHistoryWnd.h"
#include "DeviceComparison.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "SupportReport.h"
#include "TransferLog.h"
#include "TransferLogWnd.h"
#include "WorkingStorageWnd.h"

#include <QClipboard>
#include <QGuiApplication>

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

void CKorvaApp::OnTransferLog()
{
    auto* window = OwnWindow<CTransferLogWnd>(m_pMainWnd);
    if (!window)
        window = new CTransferLogWnd(CTransferLog::Program(), m_pMainWnd);
    window->Present();
}

void CKorvaApp::OnCopySupportReport()
{
    const QString report = SupportReport(*GetDocument());
    QGuiApplication::clipboard()->setText(report);
    m_pMainWnd->SetIdleMessage(
        QStringLiteral("The support report is on the clipboard (%1 lines)").arg(report.count(QLatin1Char('\n'))));
}

bool CKorvaApp::CanCompareWithDevice() const
{
    const CKorvaView* view = GetView();
    return view && GetDocument() && GetDocument()->m_nDataSize > 0 && view->m_bIdentified == 1 && view->IsIdle()
        && !(m_pComparison && m_pComparison->IsRunning());
}

void CKorvaApp::OnCompareWithDevice()
{
    if (!CanCompareWithDevice())
        return;
    m_pComparison = std::make_unique<CDeviceComparison>(*GetDocument(), *GetView(), *m_pMainWnd);
    m_pComparison->Start();
}
