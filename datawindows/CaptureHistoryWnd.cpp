#include "CaptureHistoryWnd.h"

#include "AutomaticBackup.h"
#include "CompareWnd.h"
#include "DataViewer.h"
#include "DeviceProtocol.h"
#include "Document.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "SafeWrite.h"
#include "SecondaryWindow.h"
#include "WinApp.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kCaption = "Capture history";
constexpr const char* kMomentFormat = "yyyy-MM-dd HH:mm:ss";
constexpr int kWidth = 1000;
constexpr int kHeight = 600;
constexpr int kListWidth = 430;
// What the window's margins, the splitter's handle and the window frame take beside the list
// and the preview.
constexpr int kFrameRoom = 48;
enum Column { kColumnTaken, kColumnKind, kColumnLines, kColumnSize, kColumns };
// A capture is a data file, at most some 800 kB; a file larger than this that has taken a
// capture's name is shown only in part.
constexpr qint64 kPreviewLimit = 4 * 1024 * 1024;

QString KindInWords(const QString& kind)
{
    const DownloadKind* row = DownloadKindForDeviceCommand(kind.toStdString());
    return row ? QString::fromLatin1(row->title) : kind;
}

QString MomentOf(const CCapture& capture)
{
    const QString moment = capture.when.toString(QLatin1String(kMomentFormat));
    return capture.sequence > 1 ? QStringLiteral("%1 (%2)").arg(moment).arg(capture.sequence) : moment;
}

QString TitleOf(const CCapture& capture)
{
    return QStringLiteral("%1, %2").arg(MomentOf(capture), KindInWords(capture.kind));
}

// At most kPreviewLimit bytes of the file; false when it cannot be read.
bool ReadCapture(const QString& path, QByteArray* bytes)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.read(kPreviewLimit);
    return file.error() == QFileDevice::NoError;
}

QTreeWidgetItem* AddRow(QTreeWidget* list, const CCapture& capture)
{
    auto* item = new QTreeWidgetItem(list, {MomentOf(capture), KindInWords(capture.kind),
                                            QLocale().toString(capture.lines),
                                            QLocale().formattedDataSize(capture.size)});
    item->setData(0, Qt::UserRole, capture.path);
    item->setTextAlignment(kColumnLines, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

void Tell(const QString& text)
{
    framework::AfxMessageBox(text, framework::MB_ICONEXCLAMATION);
}

}  // namespace

CCaptureHistoryWnd::CCaptureHistoryWnd(framework::CWinApp& app, framework::CDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), m_openUrl(&QDesktopServices::openUrl), m_app(app), m_doc(doc)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    m_pPreview = new CDataViewer(this);
    m_pPreviewTitle = new QLabel(this);
    auto* preview = new QWidget(this);
    auto* previewColumn = new QVBoxLayout(preview);
    previewColumn->setContentsMargins(0, 0, 0, 0);
    previewColumn->addWidget(m_pPreviewTitle);
    previewColumn->addWidget(m_pPreview, 1);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(MakeList());
    splitter->addWidget(preview);
    splitter->setSizes({kListWidth, kWidth - kListWidth});
    m_pFolder = new QLabel(this);
    m_pFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pFolder->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pFolder);
    layout->addWidget(splitter, 1);
    layout->addWidget(MakeButtons());
    m_pPreview->OfferFindKeys(m_pList);
    framework::PrepareSecondaryWindow(this, QSize(kWidth, kHeight));
}

QWidget* CCaptureHistoryWnd::MakeList()
{
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(kColumns);
    m_pList->setHeaderLabels({QStringLiteral("Taken"), QStringLiteral("Kind"), QStringLiteral("Lines"),
                              QStringLiteral("Size")});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The last column as wide as its contents, like the others: stretched, it would take at
    // least the header's default width, more than the list leaves it, and lose its unit.
    m_pList->header()->setStretchLastSection(false);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, [this] { ShowPreview(); });
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_pList, &QTreeWidget::itemActivated, this, [this] { OnOpen(); });
    return m_pList;
}

QWidget* CCaptureHistoryWnd::MakeButtons()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    const auto add = [&](const char* text, void (CCaptureHistoryWnd::*handler)()) {
        auto* button = new QPushButton(QString::fromLatin1(text), bar);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        row->addWidget(button);
        return button;
    };
    m_pOpen = add("&Open", &CCaptureHistoryWnd::OnOpen);
    m_pSaveAs = add("Save &As...", &CCaptureHistoryWnd::OnSaveAs);
    m_pDelete = add("&Delete", &CCaptureHistoryWnd::OnDelete);
    m_pCompare = add("&Compare", &CCaptureHistoryWnd::OnCompare);
    row->addStretch(1);
    add("Show &folder", &CCaptureHistoryWnd::OnShowFolder);
    add("&Refresh", &CCaptureHistoryWnd::Refresh);
    auto* close = new QPushButton(QStringLiteral("Close"), bar);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(close);
    return bar;
}

