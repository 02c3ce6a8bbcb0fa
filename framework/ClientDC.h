#pragma once
// Drawing into a view's client area outside of painting: solid rectangles, text at a client
// position and 3-D rectangles, in client pixels with exclusive right and bottom edges. What is
// drawn lands in the view's client image, which the view's paint handler shows.
#include <QPainter>
#include <QString>
#include <cstdint>

namespace framework {

class CView;

// A colour packed as 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF RGB(int r, int g, int b)
{
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
QColor ToQColor(COLORREF color);

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CClientDC {
public:
    explicit CClientDC(CView* view);
    // Shows what was drawn.
    ~CClientDC();
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    // Fills the rectangle; an empty one fills nothing, a negative extent counts back from its edge.
    void FillSolidRect(const CRect& rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    // Draws text with the default font, black and opaque on white, its cell's top left at
    // (x, y); only the cells of the text change.
    void TextOut(int x, int y, const QString& text);
    // A one-pixel outline: top and left edges in one colour, bottom and right in another.
    void Draw3dRect(const CRect& rect, COLORREF topLeft, COLORREF bottomRight);

private:
    CView* m_pView;
    QPainter m_painter;
};

}  // namespace framework
