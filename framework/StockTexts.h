#pragma once
// The framework's own texts, in German as its users expect them; the program's own texts are
// its business. One table, so that every stock text is found in one place.
#include <QString>

namespace framework {

enum StockTextId {
    stockFileOpenError,      // %1: the file
    stockFileSaveError,      // %1: the file
    stockUnexpectedFormat,
    stockMaxChars,           // %1: the character limit
    stockAskToSave,          // %1: the document
    stockOpenTitle,          // caption of the open dialog
    stockSaveAsTitle,        // caption of the save dialog
    stockNoHelp,
    stockIndicatorCaps,
    stockIndicatorNum,
    stockIndicatorScroll,
    stockUntitled,
};

QString StockText(StockTextId id);

}  // namespace framework
