// The view on a screen of device pixel ratio 2: its client image has the screen's ratio, so
// that texts and the bar are drawn sharp, and every position stays where it is in logical pixels.
#include "ClientImage.h"
#include "ViewFixture.h"

#include <QApplication>

namespace {
// Before the program's QApplication is made: every screen of this test program is at 2x.
const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");
}  // namespace

using HiDpiViewTest = ViewTest;

TEST_F(HiDpiViewTest, ClientImageHasTheScreensRatioAndTheBarItsLogicalPlace)
{
    ASSERT_TRUE(kScaled);
    ASSERT_EQ(view->devicePixelRatioF(), 2.0);
    view->RedrawStatusLine();
    view->m_nProgressFull = 200;
    view->DrawProgress(100);

    const QImage& image = view->GetClientImage();
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    const framework::CRect logical = view->GetClientRect();
    EXPECT_GE(logical.right, 500);
    EXPECT_GE(logical.bottom, 150);
    EXPECT_EQ(image.size(), QSize(2 * logical.right, 2 * logical.bottom));
    // The fill covers logical x 110 to 279, that is screen pixels 220 to 559.
    for (int x : {220, 559})
        EXPECT_EQ(PixelAt(image, x, 140), kBluePixel) << x;
    for (int x : {219, 560})
        EXPECT_EQ(PixelAt(image, x, 140), kWhitePixel) << x;
}

TEST_F(HiDpiViewTest, TextIsDrawnWithTheScreensPixelsNotStretchedFromHalfAsMany)
{
    view->RedrawStatusLine();
    const QImage& image = view->GetClientImage();
    // A text stretched from a 1x image would come in blocks of 2 x 2 equal pixels.
    bool finer = false;
    for (int y = 6; y < 40 && !finer; y += 2) {
        for (int x = 840; x < 960 && !finer; x += 2)
            finer = PixelAt(image, x, y) != PixelAt(image, x + 1, y) || PixelAt(image, x, y) != PixelAt(image, x, y + 1);
    }
    EXPECT_TRUE(finer);
    // The port name still starts at logical x 420.
    int left = image.width();
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (PixelAt(image, x, y) != kWhitePixel)
                left = std::min(left, x);
        }
    }
    EXPECT_GE(left, 840);
    EXPECT_LE(left, 846);
}
