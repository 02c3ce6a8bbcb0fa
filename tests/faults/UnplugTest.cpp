// The device pulled out during the search, during a download and during an upload, then
// plugged in again on a new terminal behind the same port name: what the user is told, what
// becomes of the data, and the device found again without a restart.
#include "FaultFixture.h"

#include "resource.h"

namespace {

constexpr int kSearchOpenTick = 101;
constexpr int kSearchReadTick = 400;
// The identity answer is the first line the device sends, so this hangs up after 5 data lines.
constexpr int kHangUpAfterLines = 6;

}  // namespace

using UnplugTest = FaultTest;

TEST_F(UnplugTest, DuringTheSearchNothingIsShownAndTheDeviceIsFoundOncePluggedInAgain)
{
    plug.PlugIn();
    Tick(kSearchOpenTick);
    ASSERT_EQ(doc->m_bPortOpen, 1);
    ASSERT_GE(doc->m_hPort, 0);

    plug.Unplug();
    Tick(kSearchReadTick - kSearchOpenTick);
    // The read saw the hang-up: the port is closed so that the next cycle opens it afresh.
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    // Whole cycles without a device file.
    Tick(2 * kSearchReadTick);
    EXPECT_EQ(State(), kStateSearch);

    plug.PlugIn();
    TickWhileState(kStateSearch, 2 * kSearchReadTick);
    ASSERT_EQ(State(), kStateIdentified);
    Tick(1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_bIdentified, 1);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
    EXPECT_EQ(plug.Commands(), std::vector<std::string>{"R"});
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(UnplugTest, DuringADownloadTheErrorIsShownTheDocumentStartsEmptyAndTheNextDownloadWorks)
{
    sim::Settings hangsUp = SimDevice::Fast();
    hangsUp.faults.hangUpAfterLines = kHangUpAfterLines;
    plug.PlugIn(hangsUp);
    Identify();

    Download(ID_ADJUSTMENT_DATA);
    ASSERT_EQ(State(), kStateNewDocument);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kApiErrorMessage});
    ExpectNewEmptyDocumentAfterNextTick();

    plug.Unplug();
    plug.PlugIn();
    Download(ID_ADJUSTMENT_DATA);
    ASSERT_EQ(State(), kStateCaptured);
    Tick(1);
    EXPECT_EQ(boxes.texts, (std::vector<QString>{kApiErrorMessage, kCapturedMessage}));
    EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(plug.Commands(), std::vector<std::string>{"DD"});
}

TEST_F(UnplugTest, DuringAnUploadTheFailureIsShownTheDataStayAndTheRetryReachesTheDeviceAgain)
{
    const std::vector<std::string> lines = NumberedLines(40);
    const std::string file = dir.file("tuning.txt");
    WriteWholeFile(file, AsFileText(lines));
    plug.PlugIn();
    Identify();
    OpenDataFile(file);
    const std::string data = Data(*doc);

    ASSERT_TRUE(Command(ID_PUT_DATA));
    constexpr int32_t kLinesBeforeUnplug = 10;
    for (int tick = 0; tick < 1000 && view->m_nLines < kLinesBeforeUnplug; ++tick)
        Tick(1);
    ASSERT_EQ(view->m_bSending, 1);
    ASSERT_EQ(view->m_nLines, kLinesBeforeUnplug);
    ASSERT_TRUE(plug.WaitForDataLines(kLinesBeforeUnplug));
    plug.Unplug();
    TickWhileState(kStateUpload, 1000);

    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kApiErrorMessage});
    EXPECT_EQ(Data(*doc), data);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(ReadWholeFile(file), AsFileText(lines));
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});

    plug.PlugIn();
    Upload();
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(boxes.texts, (std::vector<QString>{kApiErrorMessage, kStoredMessage}));
    ASSERT_TRUE(plug.WaitForDataLines(lines.size()));
    EXPECT_EQ(plug.DataLines(), lines);
}

// Pulled out and plugged in again while the program rests: the port still stands open on the
// terminal that hung up, and the next transfer reaches the device that is back, not the stale
// port (which would answer "V24 Error at API Function" and lose a download's document).
enum class Transfer { download, upload };

struct ReplugCase {
    const char* name;
    Transfer transfer;
};

void PrintTo(const ReplugCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReplugWhileIdleTest : public FaultTest, public ::testing::WithParamInterface<ReplugCase> {};

TEST_P(ReplugWhileIdleTest, FirstTransferAfterwardsReachesTheDevice)
{
    const std::vector<std::string> lines = NumberedLines(10);
    const std::string file = dir.file("tuning.txt");
    WriteWholeFile(file, AsFileText(lines));
    plug.PlugIn();
    Identify();
    if (GetParam().transfer == Transfer::upload)
        OpenDataFile(file);

    plug.Unplug();
    plug.PlugIn();
    if (GetParam().transfer == Transfer::download) {
        Download(ID_ADJUSTMENT_DATA);
        Tick(1);
        EXPECT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
        EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
    } else {
        Upload();
        EXPECT_EQ(boxes.texts, std::vector<QString>{kStoredMessage});
        EXPECT_TRUE(plug.WaitForDataLines(lines.size()));
        EXPECT_EQ(plug.DataLines(), lines);
    }
    EXPECT_EQ(State(), kStateIdle);
}

INSTANTIATE_TEST_SUITE_P(Idle, ReplugWhileIdleTest, ::testing::Values(
    ReplugCase{"Download", Transfer::download},
    ReplugCase{"Upload", Transfer::upload}),
    [](const ::testing::TestParamInfo<ReplugCase>& info) { return std::string(info.param.name); });
