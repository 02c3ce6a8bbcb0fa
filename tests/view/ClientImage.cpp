#include "ClientImage.h"

#include "ClientDC.h"
#include "View.h"

#include <QCoreApplication>
#include <QResizeEvent>

QImage ExpectedImage(const QSize& size, const std::vector<PlacedText>& texts)
{
    framework::CView reference;
    QResizeEvent grow(size, reference.size());
    QCoreApplication::sendEvent(&reference, &grow);
    {
        framework::CClientDC dc(&reference);
        dc.FillSolidRect(reference.GetClientRect(), framework::RGB(255, 255, 255));
        for (const PlacedText& t : texts)
            dc.TextOut(t.origin.x(), t.origin.y(), t.text);
    }
    return reference.GetClientImage().copy(0, 0, size.width(), size.height());
}

::testing::AssertionResult SameImage(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (PixelAt(actual, x, y) != PixelAt(expected, x, y)) {
                return ::testing::AssertionFailure()
                    << "pixel (" << x << ", " << y << ") is "
                    << QString::number(PixelAt(actual, x, y), 16).toStdString() << ", expected "
                    << QString::number(PixelAt(expected, x, y), 16).toStdString();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

unsigned PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}
