#include "AboutDlg.h"

#include "Version.h"
#include "resource.h"

namespace {

framework::DialogTemplate MakeAboutTemplate()
{
    using framework::DialogControl;
    return {QString::fromUtf8("Info über VEQ - Interface"), 235, 55, QStringLiteral("MS Sans Serif"), 8,
            {
                {DialogControl::icon, IDR_MAINFRAME, 11, 17, 20, 20, QString(), {}},
                {DialogControl::staticText, -1, 37, 18, 119, 8, QStringLiteral("Interface for Tuning Set VEQ-32-C"), {}},
                {DialogControl::staticText, -1, 37, 32, 119, 8,
                 QStringLiteral("Version %1").arg(QString::fromLatin1(kFileVersion)), {}},
                {DialogControl::defPushButton, 1, 178, 7, 50, 14, QStringLiteral("OK"), {}},
            }};
}

const framework::DialogTemplate& AboutTemplate()
{
    static const framework::DialogTemplate dialogTemplate = MakeAboutTemplate();
    return dialogTemplate;
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : framework::CDialog(AboutTemplate(), parent) {}
