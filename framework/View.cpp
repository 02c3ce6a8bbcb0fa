#include "View.h"

#include "AfxRes.h"
#include "Document.h"
#include "FrameWnd.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QTimer>

namespace framework {

CView::CView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    GrowClientImage(size());
    OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
}

CView::~CView()
{
    for (auto& [id, timer] : m_timers)
        timer->stop();
}

CFrameWnd* CView::GetParentFrame() const
{
    return dynamic_cast<CFrameWnd*>(window());
}

unsigned CView::SetTimer(unsigned id, unsigned periodMs)
{
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(static_cast<int>(periodMs));
    return id;
}

bool CView::KillTimer(unsigned id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end() || !it->second->isActive())
        return false;
    it->second->stop();
    return true;
}

bool CView::IsTimerRunning(unsigned id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

void CView::OnTimer(unsigned) {}

void CView::OnActivateView(int, CView*, CView*) {}

void CView::OnDraw(QPainter*) {}

bool CView::OnFilePrint()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    OnDraw(&painter);
    return painter.end();
}

CRect CView::GetClientRect() const
{
    return {0, 0, m_clientImage.width(), m_clientImage.height()};
}

bool CView::OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI)
{
    if (DispatchOwn(id, code, pCmdUI))
        return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, pCmdUI);
}

void CView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(event->rect().topLeft(), m_clientImage, event->rect());
    OnDraw(&painter);
}

void CView::resizeEvent(QResizeEvent* event)
{
    GrowClientImage(event->size());
    QWidget::resizeEvent(event);
}

void CView::GrowClientImage(const QSize& size)
{
    const QSize grown = m_clientImage.size().expandedTo(size).expandedTo(QSize(1, 1));
    if (grown == m_clientImage.size())
        return;
    QImage image(grown, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, m_clientImage);
    painter.end();
    m_clientImage = std::move(image);
}

}  // namespace framework
