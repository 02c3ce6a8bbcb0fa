// The toolbar's button images, drawn pixel by pixel in the 16 colours of the palette: the
// file commands as page, folder and disc; the device commands as the device with the letter of
// the command it sends on its display and an arrow for the direction of the data.
#include "KorvaResources.h"

#include <QPainter>

namespace {

constexpr int kImageWidth = 29;
constexpr int kImageHeight = 21;
constexpr int kImageCount = 9;

const QColor kBlack(0, 0, 0), kGray(128, 128, 128), kSilver(192, 192, 192), kWhite(255, 255, 255);
const QColor kTeal(0, 128, 128), kYellow(255, 255, 0), kRed(255, 0, 0), kBlue(0, 0, 255);
const QColor kNavy(0, 0, 128), kOlive(128, 128, 0);

// Letters of the device's commands, 3 x 5 pixels, one row per string.
const char* const kGlyphA[5] = {".#.", "#.#", "###", "#.#", "#.#"};
const char* const kGlyphD[5] = {"##.", "#.#", "#.#", "#.#", "##."};
const char* const kGlyphE[5] = {"###", "#..", "##.", "#..", "###"};
const char* const kGlyphS[5] = {".##", "#..", ".#.", "..#", "##."};
const char* const kGlyphT[5] = {"###", ".#.", ".#.", ".#.", ".#."};
const char* const kGlyphU[5] = {"#.#", "#.#", "#.#", "#.#", "###"};

// One image, drawn in its own pixels (29 x 21); each of them becomes a square of the ratio's
// size, its edges rounded to whole screen pixels.
class Cell {
public:
    Cell(QPainter& p, qreal ratio) : m_p(p), m_ratio(ratio) {}
    void Fill(int x, int y, int w, int h, const QColor& c)
    {
        const QPoint from(Scaled(x), Scaled(y));
        const QPoint to(Scaled(x + w), Scaled(y + h));
        m_p.fillRect(QRect(from, to - QPoint(1, 1)), c);
    }
    void Box(int x, int y, int w, int h, const QColor& inside)
    {
        Fill(x, y, w, h, kBlack);
        Fill(x + 1, y + 1, w - 2, h - 2, inside);
    }
    void Glyph(int x, int y, const char* const rows[5], const QColor& c)
    {
        for (int r = 0; r < 5; ++r)
            for (int col = 0; col < 3; ++col)
                if (rows[r][col] == '#')
                    Fill(x + col, y + r, 1, 1, c);
    }
    // The device: a grey case with a display showing the command's letter, keys below.
    void Device(int x, const char* const letter[5], const QColor& display)
    {
        Box(x, 2, 12, 17, kGray);
        Box(x + 2, 4, 8, 8, display);
        Glyph(x + 4, 5, letter, kYellow);
        Fill(x + 2, 13, 8, 4, kWhite);
        for (int k = 3; k < 10; k += 2)
            Fill(x + k, 13, 1, 3, kBlack);
    }
    void ArrowRight(int x0, int x1, int y, const QColor& c)
    {
        Fill(x0, y - 1, x1 - x0 - 3, 3, c);
        for (int i = 0; i < 4; ++i)
            Fill(x1 - 4 + i, y - 3 + i, 1, 7 - 2 * i, c);
    }
    void ArrowLeft(int x0, int x1, int y, const QColor& c)
    {
        Fill(x0 + 3, y - 1, x1 - x0 - 3, 3, c);
        for (int i = 0; i < 4; ++i)
            Fill(x0 + 3 - i, y - 3 + i, 1, 7 - 2 * i, c);
    }
    // A sheet of data for the PC's side of a transfer.
    void Sheet(int x)
    {
        Box(x, 4, 9, 13, kWhite);
        for (int y = 7; y < 15; y += 2)
            Fill(x + 2, y, 5, 1, kNavy);
    }

private:
    int Scaled(int v) const { return qRound(v * m_ratio); }

    QPainter& m_p;
    qreal m_ratio;
};

void DrawNew(Cell c)
{
    c.Box(9, 2, 11, 17, kWhite);
    c.Fill(16, 2, 4, 4, kSilver);
    c.Fill(16, 5, 4, 1, kBlack);
    c.Fill(16, 2, 1, 4, kBlack);
}

void DrawOpen(Cell c)
{
    c.Box(6, 5, 8, 3, kOlive);
    c.Box(6, 7, 17, 11, kYellow);
    c.Fill(7, 8, 15, 1, kWhite);
}

void DrawSave(Cell c)
{
    c.Box(6, 2, 17, 17, kNavy);
    c.Fill(9, 3, 11, 7, kWhite);
    c.Fill(10, 13, 9, 5, kSilver);
    c.Fill(15, 14, 2, 3, kNavy);
}

void DrawDownload(Cell c, const char* const letter[5])
{
    c.Device(1, letter, kTeal);
    c.ArrowRight(13, 21, 10, kBlue);
    c.Sheet(19);
}

void DrawUpload(Cell c)
{
    c.Device(1, kGlyphE, kTeal);
    c.ArrowLeft(13, 21, 10, kRed);
    c.Sheet(19);
}

void DrawDeliveryMode(Cell c)
{
    c.Device(8, kGlyphU, kRed);
}

void Draw(int index, Cell c)
{
    switch (index) {
    case 0: return DrawNew(c);
    case 1: return DrawOpen(c);
    case 2: return DrawSave(c);
    case 3: return DrawUpload(c);
    case 4: return DrawDownload(c, kGlyphA);
    case 5: return DrawDownload(c, kGlyphT);
    case 6: return DrawDownload(c, kGlyphD);
    case 7: return DrawDownload(c, kGlyphS);
    default: return DrawDeliveryMode(c);
    }
}

}  // namespace

QImage ToolBarImage(int index, qreal ratio)
{
    QImage image(qRound(kImageWidth * ratio), qRound(kImageHeight * ratio), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        Draw(index, Cell(p, ratio));
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

QImage ToolBarBitmap()
{
    QImage image(kImageWidth * kImageCount, kImageHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    for (int i = 0; i < kImageCount; ++i)
        p.drawImage(i * kImageWidth, 0, ToolBarImage(i, 1));
    return image;
}
