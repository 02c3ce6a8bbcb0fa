#pragma once
// Puts the program's resources into the framework's tables: string table, menu 128,
// toolbar 128 with its button images, accelerator table 128 and icons 128 and 129.
#include <QImage>

void RegisterKorvaResources();

// The toolbar's nine button images side by side, 29 x 21 pixels each.
QImage ToolBarBitmap();
