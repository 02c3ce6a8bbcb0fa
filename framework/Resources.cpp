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

}  // namespace framework
