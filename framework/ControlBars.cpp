#include "ControlBars.h"

#include "ClientDC.h"
#include "Resources.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace framework {
namespace {

constexpr const char* kCommandIdProperty = "commandId";
constexpr const char* kNoTipProperty = "noTip";

// A button whose command has no tooltip shows none (Qt would show the button's text).
class NoTipFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto* button = qobject_cast<QToolButton*>(watched);
        return button && button->defaultAction() && button->defaultAction()->property(kNoTipProperty).toBool();
    }
};

// The screens' usual scales beside 1: a button shows a picture drawn for its scale, never one
// stretched from another.
constexpr qreal kImageRatios[] = {1.25, 1.5, 1.75, 2, 2.5, 3, 4};

QIcon ButtonIcon(const ToolBarResource& resource, int index)
{
    const QRect cell(QPoint(index * resource.buttonSize.width(), 0), resource.buttonSize);
    QIcon icon(QPixmap::fromImage(resource.bitmap.copy(cell)));
    if (resource.drawImage) {
        for (qreal ratio : kImageRatios)
            icon.addPixmap(QPixmap::fromImage(resource.drawImage(index, ratio)));
    }
    return icon;
}

Qt::ToolBarArea AreaFor(unsigned style)
{
    if (style & CBRS_ALIGN_BOTTOM && !(style & CBRS_ALIGN_TOP))
        return Qt::BottomToolBarArea;
    if (style & CBRS_ALIGN_LEFT && !(style & CBRS_ALIGN_TOP))
        return Qt::LeftToolBarArea;
    if (style & CBRS_ALIGN_RIGHT && !(style & CBRS_ALIGN_TOP))
        return Qt::RightToolBarArea;
    return Qt::TopToolBarArea;
}

}  // namespace

Qt::ToolBarAreas ToolBarAreasFor(unsigned alignMask)
{
    Qt::ToolBarAreas areas;
    if (alignMask & CBRS_ALIGN_TOP)
        areas |= Qt::TopToolBarArea;
    if (alignMask & CBRS_ALIGN_BOTTOM)
        areas |= Qt::BottomToolBarArea;
    if (alignMask & CBRS_ALIGN_LEFT)
        areas |= Qt::LeftToolBarArea;
    if (alignMask & CBRS_ALIGN_RIGHT)
        areas |= Qt::RightToolBarArea;
    return areas;
}

bool CToolBar::CreateEx(CControlBarHost* host, unsigned, unsigned style, const CRect& borders, unsigned id)
{
    if (!host || m_pBar)
        return false;
    m_pHost = host;
    QMainWindow* parent = host->HostWindow();
    m_nStyle = style;
    m_pBar = new QToolBar(parent);
    m_pBar->setObjectName(QStringLiteral("toolbar%1").arg(id));
    m_pBar->setContentsMargins(borders.left, borders.top, borders.right, borders.bottom);
    m_pBar->setMovable((style & CBRS_GRIPPER) != 0);
    m_pBar->setFloatable((style & CBRS_SIZE_DYNAMIC) != 0);
    m_pBar->setAllowedAreas(AreaFor(style));
    parent->addToolBar(AreaFor(style), m_pBar);
    m_pBar->setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CToolBar::LoadToolBar(unsigned id)
{
    const ToolBarResource* resource = FindToolBar(id);
    if (!m_pBar || !resource)
        return false;
    m_pBar->setIconSize(resource->buttonSize);
    auto* filter = new NoTipFilter(m_pBar);
    int image = 0;
    for (unsigned command : resource->buttons) {
        if (command == ID_SEPARATOR) {
            m_pBar->addSeparator();
            continue;
        }
        QAction* action = m_pBar->addAction(ButtonIcon(*resource, image++), QString());
        action->setProperty(kCommandIdProperty, command);
        const QString tip = CommandTip(command);
        action->setToolTip(tip);
        action->setProperty(kNoTipProperty, tip.isNull() || !(m_nStyle & CBRS_TOOLTIPS));
        if (m_nStyle & CBRS_FLYBY)
            action->setStatusTip(CommandPrompt(command));
        if (QWidget* button = m_pBar->widgetForAction(action)) {
            button->installEventFilter(filter);
            button->setAccessibleName(CommandName(command));
            button->setAccessibleDescription(CommandPrompt(command).trimmed());
        }
        m_pHost->AddCommandAction(action, command);
    }
    return true;
}

void CToolBar::EnableDocking(unsigned alignMask)
{
    if (m_pBar)
        m_pBar->setAllowedAreas(ToolBarAreasFor(alignMask));
}

QAction* CToolBar::ActionFor(unsigned id) const
{
    if (!m_pBar)
        return nullptr;
    for (QAction* action : m_pBar->actions()) {
        if (!action->isSeparator() && action->property(kCommandIdProperty).toUInt() == id)
            return action;
    }
    return nullptr;
}

bool CStatusBar::Create(CControlBarHost* host, unsigned style, unsigned)
{
    if (!host || m_pBar)
        return false;
    m_pBar = new QStatusBar(host->HostWindow());
    m_pBar->setSizeGripEnabled(false);
    host->HostWindow()->setStatusBar(m_pBar);
    host->SetStatusBar(this);
    m_pBar->setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CStatusBar::SetIndicators(const unsigned* ids, int count)
{
    if (!m_pBar || !ids)
        return false;
    for (int i = 0; i < count; ++i) {
        auto* label = new QLabel(m_pBar);
        if (ids[i] == ID_SEPARATOR) {
            label->setText(LoadString(AFX_IDS_IDLEMESSAGE));
            // A long message is cut at the window's edge; it never makes the window wider.
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            m_pBar->addWidget(label, 1);
        } else {
            const QString text = LoadString(ids[i]);
            if (text.isEmpty())
                return false;
            // Sized for its text, which shows only while the lock is on.
            label->setAlignment(Qt::AlignCenter);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setMinimumWidth(QFontMetrics(label->font()).horizontalAdvance(text) + 8);
            m_pBar->addPermanentWidget(label);
        }
        m_panes.push_back({ids[i], label});
    }
    return true;
}

unsigned CStatusBar::GetItemID(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[index].id : 0;
}

QString CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[index].label->text() : QString();
}

void CStatusBar::SetPaneText(int index, const QString& text)
{
    if (index >= 0 && index < GetCount() && m_panes[index].label->text() != text)
        m_panes[index].label->setText(text);
}

}  // namespace framework
