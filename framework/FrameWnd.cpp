#include "FrameWnd.h"

#include "ControlBars.h"
#include "Document.h"
#include "HelpWindow.h"
#include "LockKeys.h"
#include "MenuAccessible.h"
#include "Resources.h"
#include "SecondaryWindow.h"
#include "View.h"
#include "WinApp.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QWhatsThis>

namespace framework {

// Keys that may change a lock state; the indicators are read again after one of them.
class CFrameWnd::LockKeyWatcher : public QObject {
public:
    explicit LockKeyWatcher(QObject* parent) : QObject(parent) {}
    bool dirty = true;
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type t = event->type();
        if (t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::ApplicationActivate)
            dirty = true;
        return false;
    }
};

CFrameWnd::CFrameWnd()
{
    // The idle work runs each time the event loop has nothing left to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                            [this] { OnIdleUpdateCmdUI(); });
}

CFrameWnd::~CFrameWnd()
{
    QObject::disconnect(m_idleConnection);
}

bool CFrameWnd::LoadFrame(unsigned resourceId)
{
    m_strTitle = LoadString(resourceId).section(QLatin1Char('\n'), 0, 0);
    setWindowIcon(LoadIcon(resourceId));
    CreateMenu(resourceId);
    CreateAccelerators(resourceId);
    CREATESTRUCT cs;
    if (!PreCreateWindow(cs))
        return false;
    if (cs.cx > 0 && cs.cy > 0)
        FitToScreen(this, QSize(cs.cx, cs.cy));
    if (cs.x >= 0 && cs.y >= 0)
        move(cs.x, cs.y);
    if (OnCreate() == -1)
        return false;
    m_pLockKeys = new LockKeyWatcher(this);
    qApp->installEventFilter(m_pLockKeys);
    OnUpdateFrameTitle();
    return true;
}

bool CFrameWnd::PreCreateWindow(CREATESTRUCT&)
{
    return true;
}

int CFrameWnd::OnCreate()
{
    return 0;
}

void CFrameWnd::CreateMenu(unsigned resourceId)
{
    const MenuResource* menu = FindMenu(resourceId);
    if (!menu)
        return;
    for (const PopupResource& popup : *menu) {
        QMenu* qmenu = menuBar()->addMenu(popup.title);
        for (const MenuItemResource& item : popup.items) {
            if (item.id == 0) {
                qmenu->addSeparator();
                continue;
            }
            QAction* action = qmenu->addAction(item.text);
            action->setStatusTip(CommandPrompt(item.id));
            ShowKey(action, CommandKey(resourceId, item.id));
            MakeMenuItemAccessible(action);
            AddCommandAction(action, item.id);
            m_menuActions[item.id] = action;
        }
    }
}

// The item shows its command's key and tells it as its shortcut (to a screen reader among
// others), but the key stays the accelerator's, which also refuses a disabled command with the
// framework's trace: the item's own shortcut applies only where the menu bar holds the focus.
void CFrameWnd::ShowKey(QAction* action, const QKeySequence& key)
{
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
}

void CFrameWnd::CreateAccelerators(unsigned resourceId)
{
    const AcceleratorTable* table = FindAccelerators(resourceId);
    if (!table)
        return;
    for (const AcceleratorResource& accel : *table) {
        auto* shortcut = new QShortcut(accel.key, this);
        shortcut->setContext(Qt::WindowShortcut);
        const unsigned id = accel.id;
        QObject::connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
    }
}

void CFrameWnd::AddCommandAction(QAction* action, unsigned id)
{
    m_commandActions.emplace(id, action);
    QObject::connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
}

