#include "HelpWindow.h"

#include "MessageBox.h"
#include "SecondaryWindow.h"
#include "StockTexts.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace framework {
namespace {

constexpr int kHelpWidth = 560;
constexpr int kHelpHeight = 480;

// The page the Help commands show, and its window while that is open.
struct HelpState {
    QString page;
    QPointer<QDialog> window;
};

HelpState& Help()
{
    static HelpState help;
    return help;
}

QDialog* MakeHelpWindow(const QString& page, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(dialog);
    browser->setOpenExternalLinks(true);
    browser->setSource(page.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + page)
                                                       : QUrl::fromLocalFile(page));
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    dialog->setWindowTitle(browser->documentTitle());
    PrepareSecondaryWindow(dialog, QSize(kHelpWidth, kHelpHeight));
    return dialog;
}

}  // namespace

void SetHelpPage(const QString& path)
{
    Help().page = path;
}

bool ShowHelpWindow(QWidget* parent)
{
    HelpState& help = Help();
    if (help.page.isEmpty() || !QFile::exists(help.page)) {
        AfxMessageBox(StockText(stockNoHelp), MB_ICONEXCLAMATION);
        return false;
    }
    if (!help.window)
        help.window = MakeHelpWindow(help.page, parent);
    help.window->show();
    help.window->raise();
    help.window->activateWindow();
    return true;
}

}  // namespace framework
