// The status line and the progress bar as pixels of the client image: port names, the device
// label, the cleared area, the bar's arithmetic and colours, and the image kept across a
// resize and a repaint.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "ClientDC.h"

#include <QPixmap>

namespace {

constexpr unsigned kFrameDark = 0x141414;
constexpr unsigned kFrameLight = 0xE6E6E6;

int NonWhitePixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += PixelAt(image, x, y) != kWhitePixel;
    }
    return count;
}

}  // namespace

struct StatusCase {
    const char* name;
    int32_t portIndex;
    int32_t identified;
    QString port;
    bool label;
};

void PrintTo(const StatusCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatusLineTest : public ViewTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusLineTest, ShowsThePortAndTheLabelOnlyWhenIdentified)
{
    const StatusCase& c = GetParam();
    doc->m_dlgInterface.m_nPortIndex = c.portIndex;
    view->m_bIdentified = c.identified;
    view->RedrawStatusLine();

    const QImage& image = view->GetClientImage();
    std::vector<PlacedText> texts = {{{420, 3}, c.port}};
    if (c.label)
        texts.push_back({{280, 3}, "VEQ-32-C found on"});
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), texts)));
    EXPECT_GT(NonWhitePixels(image, QRect(420, 3, 60, 14)), 0);
    EXPECT_EQ(NonWhitePixels(image, QRect(280, 3, 100, 14)) > 0, c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, StatusLineTest,
    ::testing::Values(StatusCase{"FirstPort", 0, 0, "COM1", false},
                      StatusCase{"ThirdPortIdentified", 2, 1, "COM3", true},
                      StatusCase{"LastPort", 15, 1, "COM16", true},
                      StatusCase{"IndexPastTheTable", 16, 1, "????", true},
                      StatusCase{"NegativeIndex", -1, 0, "????", false},
                      StatusCase{"IdentifiedFlagOtherThanOne", 0, 2, "COM1", false}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

TEST_F(ViewTest, RedrawingTheStatusLineClearsTextAndBar)
{
    view->m_nProgressFull = 200;
    view->DrawProgress(100);
    {
        framework::CClientDC dc(view.get());
        dc.TextOut(10, 3, "Receiving data from VEQ !");
        dc.FillSolidRect(framework::CRect{0, 100, 640, 480}, framework::RGB(0, 0, 255));
    }
    view->RedrawStatusLine();
    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{420, 3}, "COM1"}})));
}

struct BarCase {
    const char* name;
    int32_t fullScale;
    std::vector<int32_t> counts;  // drawn in order; the last one is checked
    int fill;
    int32_t fullScaleAfter;
};

void PrintTo(const BarCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgressBarTest : public ViewTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(ProgressBarTest, FillsCountTimes340OverTheFullScaleFromTheLeft)
{
    const BarCase& c = GetParam();
    view->RedrawStatusLine();
    view->m_nProgressFull = c.fullScale;
    for (int32_t count : c.counts)
        view->DrawProgress(count);
    EXPECT_EQ(view->m_nProgressFull, c.fullScaleAfter);

    const QImage& image = view->GetClientImage();
    for (int y = 65; y < 75; ++y) {
        for (int x = 110; x < 450; ++x) {
            ASSERT_EQ(PixelAt(image, x, y), x < 110 + c.fill ? kBluePixel : kWhitePixel) << x << ", " << y;
        }
    }
    // Nothing leaks out of the track: the ring inside the frame and the area left of it stay white.
    for (int y = 64; y <= 75; ++y) {
        EXPECT_EQ(PixelAt(image, 109, y), kWhitePixel) << y;
        EXPECT_EQ(PixelAt(image, 450, y), kWhitePixel) << y;
    }
    for (int x = 0; x < 108; ++x)
        EXPECT_EQ(PixelAt(image, x, 70), kWhitePixel) << x;
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ProgressBarTest,
    ::testing::Values(BarCase{"ZeroIsEmpty", 200, {0}, 0, 200},
                      BarCase{"HalfFills170", 200, {100}, 170, 200},
                      BarCase{"Count198Fills336", 200, {198}, 336, 200},
                      BarCase{"Count199SnapsToFull", 200, {199}, 340, 200},
                      BarCase{"BeyondTheScaleStopsAtTheEnd", 200, {1000}, 340, 200},
                      BarCase{"ZeroScaleCountsAsOne", 0, {5}, 340, 1},
                      BarCase{"NegativeCountShowsNoFill", 200, {-5}, 0, 200},
                      BarCase{"SmallerCountShrinksTheBar", 200, {1000, 50}, 85, 200}),
    [](const ::testing::TestParamInfo<BarCase>& info) { return info.param.name; });

TEST_F(ViewTest, ProgressFrameIsDarkTopLeftAndLightBottomRight)
{
    view->RedrawStatusLine();
    view->m_nProgressFull = 200;
    view->DrawProgress(0);
    const QImage& image = view->GetClientImage();
    for (int x = 108; x <= 450; ++x)
        EXPECT_EQ(PixelAt(image, x, 63), kFrameDark) << x;
    for (int y = 63; y <= 75; ++y)
        EXPECT_EQ(PixelAt(image, 108, y), kFrameDark) << y;
    for (int y = 63; y <= 76; ++y)
        EXPECT_EQ(PixelAt(image, 451, y), kFrameLight) << y;
    for (int x = 108; x <= 451; ++x)
        EXPECT_EQ(PixelAt(image, x, 76), kFrameLight) << x;
    for (const QPoint& outside : {QPoint(107, 63), QPoint(108, 62), QPoint(452, 70), QPoint(300, 77)})
        EXPECT_EQ(PixelAt(image, outside.x(), outside.y()), kWhitePixel) << outside.x() << ", " << outside.y();
}

TEST_F(ViewTest, DrawnPixelsSurviveAResizeAndARepaint)
{
    view->show();
    view->RedrawStatusLine();
    view->m_nProgressFull = 200;
    view->DrawProgress(100);
    const QImage before = view->GetClientImage().copy();

    view->resize(before.width() + 200, before.height() + 100);
    WaitUntil([&] { return view->GetClientImage().width() == before.width() + 200; });
    const QImage& image = view->GetClientImage();
    ASSERT_EQ(image.size(), QSize(before.width() + 200, before.height() + 100));
    EXPECT_TRUE(SameImage(image.copy(0, 0, before.width(), before.height()), before));
    EXPECT_EQ(NonWhitePixels(image, QRect(before.width(), 0, 200, image.height())), 0);
    EXPECT_EQ(NonWhitePixels(image, QRect(0, before.height(), image.width(), 100)), 0);

    // Painting shows the kept image: the bar and the port name come back on screen.
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(PixelAt(shown, 200, 70), kBluePixel);
    EXPECT_EQ(PixelAt(shown, 300, 70), kWhitePixel);
    EXPECT_TRUE(SameImage(shown.copy(420, 3, 60, 14), before.copy(420, 3, 60, 14)));
}
