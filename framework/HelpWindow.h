#pragma once
// The program's help page in a window of its own, reused while it is open.
class QWidget;
class QString;

namespace framework {

// The page shown by the Help commands: a file, or a Qt resource path (":/...").
void SetHelpPage(const QString& path);
// Shows the help window beside parent; false when there is no help page.
bool ShowHelpWindow(QWidget* parent);

}  // namespace framework
