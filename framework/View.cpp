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
    // The window always has a widget with the focus to come back to: keys given after the menu
    // bar was used by keyboard go to the window again, and a screen reader reads the view.
    setFocusPolicy(Qt::StrongFocus);
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
    const QSize logical = m_clientImage.deviceIndependentSize().toSize();
    return {0, 0, logical.width(), logical.height()};
}

QImage& CView::ClientImage()
{
    // The window may have gone to a screen of another scale since the image was made.
    if (!qFuzzyCompare(m_clientImage.devicePixelRatio(), devicePixelRatioF()))
        RemakeClientImage(m_clientImage.deviceIndependentSize().toSize());
    return m_clientImage;
}

bool CView::OnCmdMsg(unsigned id, CmdCode code, CCmdUI* pCmdUI)
{
    if (DispatchOwn(id, code, pCmdUI))
        return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, pCmdUI);
}

void CView::paintEvent(QPaintEvent* event)
{
    const QImage& image = ClientImage();
    const QRect area = event->rect();
    const qreal ratio = image.devicePixelRatio();
    QPainter painter(this);
    painter.fillRect(area, Qt::white);
    painter.drawImage(QRectF(area), image,
                      QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
    OnDraw(&painter);
}

void CView::resizeEvent(QResizeEvent* event)
{
    GrowClientImage(event->size());
    QWidget::resizeEvent(event);
}

void CView::GrowClientImage(const QSize& size)
{
    const QSize logical = m_clientImage.deviceIndependentSize().toSize();
    const QSize grown = logical.expandedTo(size).expandedTo(QSize(1, 1));
    if (grown != logical)
        RemakeClientImage(grown);
}

void CView::RemakeClientImage(const QSize& size)
{
    const qreal ratio = devicePixelRatioF();
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    // What was drawn before keeps its logical place (at a changed ratio, scaled).
    painter.drawImage(QRectF(QPointF(0, 0), m_clientImage.deviceIndependentSize()), m_clientImage);
    painter.end();
    m_clientImage = std::move(image);
}

}  // namespace framework