void CCaptureHistoryWnd::Present()
{
    Refresh();
    // A keyboard user starts in the list.
    if (!isVisible())
        m_pList->setFocus();
    show();
    raise();
    activateWindow();
}

// The list at least as wide as its columns, so that none is cut at any font or scale, as far
// as the screen leaves the preview its room beside it.
void CCaptureHistoryWnd::FitList()
{
    int width = 2 * m_pList->frameWidth() + m_pList->verticalScrollBar()->sizeHint().width();
    const QAbstractItemView* list = m_pList;
    for (int column = 0; column < kColumns; ++column)
        width += std::max(list->sizeHintForColumn(column), m_pList->header()->sectionSizeHint(column));
    const QScreen* screen = this->screen();
    const int room = screen ? screen->availableGeometry().width() - m_pPreview->minimumSizeHint().width() - kFrameRoom
                            : width;
    m_pList->setMinimumWidth(std::min(width, room));
}

bool CCaptureHistoryWnd::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && FolderTime() != m_tListed)
        Refresh();
    return QWidget::event(event);
}

QDateTime CCaptureHistoryWnd::FolderTime() const
{
    return QFileInfo(m_history.Folder()).lastModified();
}

void CCaptureHistoryWnd::Refresh()
{
    QStringList selected;
    for (const CCapture& capture : Selected())
        selected << capture.path;
    const QTreeWidgetItem* current = m_pList->currentItem();
    const QString currentPath = current ? current->data(0, Qt::UserRole).toString() : QString();

    m_tListed = FolderTime();
    m_captures = m_history.List();
    FillList(selected, currentPath);
    FitList();
    ShowFolderLine();
    ShowPreview();
    UpdateButtons();
}

// One row a capture; the selection and the current row stay with the captures that had them.
void CCaptureHistoryWnd::FillList(const QStringList& selected, const QString& currentPath)
{
    const QSignalBlocker quiet(m_pList);
    m_pList->clear();
    QTreeWidgetItem* currentItem = nullptr;
    for (const CCapture& capture : m_captures) {
        QTreeWidgetItem* item = AddRow(m_pList, capture);
        item->setSelected(selected.contains(capture.path));
        if (capture.path == currentPath)
            currentItem = item;
    }
    // The newest is selected when none of the selected captures is left.
    if (m_pList->selectedItems().isEmpty() && !m_captures.empty())
        m_pList->topLevelItem(0)->setSelected(true);
    if (!currentItem && !m_pList->selectedItems().isEmpty())
        currentItem = m_pList->selectedItems().constFirst();
    m_pList->setCurrentItem(currentItem, 0, QItemSelectionModel::NoUpdate);
}

void CCaptureHistoryWnd::ShowFolderLine()
{
    const QString folder = QDir::toNativeSeparators(m_history.Folder());
    QString text;
    if (m_captures.empty())
        text = QStringLiteral("No captures in %1. Every download that ends with data is kept there.").arg(folder);
    else if (m_captures.size() == 1)
        text = QStringLiteral("1 capture in %1").arg(folder);
    else
        text = QStringLiteral("%L1 captures in %2, newest first").arg(m_captures.size()).arg(folder);
    text += AutomaticBackupsOn()
        ? QStringLiteral("\nAutomatic backups are on: all data of the device are read into this history before "
                         "PUT DATA and delivery mode, and once a day (Adjustment, Automatic backups).")
        : QStringLiteral("\nAutomatic backups are off: turn them on in Adjustment, Automatic backups, to have all data "
                         "of the device read into this history before PUT DATA and delivery mode, and once a day.");
    m_pFolder->setText(text);
}

std::vector<CCapture> CCaptureHistoryWnd::Selected() const
{
    std::vector<CCapture> selected;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        if (m_pList->topLevelItem(i)->isSelected())
            selected.push_back(m_captures[static_cast<size_t>(i)]);
    }
    return selected;
}

void CCaptureHistoryWnd::UpdateButtons()
{
    const size_t count = Selected().size();
    m_pOpen->setEnabled(count == 1);
    m_pSaveAs->setEnabled(count == 1);
    m_pDelete->setEnabled(count >= 1);
    m_pCompare->setEnabled(count == 2);
}