QAction* CFrameWnd::MenuAction(unsigned id) const
{
    auto it = m_menuActions.find(id);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void CFrameWnd::SetView(CView* view)
{
    m_pView = view;
    view->setParent(this);
    setCentralWidget(view);
}

void CFrameWnd::SetActiveView(CView* view)
{
    if (view == m_pActiveView)
        return;
    CView* previous = m_pActiveView;
    m_pActiveView = view;
    if (previous)
        previous->OnActivateView(0, view, previous);
    if (view)
        view->OnActivateView(1, view, previous);
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    CView* view = m_pActiveView ? m_pActiveView : m_pView;
    return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(bool makeVisible)
{
    SetActiveView(m_pView);
    OnIdleUpdateCmdUI();
    if (makeVisible)
        show();
}

void CFrameWnd::EnableDocking(unsigned alignMask)
{
    m_nDockMask = alignMask;
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
}

void CFrameWnd::DockControlBar(CToolBar* bar)
{
    // Docked where its style put it, on a side both the bar and the frame allow.
    QToolBar* toolBar = bar ? bar->GetToolBarCtrl() : nullptr;
    if (!toolBar)
        return;
    toolBar->setAllowedAreas(toolBar->allowedAreas() & ToolBarAreasFor(m_nDockMask));
    addToolBar(toolBarArea(toolBar), toolBar);
}

bool CFrameWnd::OnCommand(unsigned id)
{
    return ExecuteCommand(*this, id);
}

bool CFrameWnd::OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI)
{
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, code, pCmdUI))
        return true;
    if (DispatchOwn(id, code, pCmdUI))
        return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, pCmdUI);
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    for (auto& [id, action] : m_commandActions) {
        int check = -1;
        const bool enabled = IsCommandEnabled(*this, id, &check);
        if (action->isEnabled() != enabled)
            action->setEnabled(enabled);
        if (check >= 0) {
            action->setCheckable(true);
            action->setChecked(check == 1);
        }
    }
    OnUpdateFrameTitle();
    UpdateIndicators();
}

void CFrameWnd::OnUpdateFrameTitle()
{
    CDocument* document = GetActiveDocument();
    const QString caption = document ? document->GetTitle() + QStringLiteral(" - ") + m_strTitle : m_strTitle;
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void CFrameWnd::UpdateIndicators()
{
    if (!m_pStatusBar || (m_pLockKeys && !m_pLockKeys->dirty))
        return;
    if (m_pLockKeys)
        m_pLockKeys->dirty = false;
    LockStates states;
    const bool known = QueryLockStates(states);
    for (int i = 0; i < m_pStatusBar->GetCount(); ++i) {
        const unsigned id = m_pStatusBar->GetItemID(i);
        bool on = false;
        if (id == ID_INDICATOR_CAPS)
            on = states.caps;
        else if (id == ID_INDICATOR_NUM)
            on = states.num;
        else if (id == ID_INDICATOR_SCRL)
            on = states.scroll;
        else
            continue;
        m_pStatusBar->SetPaneText(i, known && on ? LoadString(id) : QString());
    }
}

void CFrameWnd::SetMessageText(const QString& text)
{
    if (m_pStatusBar && m_pStatusBar->GetCount() > 0)
        m_pStatusBar->SetPaneText(0, text);
}

void CFrameWnd::SetIdleMessage(const QString& text)
{
    m_strIdleMessage = text;
    SetMessageText(IdleText());
}

QString CFrameWnd::IdleText() const
{
    return m_strIdleMessage.isEmpty() ? LoadString(AFX_IDS_IDLEMESSAGE) : m_strIdleMessage;
}

QString CFrameWnd::GetMessageText() const
{
    return m_pStatusBar ? m_pStatusBar->GetPaneText(0) : QString();
}

void CFrameWnd::OnHelp()
{
    ShowHelpWindow(this);
}

void CFrameWnd::OnContextHelp()
{
    QWhatsThis::enterWhatsThisMode();
}

bool CFrameWnd::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetMessageText(tip.isEmpty() ? IdleText() : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CFrameWnd::closeEvent(QCloseEvent* event)
{
    CDocument* document = GetActiveDocument();
    if (document && !document->SaveModified()) {
        event->ignore();
        return;
    }
    SetActiveView(nullptr);
    event->accept();
}

}  // namespace framework
