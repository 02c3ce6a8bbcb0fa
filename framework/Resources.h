#pragma once
// The program's resources, registered once at start-up and looked up by identifier: strings,
// menus, toolbars with their button images, accelerator tables and icons. The frame window
// builds itself from them.
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

namespace framework {

// A menu item; an id of 0 with no text is a separator.
struct MenuItemResource {
    QString text;  // "&Open...\tStrg+O": mnemonic, and the key shown after a tab
    unsigned id = 0;
};

struct PopupResource {
    QString title;
    std::vector<MenuItemResource> items;
};

using MenuResource = std::vector<PopupResource>;

// Buttons in order; a 0 is a separator. The bitmap holds one image per button (not per
// separator), side by side, each of buttonSize.
struct ToolBarResource {
    QSize buttonSize;
    QImage bitmap;
    std::vector<unsigned> buttons;
    // The same picture of image index drawn for a screen of this device pixel ratio, with the
    // ratio set; empty: the bitmap is scaled.
    std::function<QImage(int index, qreal ratio)> drawImage;
};

struct AcceleratorResource {
    QKeySequence key;
    unsigned id = 0;
};

using AcceleratorTable = std::vector<AcceleratorResource>;

void RegisterString(unsigned id, const QString& text);
void RegisterMenu(unsigned id, MenuResource menu);
void RegisterToolBar(unsigned id, ToolBarResource toolBar);
void RegisterAccelerators(unsigned id, AcceleratorTable table);
void RegisterIcon(unsigned id, const QIcon& icon);

// The string, or an empty text when there is none.
QString LoadString(unsigned id);
// nullptr when there is no such resource.
const MenuResource* FindMenu(unsigned id);
const ToolBarResource* FindToolBar(unsigned id);
const AcceleratorTable* FindAccelerators(unsigned id);
QIcon LoadIcon(unsigned id);

// A command string holds the status-bar prompt, then after "\n" the tooltip.
QString CommandPrompt(unsigned id);
// The tooltip; a null text when the string has no "\n" part (the command shows none).
QString CommandTip(unsigned id);

// A menu item's text as it is read out: without its mnemonic and without the key after a tab.
QString MenuItemName(const QString& itemText);
// What a screen reader calls the command's button: its tooltip, or for a command without one
// the name of its menu item, without the dots that announce a dialog.
QString CommandName(unsigned id);
// The first key of accelerator table tableId that gives the command; empty for none.
QKeySequence CommandKey(unsigned tableId, unsigned id);

}  // namespace framework
