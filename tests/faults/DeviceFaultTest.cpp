// A device that misbehaves on a line that stays up: it never ends a transfer, it floods more
// than the buffer holds, or it holds the line with XOFF longer than a write may wait.
#include "FaultFixture.h"

#include "factory_data.h"
#include "resource.h"

#include <algorithm>
#include <chrono>

using DeviceFaultTest = FaultTest;

TEST_F(DeviceFaultTest, TransferWithoutEotTimesOutKeepsEveryLineForSavingAndDisablesTheCommands)
{
    sim::Settings noEot = SimDevice::Fast();
    noEot.faults.noEot = true;
    plug.PlugIn(noEot);
    Identify();
    // The first empty read after the data is the silence that ends the receive.
    CKorvaDoc::s_nIdleCountdown = 0;

    Download(ID_ALL_DATA);
    ASSERT_EQ(State(), kStateTimedOut);
    Tick(1);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kTimeOutMessage});
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_TRUE(EnabledCommands().empty());
    const sim::Lines lines = sim::factoryData();
    EXPECT_EQ(Data(*doc), AsBufferLines(lines));
    EXPECT_TRUE(doc->IsModified());

    // What came is worth keeping: it saves whole.
    const std::string file = dir.file("partial.txt");
    {
        CFileDialogAnswer answer(file);
        ASSERT_TRUE(Command(ID_FILE_SAVE_AS));
    }
    EXPECT_EQ(ReadWholeFile(file), AsFileText(lines));
    EXPECT_FALSE(doc->IsModified());
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Tick(1);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kTimeOutMessage});
}

TEST_F(DeviceFaultTest, FloodBeyondTheBufferIsDroppedSilentlyAndNothingIsStoredPastIt)
{
    sim::Settings flood = SimDevice::Fast();
    flood.faults.oversize = true;
    plug.PlugIn(flood);
    Identify();
    // The place after the receive's limit is kept for a load's extra empty line; a character
    // stored past the limit would land there.
    doc->m_data[CKorvaDoc::kDataCapacity] = '#';
    const int32_t handle = doc->m_hPort;

    Download(ID_ADJUSTMENT_DATA, 100000);
    ASSERT_EQ(State(), kStateNewDocument);
    EXPECT_TRUE(boxes.texts.empty());
    // The overflowing read as the device sent it: the LF that closed the line before, then
    // one whole line up to the CR that ended the read.
    const std::string lastRead(doc->m_rxArea);
    ASSERT_FALSE(lastRead.empty());
    EXPECT_EQ(lastRead.front(), '\n');
    const sim::Lines& lines = AdjustmentLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), lastRead.substr(1)), lines.end()) << lastRead;
    EXPECT_EQ(doc->m_hPort, handle);
    EXPECT_EQ(doc->m_data[CKorvaDoc::kDataCapacity], '#');

    ExpectNewEmptyDocumentAfterNextTick();
    EXPECT_TRUE(boxes.texts.empty());
}

// How long the device holds its XOFF against the write time-out of 1000 ms: a short hold only
// slows the upload down, a long one ends it with the failure and the data kept for a retry.
struct XoffCase {
    const char* name;
    std::chrono::milliseconds hold;
    bool fails;
};

void PrintTo(const XoffCase& c, std::ostream* os)
{
    *os << c.name;
}

class XoffTest : public FaultTest, public ::testing::WithParamInterface<XoffCase> {};

TEST_P(XoffTest, UploadWaitsForXonOrEndsWithTheFailureWhenHeldTooLong)
{
    constexpr int32_t kLinesBeforeXoff = 5;
    sim::Settings holds = SimDevice::Fast();
    holds.faults.xoffAfterLines = kLinesBeforeXoff;
    holds.xoffLength = GetParam().hold;
    const std::vector<std::string> lines = NumberedLines(30);
    const std::string file = dir.file("tuning.txt");
    WriteWholeFile(file, AsFileText(lines));
    plug.PlugIn(holds);
    Identify();
    OpenDataFile(file);
    const std::string data = Data(*doc);

    ASSERT_TRUE(Command(ID_PUT_DATA));
    for (int tick = 0; tick < 1000 && view->m_nLines < kLinesBeforeXoff; ++tick)
        Tick(1);
    ASSERT_EQ(view->m_nLines, kLinesBeforeXoff);
    ASSERT_TRUE(plug.WaitForDataLines(kLinesBeforeXoff));
    // A short hold may be over before a test could see it.
    if (GetParam().fails) {
        ASSERT_TRUE(plug.WaitUntilLineHeld());
        // The held line is waited for over the ticks that come, none of which waits long.
        for (int tick = 0; tick < 3; ++tick) {
            view->OnTimer(kTimer);
            EXPECT_TRUE(view->IsWaitingForPort());
        }
    }
    TickWhileState(kStateUpload, 1000);

    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_bSending, 0);
    EXPECT_EQ(Data(*doc), data);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(ReadWholeFile(file), AsFileText(lines));
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
    if (GetParam().fails) {
        EXPECT_EQ(boxes.texts, std::vector<QString>{kApiErrorMessage});
        EXPECT_EQ(plug.DataLines(), std::vector<std::string>(lines.begin(), lines.begin() + kLinesBeforeXoff));
    } else {
        EXPECT_EQ(boxes.texts, std::vector<QString>{kStoredMessage});
        ASSERT_TRUE(plug.WaitForDataLines(lines.size()));
        EXPECT_EQ(plug.DataLines(), lines);
    }
}

INSTANTIATE_TEST_SUITE_P(Upload, XoffTest, ::testing::Values(
    XoffCase{"HeldShorterThanTheWriteTimeOut", std::chrono::milliseconds(500), false},
    XoffCase{"HeldLongerThanTheWriteTimeOut", std::chrono::milliseconds(3000), true}),
    [](const ::testing::TestParamInfo<XoffCase>& info) { return std::string(info.param.name); });
