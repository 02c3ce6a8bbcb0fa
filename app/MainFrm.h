#pragma once
// The main window: 500 x 200 pixels, the flat dockable toolbar at the top, the status bar with
// the message pane and the three lock indicators.
#include "ControlBars.h"
#include "FrameWnd.h"

class CMainFrame : public framework::CFrameWnd {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 200;

    CMainFrame();

    bool PreCreateWindow(framework::CREATESTRUCT& cs) override;
    int OnCreate() override;

    framework::CToolBar m_wndToolBar;
    framework::CStatusBar m_wndStatusBar;
};
