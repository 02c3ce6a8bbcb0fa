// The transfer log the controller and its link write, as a user reads it, and as the simulator
// plays it back: a log korva wrote of a download gives the same download again.
#include "ViewFixture.h"

#include "LogFormat.h"
#include "TransferLog.h"
#include "replay.h"

#include <sstream>

namespace {

QByteArray LogText()
{
    return CTransferLog::Program().Text();
}

// The bytes the RX events of a log's text stand for, in order, however the reads cut them.
std::string ReceivedBytes(const QByteArray& log)
{
    std::string all;
    for (const QByteArray& line : log.split('\n')) {
        // The text stands behind the kind's eight columns and a blank.
        const qsizetype rx = line.indexOf(" RX      ");
        std::string bytes, error;
        if (rx >= 0 && sim::unescapeLogText(line.mid(rx + 10).toStdString(), bytes, error))
            all += bytes;
    }
    return all;
}

}  // namespace

class ControllerLogTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        CTransferLog::Program().Clear();
    }
};

TEST_F(ControllerLogTest, ADownloadShowsItsRequestItsLinesItsEotAndTheStatesItPassed)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickToIdle();
    Tick(1);
    const QByteArray log = LogText();
    const QByteArray transfer = LastTransferOf(log);
    ASSERT_FALSE(transfer.isEmpty());
    const QList<QByteArray> expectedInOrder = {
        "TRANSFER adjustment data (DD)\n",
        "STATE    5 request adjustment data\n",
        "PURGE    input and output\n",
        "TX       DD<CR><LF>\n",
        "STATE    4 receiving data\n",
        "RX       ADJUSTMENT DATA<CR><LF>\n",
        "RX       DATA END________<CR><LF>\n",
        "RX       <EOT>\n",
        "STATE    1 data captured\n",
        "STATE    16 idle\n",
    };
    qsizetype at = 0;
    for (const QByteArray& event : expectedInOrder) {
        const qsizetype found = transfer.indexOf(event, at);
        EXPECT_GE(found, at) << event.toStdString() << " missing or out of order in\n" << transfer.toStdString();
        if (found >= 0)
            at = found;
    }
    // The search before it: the port opened with its line, the identity asked and answered.
    EXPECT_TRUE(log.contains("STATE    3 search for the device\n"));
    EXPECT_TRUE(log.contains("TX       R<CR><LF>\n"));
    EXPECT_TRUE(log.contains("RX       VEQ-32-C 3.12<CR><LF>\n"));
}

TEST_F(ControllerLogTest, AnUploadAndADeliveryResetBeginTransfersOfTheirOwn)
{
    StartDevice();
    Identify();
    LoadLines({"ADJUSTMENT DATA", "A 1", "DATA END________"});
    view->EnableUploadOnly();
    ASSERT_TRUE(Command(ID_PUT_DATA));
    TickToIdle();
    EXPECT_TRUE(LastTransferOf(LogText()).contains(" TRANSFER upload (DE) of 3 lines\n"));
    EXPECT_TRUE(LastTransferOf(LogText()).contains("TX       A 1<CR><LF>\n"));
    view->EnableDeviceCommands();
    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    Tick(2);
    EXPECT_TRUE(LastTransferOf(LogText()).contains("TRANSFER delivery-mode reset (DU)\n"));
    EXPECT_TRUE(LastTransferOf(LogText()).contains("TX       DU<CR><LF>\n"));
}

TEST_F(ControllerLogTest, TheSimulatorReplayingKorvasLogGivesTheSameDownloadByteForByte)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    TickToIdle();
    ASSERT_EQ(ends.back().nOutcome, kOutcomeCaptured);
    const std::string recorded = Data(*doc);
    const QByteArray log = LogText();

    auto script = std::make_shared<sim::ReplayScript>();
    std::istringstream in(log.toStdString());
    std::string error;
    ASSERT_TRUE(sim::ReplayScript::parse(in, "korva.log", *script, error)) << error;
    TearDown();
    SetUp();
    sim::Settings replay = SimDevice::Fast();
    replay.replay = script;
    replay.replayPaced = false;
    StartDevice(replay);
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    TickToIdle();
    ASSERT_EQ(ends.back().nOutcome, kOutcomeCaptured);
    EXPECT_EQ(Data(*doc).size(), recorded.size());
    EXPECT_TRUE(Data(*doc) == recorded);
    // The replay's own log holds the same received bytes, however the reads cut them.
    EXPECT_TRUE(ReceivedBytes(LastTransferOf(LogText())) == ReceivedBytes(LastTransferOf(log)));
    EXPECT_GT(ReceivedBytes(LastTransferOf(log)).size(), recorded.size());
}
