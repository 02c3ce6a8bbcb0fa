// The status line at large fonts and through assistive tools: at the default font every text
// keeps its place; at a large one the next text moves right so that both stay whole; a long
// file name is shortened before the device label; the view tells its texts and the progress
// bar's count and full scale through its accessible interface.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "StatusLine.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QFontMetrics>

namespace {

const QString kLabel = "VEQ-32-C found on";

// The application's font for the length of a test, so that the view and the expected image
// draw with the same one.
class FontForTest {
public:
    explicit FontForTest(int pointSize) : m_before(QApplication::font())
    {
        if (pointSize <= 0)
            return;
        QFont font = m_before;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
    }
    ~FontForTest() { QApplication::setFont(m_before); }

private:
    QFont m_before;
};

}  // namespace

struct FontCase {
    const char* name;
    int pointSize;  // 0: the default font
};

void PrintTo(const FontCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatusLineFontTest : public ViewTest, public ::testing::WithParamInterface<FontCase> {
protected:
    // New, then a download request's first tick: the status line reads "Waiting for VEQ Data !",
    // the device label and the port name.
    void DrawWaitingLine()
    {
        PointPortNowhere();
        view->setFont(QApplication::font());
        ASSERT_TRUE(Command(ID_FILE_NEW));
        Tick();
        ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
        Tick();
    }
};

TEST_P(StatusLineFontTest, NextTextMovesRightOnlyWhereTheOneBeforeWouldReachIt)
{
    const FontCase& c = GetParam();
    const FontForTest font(c.pointSize);
    ASSERT_NO_FATAL_FAILURE(DrawWaitingLine());
    const QFontMetrics fm(view->font());
    const CStatusLineShown& line = view->StatusLineShown();
    const QString status = "Waiting for VEQ Data !";
    ASSERT_EQ(line.strText, status);
    ASSERT_TRUE(line.bLabel);

    const CStatusLayout at = line.layout;
    if (c.pointSize == 0) {
        EXPECT_EQ(at.nLabelX, 280);
        EXPECT_EQ(at.nPortX, 420);
    }
    EXPECT_GE(at.nLabelX, 280);
    EXPECT_GE(at.nPortX, 420);
    EXPECT_LT(10 + fm.horizontalAdvance(status), at.nLabelX);
    EXPECT_LT(at.nLabelX + fm.horizontalAdvance(kLabel), at.nPortX);
    // The port name stays within the view, which grows for it.
    EXPECT_LE(at.nPortX + fm.horizontalAdvance("COM1"), view->width());

    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{10, 3}, status},
                                                              {{at.nLabelX, 3}, kLabel},
                                                              {{at.nPortX, 3}, "COM1"}})));
}

INSTANTIATE_TEST_SUITE_P(Fonts, StatusLineFontTest,
                         ::testing::Values(FontCase{"DefaultFont", 0}, FontCase{"Font14pt", 14},
                                           FontCase{"Font24pt", 24}),
                         [](const ::testing::TestParamInfo<FontCase>& info) { return info.param.name; });

TEST(StatusLineLayoutTest, TheProgramsTextsKeepThePlacesAtTheDefaultFont)
{
    const QFontMetrics fm(QApplication::font());
    for (const char* text : {"searching VEQ-32-C", "VEQ-32-C identified !!", "Waiting for VEQ Data !",
                             "Receiving data from VEQ !", "VEQ-32-C firmware reset >DU< !",
                             "transmitting data to VEQ !", "VEQ-FILE: <VEQ_32_C_DATA>"}) {
        const int right = 10 + fm.horizontalAdvance(QString::fromLatin1(text));
        for (bool label : {false, true}) {
            const CStatusLayout at = LayoutStatusLine(fm, right, label);
            EXPECT_EQ(at.nPortX, 420) << text;
            if (label) {
                EXPECT_EQ(at.nLabelX, 280) << text;
            }
        }
    }
}

struct TitleCase {
    const char* name;
    QString file;
    bool shortened;
};

void PrintTo(const TitleCase& c, std::ostream* os)
{
    *os << c.name;
}

