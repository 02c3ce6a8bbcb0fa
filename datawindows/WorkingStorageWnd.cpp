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
}  // namespace

CWorkingStorageWnd::CWorkingStorageWnd(const CKorvaDoc& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), m_doc(doc), m_pViewer(new CDataViewer(this)), m_pSummary(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pViewer, 1);
    framework::PrepareSecondaryWindow(this, QSize(kWidth, kHeight));
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
    if (event->type() == QEvent::WindowActivate)
        Reload();
    return QWidget::event(event);
}

void CWorkingStorageWnd::Reload()
{
    const QByteArray now(m_doc.m_data, m_doc.m_nDataSize);
    if (m_bLoaded && now == m_shown && m_doc.GetTitle() == m_strShownTitle)
        return;
    m_bLoaded = true;
    m_shown = now;
    m_strShownTitle = m_doc.GetTitle();
    setWindowTitle(QString::fromLatin1(kCaption).arg(m_strShownTitle));
    m_pViewer->SetData(m_shown);
    m_pSummary->setText(m_shown.isEmpty() ? QStringLiteral("Working storage holds no data.")
                                          : QStringLiteral("%L1 lines, %L2 characters; read-only. Ctrl+F finds text.")
                                                .arg(CountDataLines(m_shown.constData(), m_shown.size()))
                                                .arg(m_shown.size()));
}
