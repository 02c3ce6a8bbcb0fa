#include "MainFrm.h"

#include "ClientDC.h"
#include "Trace.h"
#include "resource.h"

namespace {

constexpr unsigned kToolBarStyle = framework::WS_CHILD | framework::WS_VISIBLE | framework::CBRS_TOP |
    framework::CBRS_GRIPPER | framework::CBRS_TOOLTIPS | framework::CBRS_FLYBY | framework::CBRS_SIZE_DYNAMIC;
constexpr unsigned kStatusBarStyle = framework::WS_CHILD | framework::WS_VISIBLE | framework::CBRS_BOTTOM;
static_assert(kToolBarStyle == 0x50402834u && kStatusBarStyle == 0x50008200u);

const unsigned kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

}  // namespace

CMainFrame::CMainFrame()
{
    OnCommand(ID_HELP_FINDER, [this] { OnHelp(); });
    OnCommand(ID_DEFAULT_HELP, [this] { OnHelp(); });
    OnCommand(ID_HELP, [this] { OnHelp(); });
    OnCommand(ID_CONTEXT_HELP, [this] { OnContextHelp(); });
}

bool CMainFrame::PreCreateWindow(framework::CREATESTRUCT& cs)
{
    if (!framework::CFrameWnd::PreCreateWindow(cs))
        return false;
    cs.cx = kWidth;
    cs.cy = kHeight;
    return true;
}

int CMainFrame::OnCreate()
{
    if (framework::CFrameWnd::OnCreate() == -1)
        return -1;
    if (!m_wndToolBar.CreateEx(this, framework::TBSTYLE_FLAT, kToolBarStyle, framework::CRect{0, 0, 0, 0})
        || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        framework::AfxTrace("%s", "Failed to create toolbar\n");
        return -1;
    }
    if (!m_wndStatusBar.Create(this, kStatusBarStyle)
        || !m_wndStatusBar.SetIndicators(kIndicators, sizeof kIndicators / sizeof kIndicators[0])) {
        framework::AfxTrace("%s", "Failed to create status bar\n");
        return -1;
    }
    m_wndToolBar.EnableDocking(framework::CBRS_ALIGN_ANY);
    EnableDocking(framework::CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    return 0;
}