class TitleLineTest : public ViewTest, public ::testing::WithParamInterface<TitleCase> {};

// The captured data's line: the file name whole when it fits before the device label, else
// shortened in its middle; the label and the port name stay whole at their places.
TEST_P(TitleLineTest, FileNameEndsBeforeTheDeviceLabel)
{
    const TitleCase& c = GetParam();
    LoadLines({"A4 441.0 Hz", "DATA END________"});
    doc->SetTitle(c.file);
    view->m_bIdentified = 1;
    doc->SetTransferState(kStateCaptured);
    Tick();

    const QString whole = "VEQ-FILE: <" + c.file + ">";
    EXPECT_EQ(CKorvaView::TitleLine(), whole);
    EXPECT_EQ(view->StatusLineShown().strText, whole);
    const QFontMetrics fm(view->font());
    const QString shown = FitTitleLine(fm, c.file, 280 - fm.horizontalAdvance(' '));
    EXPECT_EQ(shown != whole, c.shortened);
    if (c.shortened) {
        EXPECT_TRUE(shown.startsWith("VEQ-FILE: <")) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(".txt>")) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    }
    EXPECT_LT(10 + fm.horizontalAdvance(shown), 280);
    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{10, 3}, shown}, {{280, 3}, kLabel}, {{420, 3}, "COM1"}})));
}

INSTANTIATE_TEST_SUITE_P(
    Files, TitleLineTest,
    ::testing::Values(TitleCase{"ShortName", "tuning.txt", false},
                      TitleCase{"LongName", "grand-piano-of-the-concert-hall-after-the-winter-season.txt", true}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return info.param.name; });

// What a screen reader reads of the view. (The events that tell it of a change reach only a
// running accessibility bridge, which the offscreen platform has not.)
class ViewAccessibleTest : public ViewTest {
protected:
    QAccessibleInterface* Iface() const { return QAccessible::queryAccessibleInterface(view.get()); }
};

TEST_F(ViewAccessibleTest, StatusTextsArePartsOfAStatusBarNamedByTheWholeLine)
{
    doc->m_dlgInterface.m_nPortIndex = 2;
    Tick();  // the controller takes the new port
    view->m_bIdentified = 1;
    LoadLines({"A4 441.0 Hz", "DATA END________"});
    doc->SetTitle("tuning.txt");
    doc->SetTransferState(kStateCaptured);
    Tick();

    QAccessibleInterface* iface = Iface();
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StatusBar);
    EXPECT_EQ(iface->text(QAccessible::Name), "VEQ-FILE: <tuning.txt>  VEQ-32-C found on COM3");
    ASSERT_EQ(iface->childCount(), 3);
    EXPECT_EQ(iface->child(0)->text(QAccessible::Name), "VEQ-FILE: <tuning.txt>");
    EXPECT_EQ(iface->child(1)->text(QAccessible::Name), "VEQ-32-C found on COM3");
    EXPECT_EQ(iface->child(2)->role(), QAccessible::ProgressBar);
    EXPECT_TRUE(iface->child(2)->state().invisible);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(iface->child(i)->parent(), iface);
        EXPECT_EQ(iface->indexOfChild(iface->child(i)), i);
    }
}

TEST_F(ViewAccessibleTest, ProgressTellsTheCountAndTheFullScaleAsTheBarIsDrawn)
{
    view->RedrawStatusLine();
    view->m_nProgressFull = 200;
    view->DrawProgress(100);

    QAccessibleInterface* bar = Iface()->child(2);
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_FALSE(bar->state().invisible);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 100);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 200);
    EXPECT_EQ(bar->valueInterface()->minimumValue().toInt(), 0);
    EXPECT_EQ(bar->text(QAccessible::Value), "100 of 200 lines");
    EXPECT_EQ(Iface()->valueInterface()->currentValue().toInt(), 100);

    view->DrawProgress(150);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 150);

    // Clearing the line takes the bar away.
    view->RedrawStatusLine();
    EXPECT_TRUE(bar->state().invisible);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 0);
}
