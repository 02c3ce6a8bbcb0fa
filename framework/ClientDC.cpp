#include "ClientDC.h"

#include "View.h"

#include <QFontMetrics>

namespace framework {

QColor ToQColor(COLORREF color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

CClientDC::CClientDC(CView* view) : m_pView(view), m_painter(&view->ClientImage())
{
    m_painter.setFont(view->font());
}

CClientDC::~CClientDC()
{
    m_painter.end();
    m_pView->update();
}

void CClientDC::FillSolidRect(const CRect& rect, COLORREF color)
{
    FillSolidRect(rect.left, rect.top, rect.Width(), rect.Height(), color);
}

void CClientDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    // A negative extent counts back from the given edge, as a rectangle's corners allow.
    if (cx < 0) {
        x += cx;
        cx = -cx;
    }
    if (cy < 0) {
        y += cy;
        cy = -cy;
    }
    if (cx == 0 || cy == 0)
        return;
    m_painter.fillRect(QRect(x, y, cx, cy), ToQColor(color));
}

void CClientDC::TextOut(int x, int y, const QString& text)
{
    const QFontMetrics fm(m_painter.font());
    const QRect cell(x, y, fm.horizontalAdvance(text), fm.height());
    m_painter.fillRect(cell, Qt::white);
    m_painter.setPen(Qt::black);
    m_painter.setClipRect(cell);
    m_painter.drawText(x, y + fm.ascent(), text);
    m_painter.setClipping(false);
}

void CClientDC::Draw3dRect(const CRect& rect, COLORREF topLeft, COLORREF bottomRight)
{
    const int x = rect.left;
    const int y = rect.top;
    const int cx = rect.Width();
    const int cy = rect.Height();
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

}  // namespace framework
