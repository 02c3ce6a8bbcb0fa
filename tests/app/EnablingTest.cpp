// The device buttons as the dialogues with the simulated device end, shown by the window's own
// idle update, and a disabled command refused however it is given: a click on a disabled
// button, a button that still looks enabled, and the command given as a key gives it.
#include "AppFixture.h"

#include <QAction>
#include <QToolButton>

namespace {

const std::vector<unsigned> kNone = {};
const std::vector<unsigned> kUploadOnly = {ID_PUT_DATA};

}  // namespace

using EnablingTest = AppTest;

TEST_F(EnablingTest, DeviceButtonsFollowTheEndOfEachDialogue)
{
    StartDevice();
    ASSERT_TRUE(Start());

    Idle();
    EXPECT_EQ(EnabledButtons(), kNone) << "at start";
    Tick(200);  // the identity query has gone out
    Idle();
    EXPECT_EQ(EnabledButtons(), kNone) << "during the search";

    ASSERT_NO_FATAL_FAILURE(Identify());
    // The window's event loop shows the change without help.
    EXPECT_TRUE(WaitUntil([&] { return EnabledButtons() == kDeviceCommands; }))
        << "after identification";

    Click(ID_ACTUAL_INSTRUMENT);
    ASSERT_EQ(State(), kStateRequestInstrument);
    Idle();
    EXPECT_EQ(EnabledButtons(), kNone) << "during the download";

    TickToIdle();
    ASSERT_EQ(boxes.texts.back(), kCapturedMessage);
    Idle();
    EXPECT_EQ(EnabledButtons(), kUploadOnly) << "after the captured data";

    Click(ID_PUT_DATA);
    ASSERT_EQ(State(), kStateUpload);
    TickToIdle();
    ASSERT_EQ(boxes.texts.back(), kStoredMessage);
    Idle();
    EXPECT_EQ(EnabledButtons(), kUploadOnly) << "after the upload";
}

TEST_F(EnablingTest, NoDeviceButtonAfterAReceiveTimeOut)
{
    // The device sends its lines but no EOT: the receive ends by silence.
    sim::Settings settings = SimDevice::Fast();
    settings.faults.noEot = true;
    StartDevice(settings);
    ASSERT_TRUE(Start());
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();

    Click(ID_ACTUAL_INSTRUMENT);
    ASSERT_EQ(State(), kStateRequestInstrument);
    TickToIdle();

    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_EQ(boxes.texts.back(), kTimeOutMessage);
    Idle();
    EXPECT_EQ(EnabledButtons(), kNone);
    // The lines that came are data nobody has saved.
    EXPECT_NE(Data(*doc), "");
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(EnablingTest, DisabledButtonsDoNothingWhenClickedOrTriggered)
{
    ASSERT_TRUE(Start());
    Tick(5);
    Idle();
    ASSERT_EQ(EnabledButtons(), kNone);

    for (unsigned id : kTransferCommands) {
        SCOPED_TRACE(testing::Message() << "command " << id);
        EXPECT_FALSE(ToolAction(id)->isEnabled());
        Click(id);
        ToolAction(id)->trigger();
        EXPECT_EQ(State(), kStateSearch);
        EXPECT_EQ(view->m_nTicks, 5);
    }
    EXPECT_TRUE(boxes.boxes.empty());

    // Given as a key gives it, through the frame, each is refused with the trace.
    for (unsigned id : kTransferCommands) {
        traces.clear();
        EXPECT_FALSE(frame->OnCommand(id)) << id;
        EXPECT_EQ(traces, std::vector<QString>{RefusalTrace(id)});
        EXPECT_EQ(State(), kStateSearch);
        EXPECT_EQ(view->m_nTicks, 5);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(EnablingTest, ButtonThatStillLooksEnabledRefusesItsDisabledCommand)
{
    StartDevice();
    ASSERT_TRUE(Start());
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    ASSERT_EQ(EnabledButtons(), kDeviceCommands);

    // Given by key, without an idle update after it: the buttons still show the old enabling.
    ASSERT_TRUE(frame->OnCommand(ID_ADJUSTMENT_DATA));
    ASSERT_EQ(State(), kStateRequestAdjustment);
    Tick(3);
    ASSERT_EQ(EnabledButtons(), kDeviceCommands);
    traces.clear();

    Click(ID_ALL_DATA);
    Click(ID_DELIVERY_MODE);

    EXPECT_EQ(traces, (std::vector<QString>{RefusalTrace(ID_ALL_DATA), RefusalTrace(ID_DELIVERY_MODE)}));
    EXPECT_EQ(State(), kStateRequestAdjustment);
    EXPECT_EQ(view->m_nTicks, 3);
    // Delivery mode would have asked first.
    EXPECT_TRUE(boxes.boxes.empty());
    Idle();
    EXPECT_EQ(EnabledButtons(), kNone);
}
