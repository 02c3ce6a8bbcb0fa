#include "KorvaResources.h"

#include "Resources.h"
#include "StringTable.h"
#include "resource.h"

#include "icons/korva-128-16.xpm"
#include "icons/korva-128-32.xpm"
#include "icons/korva-129-16.xpm"
#include "icons/korva-129-32.xpm"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <utility>

namespace {

using framework::AcceleratorTable;
using framework::MenuResource;

// The program's own entries; the framework supplies its stock texts for all others.
const std::pair<unsigned, const char*> kStrings[] = {
    {IDR_MAINFRAME, kDocTypeString},
    {ID_PUT_DATA, "PUT DATA FROM PC TO VEQ \nPUT DATA FROM PC TO VEQ"},
    {ID_ALL_DATA, "ALL DATA FROM VEQ TO PC\nALL DATA FROM VEQ TO PC"},
    {ID_BUTTON_2, "-2-\n-2-"},
    {ID_DELIVERY_MODE, "SET VEQ-32-C DELIVERY MODE\nSET VEQ-32-C DELIVERY MODE"},
    {ID_BUTTON_1, "-1-\n -1-"},
    {ID_HISTORICAL_TEMPERAMENTS, "HISTORICAL TEMPERAMENTS FROM VEQ TO PC \nHISTORICAL TEMPERAMENTS FROM VEQ TO PC "},
    {ID_ADJUSTMENT_DATA, "AJUSTMENT DATA FROM VEQ TO PC \n  AJUSTMENT DATA FROM VEQ TO PC "},
    {ID_ACTUAL_INSTRUMENT, "ACTUAL INSTURMENT FROM VEQ TO PC \n  ACTUAL INSTURMENT FROM VEQ TO PC "},
    {ID_UPDATE_VEQ32, "Update VEQ32 Data\nUpdate VEQ32 Data\n"},
    {ID_SET_KEY_NUMBER, "SET KEY NUMBER"},
    {AFX_IDS_APP_TITLE, "VEQ_32_C"},
    {AFX_IDS_IDLEMESSAGE, " "},
    {AFX_IDS_HELPMODEMESSAGE, " "},
    {ID_FILE_NEW, "Preparing interface-programm for new data"},
    {ID_FILE_OPEN, "Opens a existing VEQ-File"},
    {ID_FILE_CLOSE, "Closes active document\nclose"},
    {ID_FILE_SAVE, "Saves VEQ-data from RAM to disc"},
    {ID_FILE_SAVE_AS, "Saves the VEQ-data with a new name from RAM to disc"},
    {ID_FILE_PAGE_SETUP, " \n "},
    {ID_FILE_PRINT_SETUP, " \n "},
    {ID_FILE_PRINT, " \n "},
    {ID_FILE_PRINT_PREVIEW, " \n "},
    {ID_APP_ABOUT, "Info\nInfo"},
    {ID_APP_EXIT, "Exit VEQ - interface - program"},
    {ID_HELP_INDEX, " \n "},
    {ID_HELP_FINDER, " \n "},
    {ID_HELP_USING, " \n "},
    {ID_CONTEXT_HELP, " \n "},
    {ID_HELP, " \n "},
    {ID_FILE_CAPTURE_HISTORY, "Shows the downloads kept on disc: open, save, compare or delete them"},
    {ID_FILE_VIEW_DATA, "Shows the data in working storage, read-only"},
    {ID_COMPARE_DEVICE, "Reads the device's data and compares them with working storage\nCompare with device"},
    {ID_HELP_TRANSFER_LOG, "Shows what passed on the line in this run"},
    {ID_HELP_SUPPORT_REPORT, "Copies what a helper needs to know about korva, the port and the last transfer"},
    {ID_AUTOMATIC_BACKUPS, "Reads all data from the device into the capture history before PUT DATA and delivery mode, and once a day"},
};
constexpr unsigned kRecentFilePrompts = 16;

MenuResource MainMenu()
{
    return {
        {QStringLiteral("&File"),
         {{QStringLiteral("&New\tStrg+N"), ID_FILE_NEW},
          {QStringLiteral("&Open...\tStrg+O"), ID_FILE_OPEN},
          {QStringLiteral("&Save\tStrg+S"), ID_FILE_SAVE},
          {QStringLiteral("Save &As.."), ID_FILE_SAVE_AS},
          {QStringLiteral("Capture &history..."), ID_FILE_CAPTURE_HISTORY},
          {QStringLiteral("&View data..."), ID_FILE_VIEW_DATA},
          {},
          {},
          {},
          {QStringLiteral("&Exit"), ID_APP_EXIT}}},
        // The device commands with the toolbar's words, in its order; their keys stand in the
        // accelerator table.
        {QStringLiteral("&Transfer"),
         {{QStringLiteral("P&UT DATA FROM PC TO VEQ"), ID_PUT_DATA},
          {},
          {QStringLiteral("ALL &DATA FROM VEQ TO PC"), ID_ALL_DATA},
          {QStringLiteral("HISTORICAL &TEMPERAMENTS FROM VEQ TO PC"), ID_HISTORICAL_TEMPERAMENTS},
          {QStringLiteral("A&JUSTMENT DATA FROM VEQ TO PC"), ID_ADJUSTMENT_DATA},
          {QStringLiteral("ACTUAL &INSTURMENT FROM VEQ TO PC"), ID_ACTUAL_INSTRUMENT},
          {QStringLiteral("&Compare with device"), ID_COMPARE_DEVICE},
          {},
          {QStringLiteral("SET VEQ-32-C DELIVERY &MODE"), ID_DELIVERY_MODE}}},
        {QStringLiteral("Adjustment"),
         {{QStringLiteral("&Interface"), ID_ADJUSTMENT_INTERFACE},
          {QStringLiteral("&Automatic backups"), ID_AUTOMATIC_BACKUPS}}},
        {QStringLiteral("&?"),
         {{QStringLiteral("&Help"), ID_HELP_FINDER},
          {},
          {QStringLiteral("Transfer &log..."), ID_HELP_TRANSFER_LOG},
          {QStringLiteral("Copy &support report"), ID_HELP_SUPPORT_REPORT},
          {},
          {QStringLiteral("Inf&ormation about VEQ..."), ID_APP_ABOUT}}},
    };
}

AcceleratorTable MainAccelerators()
{
    return {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::Key_F1), ID_HELP},
        {QKeySequence(Qt::SHIFT | Qt::Key_F1), ID_CONTEXT_HELP},
        // The transfers' own keys, free of every key above; delivery mode erases the device and
        // is given only from the menu or its button.
        {QKeySequence(Qt::CTRL | Qt::Key_U), ID_PUT_DATA},
        {QKeySequence(Qt::CTRL | Qt::Key_D), ID_ALL_DATA},
        {QKeySequence(Qt::CTRL | Qt::Key_T), ID_HISTORICAL_TEMPERAMENTS},
        {QKeySequence(Qt::CTRL | Qt::Key_J), ID_ADJUSTMENT_DATA},
        {QKeySequence(Qt::CTRL | Qt::Key_I), ID_ACTUAL_INSTRUMENT},
        {QKeySequence(Qt::CTRL | Qt::Key_E), ID_COMPARE_DEVICE},
    };
}

