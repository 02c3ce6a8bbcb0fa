#pragma once
// The frame's control bars: a dockable toolbar whose buttons give commands, and a status bar
// with a message pane and indicator panes. Their styles take the window-style bits below.
#include "AfxRes.h"

#include <QString>
#include <Qt>
#include <vector>

class QAction;
class QLabel;
class QMainWindow;
class QStatusBar;
class QToolBar;

namespace framework {

class CStatusBar;
struct CRect;

// What a control bar needs of the window it lives in; the frame window is one.
class CControlBarHost {
public:
    virtual QMainWindow* HostWindow() = 0;
    // A toolbar button gives its command through the host.
    virtual void AddCommandAction(QAction* action, unsigned id) = 0;
    virtual void SetStatusBar(CStatusBar* bar) = 0;

protected:
    ~CControlBarHost() = default;
};

// Window and control-bar style bits.
enum : unsigned {
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    TBSTYLE_FLAT = 0x0800,
    CBRS_SIZE_DYNAMIC = 0x0004,
    CBRS_TOOLTIPS = 0x0010,
    CBRS_FLYBY = 0x0020,
    CBRS_BORDER_TOP = 0x0200,
    CBRS_BORDER_BOTTOM = 0x0800,
    CBRS_ALIGN_LEFT = 0x1000,
    CBRS_ALIGN_TOP = 0x2000,
    CBRS_ALIGN_RIGHT = 0x4000,
    CBRS_ALIGN_BOTTOM = 0x8000,
    CBRS_ALIGN_ANY = 0xF000,
    CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM,
    CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP,
    CBRS_GRIPPER = 0x00400000,
};

// The toolbar areas of a set of CBRS_ALIGN_* bits.
Qt::ToolBarAreas ToolBarAreasFor(unsigned alignMask);

class CToolBar {
public:
    CToolBar() = default;
    CToolBar(const CToolBar&) = delete;
    CToolBar& operator=(const CToolBar&) = delete;

    // Creates the bar in the frame: CBRS_TOOLTIPS shows tooltips, CBRS_FLYBY shows the
    // command's prompt in the status bar while the mouse is on a button, CBRS_GRIPPER lets the
    // user move it, CBRS_ALIGN_* says where it starts. False if the frame has no room for it.
    bool CreateEx(CControlBarHost* parent, unsigned ctrlStyle, unsigned style, const CRect& borders,
                  unsigned id = AFX_IDW_TOOLBAR);
    // Takes the buttons and images of toolbar resource id; false if there is none.
    bool LoadToolBar(unsigned id);
    // Where the bar may dock (CBRS_ALIGN_* bits).
    void EnableDocking(unsigned alignMask);

    QToolBar* GetToolBarCtrl() const { return m_pBar; }
    // The action of a button's command, nullptr for none; the tests press buttons through it.
    QAction* ActionFor(unsigned id) const;

private:
    CControlBarHost* m_pHost = nullptr;
    QToolBar* m_pBar = nullptr;
    unsigned m_nStyle = 0;
};

class CStatusBar {
public:
    CStatusBar() = default;
    CStatusBar(const CStatusBar&) = delete;
    CStatusBar& operator=(const CStatusBar&) = delete;

    bool Create(CControlBarHost* parent, unsigned style, unsigned id = AFX_IDW_STATUS_BAR);
    // One pane per id: ID_SEPARATOR is the stretching message pane, any other id an
    // indicator sized for its string. False if an indicator has no string.
    bool SetIndicators(const unsigned* ids, int count);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    unsigned GetItemID(int index) const;
    QString GetPaneText(int index) const;
    void SetPaneText(int index, const QString& text);
    // The tests read the bar through it.
    QStatusBar* GetStatusBarCtrl() const { return m_pBar; }

private:
    struct Pane {
        unsigned id;
        QLabel* label;
    };
    QStatusBar* m_pBar = nullptr;
    std::vector<Pane> m_panes;
};

}  // namespace framework
