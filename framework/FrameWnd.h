#pragma once
// The frame window of a single-document program: caption, menu, accelerators, control bars
// and the one view. Every menu item, toolbar button and key gives its command through the
// frame, which routes it to the active view (and its document), then to itself, then to the
// application. While the program is idle the frame asks the update handlers which commands
// are enabled and shows that on buttons and menu items, keeps the caption in step with the
// document's title and the lock indicators in step with the keyboard.
#include "CmdTarget.h"
#include "ControlBars.h"

#include <QMainWindow>
#include <QMetaObject>
#include <map>

class QAction;
class QKeySequence;
class QMenu;

namespace framework {

class CDocument;
class CView;

struct CREATESTRUCT {
    int x = -1;  // -1: the platform's default position
    int y = -1;
    int cx = 0;  // 0: the platform's default size
    int cy = 0;
};

class CFrameWnd : public QMainWindow, public CCmdTarget, public CControlBarHost {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Builds the window from the resources of id (menu, accelerators, icon, the title from
    // the string's first field), then runs PreCreateWindow and OnCreate. False, with no window
    // shown, when either fails.
    bool LoadFrame(unsigned resourceId);
    virtual bool PreCreateWindow(CREATESTRUCT& cs);
    // 0 on success, -1 to fail the window's creation.
    virtual int OnCreate();

    // The view fills the client area; making it active tells both views.
    void SetView(CView* view);
    void SetActiveView(CView* view);
    CView* GetActiveView() const { return m_pActiveView; }
    CDocument* GetActiveDocument() const;
    // Makes the view active and updates the frame; shows the window if asked.
    void InitialUpdateFrame(bool makeVisible);

    // Docking sides the frame allows (CBRS_ALIGN_* bits) and docking a bar at its place.
    void EnableDocking(unsigned alignMask);
    void DockControlBar(CToolBar* bar);

    // Gives command id as a user does; false if it is disabled or has no handler.
    bool OnCommand(unsigned id);
    // Active view (and its document), the frame itself, then the application.
    bool OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI) override;

    // The idle work: enable buttons and menu items, caption, lock indicators.
    void OnIdleUpdateCmdUI();
    // Caption: the document's title, " - ", the frame's title.
    void OnUpdateFrameTitle();

    // The status bar's message pane: a command's prompt while it is pointed at, else the idle text.
    void SetMessageText(const QString& text);
    // The program's own message in place of the idle text, until it is cleared with an empty one.
    void SetIdleMessage(const QString& text);
    // What the message pane shows; the tests read it.
    QString GetMessageText() const;
    QMainWindow* HostWindow() override { return this; }
    void SetStatusBar(CStatusBar* bar) override { m_pStatusBar = bar; }
    void AddCommandAction(QAction* action, unsigned id) override;
    // The menu item of a command, nullptr for none; the tests choose menu items through it.
    QAction* MenuAction(unsigned id) const;

    // Framework handlers of the Help commands.
    void OnHelp();
    void OnContextHelp();

protected:
    using CCmdTarget::OnCommand;  // the table's entries, beside the public command above
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class LockKeyWatcher;
    void CreateMenu(unsigned resourceId);
    void CreateAccelerators(unsigned resourceId);
    static void ShowKey(QAction* action, const QKeySequence& key);
    void UpdateIndicators();
    QString IdleText() const;

    QString m_strTitle;
    CView* m_pView = nullptr;
    CView* m_pActiveView = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    QString m_strIdleMessage;
    std::multimap<unsigned, QAction*> m_commandActions;
    std::map<unsigned, QAction*> m_menuActions;
    QMetaObject::Connection m_idleConnection;
    unsigned m_nDockMask = 0;
    LockKeyWatcher* m_pLockKeys = nullptr;
};

}  // namespace framework
