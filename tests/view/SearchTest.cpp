// The device search: the cycle of open (tick 101), query (tick 200) and read (tick 400), the
// identity test, the endless repetition and the message when no device answers.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "resource.h"

TEST_F(ViewTest, SearchOpensOnTick101QueriesOnTick200AndIdentifiesOnTick400)
{
    StartDevice();
    Tick(100);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    Tick(1);
    EXPECT_EQ(doc->m_bPortOpen, 1);
    Tick(98);
    EXPECT_TRUE(device->LogStaysAt(0));
    Tick(1);
    ASSERT_TRUE(device->WaitForCommand("R"));
    const QSize size = view->GetClientImage().size();
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(size, {{{420, 3}, "COM1"}, {{10, 3}, "searching VEQ-32-C"}})));
    Tick(199);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_bIdentified, 0);
    EXPECT_TRUE(EnabledCommands().empty());

    Tick(1);
    EXPECT_EQ(State(), kStateIdentified);
    EXPECT_EQ(view->m_bIdentified, 1);
    // The status line was redrawn before the device counted as identified: no label yet.
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(size, {{{420, 3}, "COM1"}, {{10, 3}, "VEQ-32-C identified !!"}})));
    Tick(1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
    // State 0 redraws the status line, which leaves the label and the port.
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(size, {{{420, 3}, "COM1"}, {{280, 3}, "VEQ-32-C found on"}})));
    Tick(1000);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_EQ(device->Commands(), std::vector<std::string>{"R"});
    EXPECT_TRUE(boxes.boxes.empty());
}

struct IdentityCase {
    const char* name;
    const char* answer;
    bool identified;
};

void PrintTo(const IdentityCase& c, std::ostream* os)
{
    *os << c.name;
}

class SearchIdentityTest : public ViewTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(SearchIdentityTest, OnlyTheFirstEightCharactersCount)
{
    sim::Settings settings = SimDevice::Fast();
    settings.identity = GetParam().answer;
    StartDevice(settings);
    Tick(400);
    EXPECT_EQ(view->m_bIdentified, GetParam().identified ? 1 : 0);
    if (GetParam().identified) {
        EXPECT_EQ(State(), kStateIdentified);
        return;
    }
    // The cycle starts again: the next query goes out on tick 200 of the next cycle.
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
    Tick(199);
    EXPECT_TRUE(device->LogStaysAt(1));
    Tick(1);
    EXPECT_TRUE(device->WaitFor([](const std::vector<sim::LogEntry>& log) { return log.size() == 2; }));
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", "R"}));
    EXPECT_TRUE(boxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SearchIdentityTest,
    ::testing::Values(IdentityCase{"WithFirmwareVersion", "VEQ-32-C 3.12", true},
                      IdentityCase{"ExactlyTheIdentity", "VEQ-32-C", true},
                      IdentityCase{"AnyTrailingText", "VEQ-32-Cxyz and more", true},
                      IdentityCase{"OtherDevice", "VEQ-32-D 3.12", false},
                      IdentityCase{"LowerCase", "veq-32-c 3.12", false},
                      IdentityCase{"ShortAnswer", "VEQ-32-", false},
                      IdentityCase{"LeadingBlank", " VEQ-32-C 3.12", false}),
    [](const ::testing::TestParamInfo<IdentityCase>& info) { return info.param.name; });

TEST_F(ViewTest, SearchReportsNoTuningSetWhenTheCountdownRunsOutAndGoesOn)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.mute = true;
    StartDevice(settings);
    // One empty read left before the countdown ends the receive: the first cycle's read only
    // counts down, the second one's ends the search cycle in state 15.
    CKorvaDoc::s_nIdleCountdown = 1;
    Tick(400);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
    // Each cycle without an answer is an end of its own, told by no box.
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].nOutcome, kOutcomeNoAnswer);
    Tick(400);
    EXPECT_EQ(State(), kStateNoDevice);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ends.size(), 2u);

    Tick(1);
    EXPECT_TRUE(ShowedOnlyMessage(kNoDeviceMessage));
    ExpectEndToldByLastBox(kOutcomeNoDevice);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_TRUE(SameImage(view->GetClientImage(), ExpectedImage(view->GetClientImage().size(), {{{420, 3}, "COM1"}})));

    // The search goes on with the next cycle's query.
    Tick(200);
    EXPECT_TRUE(device->WaitFor([](const std::vector<sim::LogEntry>& log) { return log.size() == 3; }));
}

TEST_F(ViewTest, SearchCyclesSilentlyOnAPortThatCannotBeOpenedAndFindsItOnceItExists)
{
    PointPortNowhere();
    for (int cycle = 0; cycle < 3; ++cycle) {
        Tick(400);
        EXPECT_EQ(State(), kStateSearch);
        EXPECT_EQ(view->m_nTicks, 0);
        // The failed read closed the port, so that the next cycle tries it afresh.
        EXPECT_EQ(doc->m_bPortOpen, 0);
    }
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(CKorvaDoc::s_nIdleCountdown, 3);

    StartDevice();
    Tick(400);
    EXPECT_EQ(State(), kStateIdentified);
    EXPECT_EQ(view->m_bIdentified, 1);
}

// The read of a silent device's answer takes its 1000 ms over the ticks that come meanwhile,
// which run no step: the window is never held for it. Then the cycle starts again, the idle
// countdown one lower, and the fourth silent read in a row tells that no device answers.
TEST_F(ViewTest, SilentAnswerIsWaitedForOverSeveralTicksAndCountsDownAcrossCycles)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.mute = true;
    StartDevice(settings);
    for (int32_t left : {2, 1, 0, 3}) {
        SCOPED_TRACE(left);
        Tick(399);
        view->OnTimer(kTimer);
        ASSERT_EQ(view->m_nTicks, 400);
        int ticks = 0;
        for (; view->IsWaitingForPort(); ++ticks) {
            ASSERT_EQ(view->m_nTicks, 400);
            view->OnTimer(kTimer);
        }
        EXPECT_GT(ticks, 1);
        EXPECT_EQ(view->m_nTicks, 0);
        EXPECT_EQ(CKorvaDoc::s_nIdleCountdown, left);
        EXPECT_EQ(State(), left == 3 ? kStateNoDevice : kStateSearch);
    }
    EXPECT_TRUE(boxes.boxes.empty());
    Tick(1);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kNoDeviceMessage});
}
