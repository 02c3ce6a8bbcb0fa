// The view on a screen of device pixel ratio 2: its client image has the screen's ratio, so
// that texts and the bar are drawn sharp, and every position stays in logical pixels.
#include "ClientImage.h"
#include "ViewFixture.h"

namespace {
// Before the program's QApplication is made: every screen of this test program is at 2x.
const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");
}  // namespace

TEST_F(ViewTest, ClientImageHasTheScreensRatioWithEveryPositionInLogicalPixels)
{
    ASSERT_TRUE(kScaled);
    ASSERT_EQ(view->devicePixelRatioF(), 2.0);
    view->RedrawStatusLine();
    view->m_nProgressFull = 200;
    view->DrawProgress(100);

    const QImage& image = view->GetClientImage();
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.size(), QSize(2 * view->GetClientRect().right, 2 * view->GetClientRect().bottom));
    // The fill covers logical x 110 to 279: screen pixels 220 to 559.
    EXPECT_EQ(PixelAt(image, 220, 140), kBluePixel);
    EXPECT_EQ(PixelAt(image, 559, 140), kBluePixel);
    EXPECT_EQ(PixelAt(image, 219, 140), kWhitePixel);
    EXPECT_EQ(PixelAt(image, 560, 140), kWhitePixel);
    // "COM1" starts at logical x 420, and is drawn with the screen's pixels: a text stretched
    // from a 1x image would come in blocks of 2 x 2 equal pixels.
    int left = image.width();
    bool finer = false;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x + 1 < image.width(); ++x) {
            if (PixelAt(image, x, y) != kWhitePixel)
                left = std::min(left, x);
            finer = finer || (x % 2 == 0 && y % 2 == 0 && PixelAt(image, x, y) != PixelAt(image, x + 1, y));
        }
    }
    EXPECT_GE(left, 840);
    EXPECT_LE(left, 846);
    EXPECT_TRUE(finer);
}
