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

QString& pageSlot()
{
    static QString page;
    return page;
}

QPointer<QDialog>& windowSlot()
{
    static QPointer<QDialog> window;
    return window;
}

constexpr int kHelpWidth = 560;
constexpr int kHelpHeight = 480;

}  // namespace

void SetHelpPage(const QString& path)
{
    pageSlot() = path;
}

bool ShowHelpWindow(QWidget* parent)
{
    if (pageSlot().isEmpty() || !QFile::exists(pageSlot())) {
        AfxMessageBox(StockText(stockNoHelp), MB_ICONEXCLAMATION);
        return false;
    }
    if (!windowSlot()) {
        auto* dialog = new QDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto* browser = new QTextBrowser(dialog);
        browser->setOpenExternalLinks(true);
        const QString page = pageSlot();
        browser->setSource(page.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + page)
                                                           : QUrl::fromLocalFile(page));
        auto* layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        dialog->setWindowTitle(browser->documentTitle());
        PrepareSecondaryWindow(dialog, QSize(kHelpWidth, kHelpHeight));
        windowSlot() = dialog;
    }
    windowSlot()->show();
    windowSlot()->raise();
    windowSlot()->activateWindow();
    return true;
}

}  // namespace framework
