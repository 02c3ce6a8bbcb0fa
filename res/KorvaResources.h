#pragma once
// Puts the program's resources into the framework's tables: string table, menu 128,
// toolbar 128 with its button images, accelerator table 128 and icons 128 and 129.
#include "Dialog.h"

#include <QImage>

void RegisterKorvaResources();

// The program's own text of a string-table entry, without registering anything (for a run
// without a window system); nullptr for an entry it has none of.
const char* KorvaString(unsigned id);

// The settings file of the program, under this key and the application's name "VEQ_32_C"
// (~/.config/Local AppWizard-Generated Applications/VEQ_32_C.conf): the recent-file list and
// the device file of each port.
inline constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
// Makes it the one that QSettings() opens, in the window and without one.
void SelectKorvaSettings();

// The toolbar's nine button images side by side, 29 x 21 pixels each.
QImage ToolBarBitmap();
// Button image index (0 to 8) drawn for a screen of this device pixel ratio: the same picture,
// each of its pixels a square of ratio x ratio screen pixels, with the ratio set.
QImage ToolBarImage(int index, qreal ratio);

// The name of the desktop entry (org.korva.Korva.desktop), by which the desktop knows the
// program's windows.
inline constexpr const char* kDesktopId = "org.korva.Korva";

// Dialog 138: a text field with OK and Cancel. It stands among the resources; nothing opens it.
const framework::DialogTemplate& TextEntryDialogTemplate();
