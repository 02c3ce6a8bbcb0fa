#pragma once
// How the desktop knows the program's windows: by the name of the program's desktop entry
// ("org.example.Program" for org.example.Program.desktop), given as the application id on
// Wayland and as the window class of every window on X11. Docks then show the entry's icon and
// group the windows with their launcher.
class QString;

namespace framework {

// Before the first window is shown.
void SetDesktopIdentity(const QString& desktopId);

}  // namespace framework
