#pragma once
// What assistive tools are told of the frame's menu items. An item's text carries the key it is
// given with after a tab ("&New\tStrg+N"), as the menu shows it; a screen reader is given the
// name alone ("New") and the key as the item's shortcut ("Ctrl+N").
class QAction;

namespace framework {

// Makes the action of a menu item speak as above; the first call installs the factory.
void MakeMenuItemAccessible(QAction* action);

}  // namespace framework
