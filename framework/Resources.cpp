#include "Resources.h"

#include "AfxRes.h"
#include "StockTexts.h"

#include <map>

namespace framework {
namespace {

struct Store {
    std::map<unsigned, QString> strings;
    std::map<unsigned, MenuResource> menus;
    std::map<unsigned, ToolBarResource> toolBars;
    std::map<unsigned, AcceleratorTable> accelerators;
    std::map<unsigned, QIcon> icons;
};

Store& store()
{
    static Store s;
    return s;
}

template <typename Map>
const typename Map::mapped_type* find(const Map& map, unsigned id)
{
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

void RegisterString(unsigned id, const QString& text) { store().strings[id] = text; }
void RegisterMenu(unsigned id, MenuResource menu) { store().menus[id] = std::move(menu); }
void RegisterToolBar(unsigned id, ToolBarResource toolBar) { store().toolBars[id] = std::move(toolBar); }
void RegisterAccelerators(unsigned id, AcceleratorTable table) { store().accelerators[id] = std::move(table); }
void RegisterIcon(unsigned id, const QIcon& icon) { store().icons[id] = icon; }

// The framework's own entries of every string table, unless the program has its own.
static QString StockString(unsigned id)
{
    switch (id) {
    case ID_INDICATOR_CAPS: return StockText(stockIndicatorCaps);
    case ID_INDICATOR_NUM: return StockText(stockIndicatorNum);
    case ID_INDICATOR_SCRL: return StockText(stockIndicatorScroll);
    default: return QString();
    }
}

QString LoadString(unsigned id)
{
    const QString* text = find(store().strings, id);
    return text ? *text : StockString(id);
}

const MenuResource* FindMenu(unsigned id) { return find(store().menus, id); }
const ToolBarResource* FindToolBar(unsigned id) { return find(store().toolBars, id); }
const AcceleratorTable* FindAccelerators(unsigned id) { return find(store().accelerators, id); }

QIcon LoadIcon(unsigned id)
{
    const QIcon* icon = find(store().icons, id);
    return icon ? *icon : QIcon();
}

QString CommandPrompt(unsigned id)
{
    return LoadString(id).section(QLatin1Char('\n'), 0, 0);
}

QString CommandTip(unsigned id)
{
    const QString text = LoadString(id);
    const int split = text.indexOf(QLatin1Char('\n'));
    if (split < 0)
        return QString();
    return text.mid(split + 1).section(QLatin1Char('\n'), 0, 0);
}

QString MenuItemName(const QString& itemText)
{
    const QString shown = itemText.section(QLatin1Char('\t'), 0, 0);
    QString name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        // "&&" stands for an ampersand, a single one marks the mnemonic.
        if (shown.at(i) == QLatin1Char('&') && ++i == shown.size())
            break;
        name += shown.at(i);
    }
    return name;
}

QString CommandName(unsigned id)
{
    const QString tip = CommandTip(id).trimmed();
    if (!tip.isEmpty())
        return tip;
    for (const auto& [menuId, menu] : store().menus) {
        for (const PopupResource& popup : menu) {
            for (const MenuItemResource& item : popup.items) {
                if (item.id == id) {
                    QString name = MenuItemName(item.text);
                    while (name.endsWith(QLatin1Char('.')))
                        name.chop(1);
                    return name;
                }
            }
        }
    }
    return QString();
}

QKeySequence CommandKey(unsigned tableId, unsigned id)
{
    if (const AcceleratorTable* table = FindAccelerators(tableId)) {
        for (const AcceleratorResource& accel : *table) {
            if (accel.id == id)
                return accel.key;
        }
    }
    return QKeySequence();
}

}  // namespace framework
