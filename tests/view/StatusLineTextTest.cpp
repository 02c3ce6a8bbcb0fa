// The status line at large fonts and for assistive tools: at the default font every text keeps
// its place; at a large one the next text moves right so that both stay whole; a long file name
// is shortened before the device label; the view's accessible interface tells its texts and the
// progress bar's count and full scale.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "StatusLine.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QFontMetrics>

namespace {
const QString kLabel = "VEQ-32-C found on";
}  // namespace

class StatusLineFontTest : public ViewTest, public ::testing::WithParamInterface<int> {};

// New, then a download request's first tick: "Waiting for VEQ Data !", the label and the port.
TEST_P(StatusLineFontTest, NextTextMovesRightOnlyWhereTheOneBeforeWouldReachIt)
{
    const QFont before = QApplication::font();
    QFont font = before;
    if (GetParam() > 0)
        font.setPointSize(GetParam());
    QApplication::setFont(font);  // for the expected image's drawing too
    view->setFont(font);
    PointPortNowhere();
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Tick();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    Tick();

    const QFontMetrics fm(font);
    const QString status = "Waiting for VEQ Data !";
    const CStatusLayout at = view->StatusLineShown().layout;
    if (GetParam() == 0) {
        EXPECT_EQ(at.nLabelX, 280);
        EXPECT_EQ(at.nPortX, 420);
    }
    EXPECT_LT(10 + fm.horizontalAdvance(status), at.nLabelX);
    EXPECT_LT(at.nLabelX + fm.horizontalAdvance(kLabel), at.nPortX);
    EXPECT_LE(at.nPortX + fm.horizontalAdvance("COM1"), view->width()) << "the view grows for the port name";
    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{10, 3}, status}, {{at.nLabelX, 3}, kLabel},
                                                              {{at.nPortX, 3}, "COM1"}})));
    QApplication::setFont(before);
}

INSTANTIATE_TEST_SUITE_P(PointSizes, StatusLineFontTest, ::testing::Values(0, 14, 24),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("DefaultFont") : "Font" + std::to_string(info.param) + "pt";
                         });

class TitleLineTest : public ViewTest, public ::testing::WithParamInterface<const char*> {};

// The captured data's line: the file name whole where it fits before the device label, else
// shortened in its middle; label and port name stay whole at their places.
TEST_P(TitleLineTest, FileNameEndsBeforeTheDeviceLabel)
{
    const QString file = GetParam();
    LoadLines({"A4 441.0 Hz", "DATA END________"});
    doc->SetTitle(file);
    view->m_bIdentified = 1;
    doc->SetTransferState(kStateCaptured);
    Tick();

    const QString whole = "VEQ-FILE: <" + file + ">";
    EXPECT_EQ(CKorvaView::TitleLine(), whole);
    const QFontMetrics fm(view->font());
    const QString shown = FitTitleLine(fm, file, 280 - fm.horizontalAdvance(' '));
    EXPECT_EQ(shown == whole, file.size() < 20) << shown.toStdString();
    EXPECT_TRUE(shown == whole || (shown.contains(QChar(0x2026)) && shown.endsWith(".txt>"))) << shown.toStdString();
    EXPECT_LT(10 + fm.horizontalAdvance(shown), 280);
    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{10, 3}, shown}, {{280, 3}, kLabel}, {{420, 3}, "COM1"}})));
}

INSTANTIATE_TEST_SUITE_P(Files, TitleLineTest,
                         ::testing::Values("tuning.txt", "grand-piano-of-the-concert-hall-after-the-winter.txt"));

TEST_F(ViewTest, AccessibleInterfaceIsAStatusBarOfTheLinesTextsAndTheProgress)
{
    doc->m_dlgInterface.m_nPortIndex = 2;
    Tick();  // the controller takes the new port
    view->m_bIdentified = 1;
    LoadLines({"A4 441.0 Hz", "DATA END________"});
    doc->SetTitle("tuning.txt");
    doc->SetTransferState(kStateCaptured);
    Tick();

    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(view.get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->role(), QAccessible::StatusBar);
    EXPECT_EQ(line->text(QAccessible::Name), "VEQ-FILE: <tuning.txt>  VEQ-32-C found on COM3");
    ASSERT_EQ(line->childCount(), 3);
    EXPECT_EQ(line->child(0)->text(QAccessible::Name), "VEQ-FILE: <tuning.txt>");
    EXPECT_EQ(line->child(1)->text(QAccessible::Name), "VEQ-32-C found on COM3");
    QAccessibleInterface* bar = line->child(2);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_EQ(bar->parent(), line);
    EXPECT_TRUE(bar->state().invisible);

    view->m_nProgressFull = 200;
    view->DrawProgress(100);
    EXPECT_FALSE(bar->state().invisible);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 100);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 200);
    EXPECT_EQ(line->valueInterface()->currentValue().toInt(), 100);
    view->DrawProgress(150);
    EXPECT_EQ(bar->text(QAccessible::Value), "150 of 200 lines");
    // Clearing the line takes the bar away.
    view->RedrawStatusLine();
    EXPECT_TRUE(bar->state().invisible);
    EXPECT_EQ(line->text(QAccessible::Name), "VEQ-32-C found on COM3");
}
