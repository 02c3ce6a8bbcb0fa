// An upload under way is never cut short unasked: New, Open, a port change and closing the window
// ask first, and No, the default answer, lets it go on; a stop signal lets it finish, then ends
// the program.
#include "AppFixture.h"

#include <QTest>

class UploadGuardTest : public AppTest {
protected:
    // Thirty lines and the end marker: the upload runs for well over the ticks a test needs.
    const std::vector<std::string> m_lines = NumberedLines(31);

    // The window started with a data file, its upload begun and its first lines sent.
    void StartUpload()
    {
        StartDevice();
        ASSERT_NO_FATAL_FAILURE(StartActive({QString::fromStdString(WriteDataFile("upload.txt", m_lines))}));
        Tick();
        Idle();
        Click(ID_PUT_DATA);
        ASSERT_EQ(State(), kStateUpload);
        Tick(205);
        ASSERT_EQ(view->m_bSending, 1);
        boxes.boxes.clear();
        boxes.texts.clear();
    }
};

class UploadQuestionTest : public UploadGuardTest, public ::testing::WithParamInterface<std::tuple<UserAction, int>> {};

TEST_P(UploadQuestionTest, AsksBeforeTheUploadIsStoppedAndNoLetsItGoOn)
{
    const auto [action, answer] = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartUpload());
    boxes.answers = {answer};

    Do(action);

    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].text, kStopUploadQuestion);
    EXPECT_EQ(boxes.boxes[0].type & 0xFu, framework::MB_YESNO);
    EXPECT_TRUE(boxes.boxes[0].type & framework::MB_DEFBUTTON2) << "No is the default answer";
    const bool stopped = answer == framework::IDYES;
    EXPECT_EQ(WentOn(action), stopped);
    if (stopped)
        return;
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(State(), kStateUpload);
    EXPECT_EQ(doc->m_dlgInterface.m_nPortIndex, 0);
    TickToIdle();
    EXPECT_EQ(boxes.texts.back(), kStoredMessage);
    EXPECT_TRUE(WaitUntil([this] { return device->DataLines() == m_lines; }));
}

INSTANTIATE_TEST_SUITE_P(
    ActionsAndAnswers, UploadQuestionTest,
    ::testing::Combine(::testing::Values(UserAction::closeWindow, UserAction::openByKey, UserAction::newByKey,
                                         UserAction::portChange),
                       ::testing::Values(int(framework::IDNO), int(framework::IDYES))),
    [](const ::testing::TestParamInfo<std::tuple<UserAction, int>>& info) {
        return std::string(NameOf(std::get<0>(info.param))) + (std::get<1>(info.param) == framework::IDYES ? "_Yes" : "_No");
    });

// SIGTERM and SIGINT reach the application as a stop request: during an upload it waits for
// the last line, then ends the program, and the device holds the data whole.
TEST_F(UploadGuardTest, StopSignalLetsTheUploadFinishThenEndsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(StartUpload());
    const size_t sentBefore = device->DataLines().size();
    theApp.OnStopSignal();
    EXPECT_TRUE(frame->isVisible());
    view->SetTimer(CKorvaView::kTimerId, CKorvaView::kTimerPeriodMs);
    EXPECT_TRUE(WaitUntil([this] { return !frame->isVisible(); }, 20000));
    EXPECT_GT(device->DataLines().size(), sentBefore);
    EXPECT_TRUE(WaitUntil([this] { return device->DataLines() == m_lines; }));
    EXPECT_TRUE(boxes.texts.empty() || boxes.texts.back() == kStoredMessage);
}