void CCaptureHistoryWnd::ShowPreview()
{
    const int row = m_pList->indexOfTopLevelItem(m_pList->currentItem());
    QByteArray bytes;
    if (row < 0) {
        m_pPreviewTitle->clear();
    } else {
        const CCapture& capture = m_captures[static_cast<size_t>(row)];
        const bool read = ReadCapture(capture.path, &bytes);
        QString title = TitleOf(capture);
        if (!read)
            title += QStringLiteral(": cannot be read");
        else if (bytes.size() < capture.size)
            title += QStringLiteral(": only the first %1 shown").arg(QLocale().formattedDataSize(bytes.size()));
        m_pPreviewTitle->setText(title);
    }
    m_pPreview->SetData(bytes);
}

// As File Open, with its checks and messages, but the capture stays a record: it opens as data
// without a file of their own, named after the capture, so that Save asks where to save them
// and the history entry never changes. The recent-file list is for the user's own files and
// does not get it.
void CCaptureHistoryWnd::OnOpen()
{
    const framework::CMessageBoxOwnerScope asking(this);
    const std::vector<CCapture> chosen = Selected();
    if (chosen.size() != 1 || !m_doc.SaveModified())
        return;
    const CCapture& capture = chosen.front();
    m_app.OpenDocumentData(capture.path, TitleOf(capture), QFileInfo(capture.path).fileName());
    if (!QFileInfo::exists(capture.path))
        Refresh();
}

void CCaptureHistoryWnd::OnSaveAs()
{
    const framework::CMessageBoxOwnerScope asking(this);
    const std::vector<CCapture> chosen = Selected();
    if (chosen.size() != 1)
        return;
    const QString source = chosen.front().path;
    const QString target = framework::PromptFileName(
        m_doc.SaveAsRequest(QDir::current().filePath(QFileInfo(source).fileName())), this);
    if (target.isEmpty())
        return;
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return Tell(framework::FileOpenErrorText(source));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Tell(framework::FileOpenErrorText(source));
    if (!framework::SafeWriteBytes(target, bytes))
        Tell(framework::FileSaveErrorText(target));
}

void CCaptureHistoryWnd::OnDelete()
{
    const framework::CMessageBoxOwnerScope asking(this);
    const std::vector<CCapture> chosen = Selected();
    if (chosen.empty())
        return;
    const QString question = chosen.size() == 1
        ? QStringLiteral("Delete the %1 captured at %2 from the history?")
              .arg(KindInWords(chosen.front().kind), MomentOf(chosen.front()))
        : QStringLiteral("Delete these %1 captures from the history?").arg(chosen.size());
    if (framework::AfxMessageBox(question, framework::MB_YESNO | framework::MB_ICONQUESTION | framework::MB_DEFBUTTON2)
        != framework::IDYES)
        return;
    // A capture that has gone meanwhile (deleted by hand, or by another korva) is as good as
    // deleted.
    QStringList kept;
    for (const CCapture& capture : chosen) {
        if (!m_history.Remove(capture.path) && QFileInfo::exists(capture.path))
            kept << QDir::toNativeSeparators(capture.path);
    }
    Refresh();
    if (!kept.isEmpty())
        Tell(QStringLiteral("These captures could not be deleted:\n%1").arg(kept.join(QLatin1Char('\n'))));
}

void CCaptureHistoryWnd::OnCompare()
{
    const framework::CMessageBoxOwnerScope asking(this);
    std::vector<CCapture> chosen = Selected();
    if (chosen.size() != 2)
        return;
    // The list stands newest first: the older one goes to the left.
    std::reverse(chosen.begin(), chosen.end());
    CCompareSide sides[2];
    for (int i = 0; i < 2; ++i) {
        if (!ReadCapture(chosen[i].path, &sides[i].data))
            return Tell(framework::FileOpenErrorText(chosen[i].path));
        sides[i].strTitle = TitleOf(chosen[i]);
    }
    auto* compare = new CCompareWnd(sides[0], sides[1], this);
    compare->show();
    compare->activateWindow();
}

void CCaptureHistoryWnd::OnShowFolder()
{
    const framework::CMessageBoxOwnerScope asking(this);
    const QString folder = m_history.Folder();
    if (!QDir().mkpath(folder))
        return Tell(QStringLiteral("The folder %1 cannot be made.").arg(QDir::toNativeSeparators(folder)));
    if (!m_openUrl(QUrl::fromLocalFile(folder)))
        Tell(QStringLiteral("No file manager could show the folder %1.").arg(QDir::toNativeSeparators(folder)));
}
