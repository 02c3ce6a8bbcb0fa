#pragma once
// Puts the program's resources into the framework's tables: string table, menu 128,
// toolbar 128 with its button images, accelerator table 128 and icons 128 and 129.
#include "Dialog.h"

#include <QImage>

void RegisterKorvaResources();

// The program's own text of a string-table entry, without registering anything (for a run
// without a window system); nullptr for an entry it has none of.
const char* KorvaString(unsigned id);

// The toolbar's nine button images side by side, 29 x 21 pixels each.
QImage ToolBarBitmap();

// Dialog 138: a text field with OK and Cancel. It stands among the resources; nothing opens it.
const framework::DialogTemplate& TextEntryDialogTemplate();