QIcon IconOf(const char* const* large, const char* const* small)
{
    QIcon icon;
    icon.addPixmap(QPixmap(large));
    icon.addPixmap(QPixmap(small));
    return icon;
}

// The application icon: its 32 and 16 pixel images, and for every larger size the drawing the
// package installs as the scalable icon, rendered at the sizes desktops ask for.
QIcon ApplicationIcon()
{
    constexpr int kRenderedSizes[] = {48, 64, 96, 128, 256, 512};
    QIcon icon = IconOf(korva_128_32, korva_128_16);
    QSvgRenderer drawing(QStringLiteral(":/icons/korva.svg"));
    if (!drawing.isValid())
        return icon;
    for (int size : kRenderedSizes) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        drawing.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace

const char* KorvaString(unsigned id)
{
    for (const auto& [entry, text] : kStrings) {
        if (entry == id)
            return text;
    }
    return nullptr;
}

void RegisterKorvaResources()
{
    for (const auto& [id, text] : kStrings)
        framework::RegisterString(id, QString::fromLatin1(text));
    for (unsigned i = 0; i < kRecentFilePrompts; ++i)
        framework::RegisterString(ID_FILE_MRU_FILE1 + i, QStringLiteral("open this document."));
    framework::RegisterMenu(IDR_MAINFRAME, MainMenu());
    framework::RegisterToolBar(IDR_MAINFRAME,
                               {QSize(29, 21), ToolBarBitmap(),
                                {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR, ID_PUT_DATA, ID_SEPARATOR,
                                 ID_ALL_DATA, ID_HISTORICAL_TEMPERAMENTS, ID_ADJUSTMENT_DATA, ID_ACTUAL_INSTRUMENT,
                                 ID_SEPARATOR, ID_DELIVERY_MODE},
                                ToolBarImage});
    framework::RegisterAccelerators(IDR_MAINFRAME, MainAccelerators());
    framework::RegisterIcon(IDR_MAINFRAME, ApplicationIcon());
    framework::RegisterIcon(IDR_VEQ32CTYPE, IconOf(korva_129_32, korva_129_16));
}

const framework::DialogTemplate& TextEntryDialogTemplate()
{
    using framework::DialogControl;
    static const framework::DialogTemplate dialogTemplate{
        QStringLiteral("Dialog"), 116, 54, QStringLiteral("MS Sans Serif"), 8,
        {
            {DialogControl::editText, IDC_EDIT1, 7, 16, 102, 14, QString(), {}},
            {DialogControl::defPushButton, 1, 59, 33, 50, 14, QStringLiteral("OK"), {}},
            {DialogControl::pushButton, 2, 7, 33, 50, 14, QStringLiteral("Cancel"), {}},
        }};
    return dialogTemplate;
}

void SelectKorvaSettings()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QCoreApplication::setApplicationName(QString::fromLatin1(KorvaString(AFX_IDS_APP_TITLE)));
}
