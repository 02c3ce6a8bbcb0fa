#include "TransferLogWnd.h"

#include "Document.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "SecondaryWindow.h"
#include "StockTexts.h"
#include "TransferLog.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr const char* kCaption = "Transfer log";
constexpr const char* kDefaultName = "korva-transfer.log";
constexpr const char* kFilter = "Transfer log (*.log)";
constexpr int kWidth = 900;
constexpr int kHeight = 560;
}  // namespace

CTransferLogWnd::CTransferLogWnd(CTransferLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_pText(new QPlainTextEdit(this)), m_pSummary(new QLabel(this)),
      m_pFollow(new QTimer(this))
{
    setWindowTitle(QString::fromLatin1(kCaption));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pText->setAccessibleName(QStringLiteral("Transfer log"));
    m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pText, 1);
    layout->addWidget(MakeButtons());
    connect(m_pFollow, &QTimer::timeout, this, [this] { Follow(); });
    framework::PrepareSecondaryWindow(this, QSize(kWidth, kHeight));
}

QWidget* CTransferLogWnd::MakeButtons()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* saveAs = new QPushButton(QStringLiteral("Save &As..."), bar);
    auto* clear = new QPushButton(QStringLiteral("C&lear"), bar);
    auto* close = new QPushButton(QStringLiteral("Close"), bar);
    connect(saveAs, &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(clear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(saveAs);
    row->addWidget(clear);
    row->addStretch(1);
    row->addWidget(close);
    return bar;
}

void CTransferLogWnd::Present()
{
    Follow();
    show();
    raise();
    activateWindow();
}

void CTransferLogWnd::showEvent(QShowEvent* event)
{
    Follow();
    m_pFollow->start(kFollowMs);
    QWidget::showEvent(event);
}

void CTransferLogWnd::hideEvent(QHideEvent* event)
{
    m_pFollow->stop();
    QWidget::hideEvent(event);
}

// New events are added at the end; after a Clear, or when events the window has not shown yet
// were dropped, it shows what the log keeps afresh.
void CTransferLogWnd::Follow()
{
    if (m_nShownClears != m_log.Clears() || m_log.FirstKept() > m_nShownUpTo)
        return Reload();
    if (m_log.Count() == m_nShownUpTo)
        return;
    QScrollBar* bar = m_pText->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor end(m_pText->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromUtf8(m_log.TextFrom(m_nShownUpTo)));
    m_nShownUpTo = m_log.Count();
    if (atEnd)
        bar->setValue(bar->maximum());
    ShowSummary();
}

void CTransferLogWnd::Reload()
{
    m_pText->setPlainText(QString::fromUtf8(m_log.Text()));
    m_nShownUpTo = m_log.Count();
    m_nShownClears = m_log.Clears();
    m_pText->verticalScrollBar()->setValue(m_pText->verticalScrollBar()->maximum());
    ShowSummary();
}

QString CTransferLogWnd::Summary() const
{
    const quint64 kept = m_log.Count() - m_log.FirstKept();
    QString text = m_log.Clears() > 0 ? QStringLiteral("%L1 events since the log was cleared").arg(kept)
                                      : QStringLiteral("%L1 events of this run").arg(kept);
    if (m_log.FirstKept() > m_log.ClearedAt())
        text += QStringLiteral(" (older ones are no longer kept)");
    if (!m_log.FilePath().isEmpty())
        text += QStringLiteral("; also written to %1").arg(QDir::toNativeSeparators(m_log.FilePath()));
    return text;
}

void CTransferLogWnd::ShowSummary()
{
    m_pSummary->setText(Summary());
}

void CTransferLogWnd::OnSaveAs()
{
    framework::FileDialogRequest request;
    request.open = false;
    request.caption = framework::StockText(framework::stockSaveAsTitle);
    request.filter = QString::fromLatin1(kFilter);
    request.defaultSuffix = QStringLiteral("log");
    request.initialPath = QDir::current().filePath(QString::fromLatin1(kDefaultName));
    const QString target = framework::PromptFileName(request, this);
    if (target.isEmpty())
        return;
    const QByteArray text = m_log.Text();
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        framework::AfxMessageBox(framework::FileSaveErrorText(target), framework::MB_ICONEXCLAMATION);
}

void CTransferLogWnd::OnClear()
{
    m_log.Clear();
    Reload();
}
