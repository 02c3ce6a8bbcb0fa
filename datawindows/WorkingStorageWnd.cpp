#include "WorkingStorageWnd.h"

#include "DataLines.h"
#include "DataViewer.h"
#include "KorvaDoc.h"
#include "SecondaryWindow.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr const char* kCaption = "Working storage - %1";
constexpr int kWidth = 760;
constexpr int kHeight = 560;
// A few times a second: the lines of a download appear as they come, and looking costs little.
constexpr int kRefreshMs = 250;
}  // namespace

CWorkingStorageWnd::CWorkingStorageWnd(const CKorvaDoc& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), m_doc(doc), m_pViewer(new CDataViewer(this)), m_pSummary(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pViewer, 1);
    framework::PrepareSecondaryWindow(this, QSize(kWidth, kHeight));
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, [this] { Reload(); });
}

void CWorkingStorageWnd::Present()
{
    Reload();
    show();
    raise();
    activateWindow();
}

bool CWorkingStorageWnd::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate: Reload(); break;
    case QEvent::Show: m_refresh.start(); break;
    case QEvent::Hide: m_refresh.stop(); break;
    default: break;
    }
    return QWidget::event(event);
}

// The viewer keeps the place and the selection of data that have not changed, and appends the
// lines that a download adds.
void CWorkingStorageWnd::Reload()
{
    const QByteArray held(m_doc.m_data, m_doc.HeldDataSize());
    const QString caption = QString::fromLatin1(kCaption).arg(m_doc.GetTitle());
    if (windowTitle() != caption)
        setWindowTitle(caption);
    m_pViewer->SetData(held);
    const QString summary = Summary(held);
    if (m_pSummary->text() != summary)
        m_pSummary->setText(summary);
}

QString CWorkingStorageWnd::Summary(const QByteArray& held) const
{
    const int lines = CountDataLines(held.constData(), held.size());
    if (m_doc.IsReceiving())
        return QStringLiteral("Receiving data from the device: %L1 lines so far; read-only.").arg(lines);
    if (held.isEmpty())
        return QStringLiteral("Working storage holds no data.");
    return QStringLiteral("%L1 lines, %L2 characters; read-only. Ctrl+F finds text.").arg(lines).arg(held.size());
}
