// The transfer log the controller and its link write, as a user reads it: the search, each
// dialogue with its request, its lines and its end, and the states the steps passed.
#include "ViewFixture.h"

#include "LogFormat.h"
#include "TransferLog.h"

namespace {

QByteArray LogText()
{
    return CTransferLog::Program().Text();
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
