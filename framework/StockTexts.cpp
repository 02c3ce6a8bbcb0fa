#include "StockTexts.h"

namespace framework {

QString StockText(StockTextId id)
{
    switch (id) {
    case stockFileOpenError: return QStringLiteral("Die Datei %1 kann nicht geöffnet werden.");
    case stockFileSaveError: return QStringLiteral("Die Datei %1 kann nicht gespeichert werden.");
    case stockUnexpectedFormat: return QStringLiteral("Unerwartetes Dateiformat.");
    case stockMaxChars: return QStringLiteral("Geben Sie bitte nicht mehr als %1 Zeichen ein.");
    case stockAskToSave: return QStringLiteral("Änderungen in %1 speichern?");
    case stockOpenTitle: return QStringLiteral("Öffnen");
    case stockSaveAsTitle: return QStringLiteral("Speichern unter");
    case stockNoHelp: return QStringLiteral("Die Hilfe ist nicht verfügbar.");
    case stockIndicatorCaps: return QStringLiteral("UF");
    case stockIndicatorNum: return QStringLiteral("NUM");
    case stockIndicatorScroll: return QStringLiteral("RF");
    case stockUntitled: return QStringLiteral("Unbenannt");
    }
    return QString();
}

}  // namespace framework
