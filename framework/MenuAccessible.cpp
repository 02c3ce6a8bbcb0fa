#include "MenuAccessible.h"

#include "Resources.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWindow>

namespace framework {
namespace {

constexpr const char* kMenuItemProperty = "accessibleMenuItem";

class CMenuItemAccessible : public QAccessibleObject, public QAccessibleActionInterface {
public:
    explicit CMenuItemAccessible(QAction* action) : QAccessibleObject(action), m_pAction(action) {}

    QAccessibleInterface* parent() const override
    {
        QMenu* menu = Menu();
        return menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QWindow* window() const override
    {
        QMenu* menu = Menu();
        return menu ? menu->windowHandle() : nullptr;
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: return MenuItemName(m_pAction->text());
        case QAccessible::Accelerator: return m_pAction->shortcut().toString();
        case QAccessible::Description: return m_pAction->statusTip().trimmed();
        default: return QString();
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        QMenu* menu = Menu();
        s.disabled = !m_pAction->isEnabled();
        s.invisible = !m_pAction->isVisible() || !menu || !menu->isVisible();
        s.focusable = true;
        s.focused = s.hotTracked = menu && menu->activeAction() == m_pAction;
        return s;
    }

    QRect rect() const override
    {
        QMenu* menu = Menu();
        if (!menu || !menu->isVisible())
            return QRect();
        const QRect item = menu->actionGeometry(m_pAction);
        return QRect(menu->mapToGlobal(item.topLeft()), item.size());
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && m_pAction->isEnabled())
            m_pAction->trigger();
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        const QString key = m_pAction->shortcut().toString();
        return name == pressAction() && !key.isEmpty() ? QStringList{key} : QStringList();
    }

private:
    QMenu* Menu() const
    {
        if (!m_pAction)
            return nullptr;
        for (QObject* object : m_pAction->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(object))
                return menu;
        }
        return nullptr;
    }

    QPointer<QAction> m_pAction;
};

QAccessibleInterface* MenuItemFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QAction") || !object->property(kMenuItemProperty).toBool())
        return nullptr;
    return new CMenuItemAccessible(static_cast<QAction*>(object));
}

}  // namespace

void MakeMenuItemAccessible(QAction* action)
{
    static const bool installed = [] {
        QAccessible::installFactory(MenuItemFactory);
        return true;
    }();
    (void)installed;
    action->setProperty(kMenuItemProperty, true);
}

}  // namespace framework
