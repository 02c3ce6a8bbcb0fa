// The four downloads: the request on tick 10, the full scale, one read per tick, the end by
// EOT, by silence, by a read error or by overflow, and what each end leaves: message, title
// line, enabled commands, data.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "factory_data.h"
#include "protocol.h"
#include "resource.h"
#include "transfer.h"
#include "v24.h"

#include <QApplication>

namespace {

struct DownloadCase {
    const char* name;
    unsigned command;
    int32_t requestState;
    const char* request;
    int32_t fullScale;
    std::string_view section;  // empty: all data
    bool deliveryModeUntilReceive;
};

void PrintTo(const DownloadCase& c, std::ostream* os)
{
    *os << c.name;
}

sim::Lines LinesOf(const DownloadCase& c)
{
    return c.section.empty() ? sim::factoryData() : sim::sectionOf(sim::factoryData(), c.section);
}


}  // namespace

class DownloadTest : public ViewTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadTest, RequestsOnTick10ReceivesALinePerTickAndEndsWithTheCapturedMessage)
{
    const DownloadCase& c = GetParam();
    const sim::Lines lines = LinesOf(c);
    StartDevice();
    Identify();
    doc->SetTitle("tuning.txt");

    ASSERT_TRUE(Command(c.command));
    EXPECT_EQ(State(), c.requestState);
    EXPECT_EQ(EnabledCommands(), c.deliveryModeUntilReceive ? std::vector<unsigned>{ID_DELIVERY_MODE}
                                                            : std::vector<unsigned>{});
    Tick(9);
    EXPECT_EQ(State(), c.requestState);
    EXPECT_TRUE(device->LogStaysAt(1));
    Tick(1);
    EXPECT_EQ(State(), kStateReceiving);
    EXPECT_EQ(view->m_nProgressFull, c.fullScale);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_TRUE(device->WaitForCommand(c.request));

    Tick(1);
    EXPECT_TRUE(EnabledCommands().empty());
    // One line per tick, and one more for the read that carries the EOT.
    const int ticks = 1 + TickWhileState(kStateReceiving);
    EXPECT_EQ(ticks, static_cast<int>(lines.size()) + 1);
    EXPECT_EQ(view->m_nLines, static_cast<int32_t>(lines.size()) + 1);
    ASSERT_EQ(State(), kStateCaptured);
    EXPECT_EQ(Data(), AsBufferLines(lines));
    EXPECT_TRUE(boxes.boxes.empty());

    Tick(1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kCapturedMessage);
    EXPECT_EQ(boxes.boxes[0].caption, QApplication::applicationName());
    EXPECT_EQ(boxes.boxes[0].type, framework::MB_OK);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(CKorvaView::TitleLine(), "VEQ-FILE: <tuning.txt>");
    EXPECT_TRUE(SameImage(view->GetClientImage(), ExpectedImage(view->GetClientImage().size(),
                                                                {{{420, 3}, "COM1"},
                                                                 {{280, 3}, "VEQ-32-C found on"},
                                                                 {{10, 3}, "VEQ-FILE: <tuning.txt>"}})));
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", c.request}));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DownloadTest,
    ::testing::Values(
        DownloadCase{"AdjustmentData", ID_ADJUSTMENT_DATA, 5, "DD", 20, sim::protocol::kTitleAdjustment, false},
        DownloadCase{"ActualInstrument", ID_ACTUAL_INSTRUMENT, 6, "DS", 33, sim::protocol::kTitleInstrument, false},
        DownloadCase{"HistoricalTemperaments", ID_HISTORICAL_TEMPERAMENTS, 7, "DT", 600,
                     sim::protocol::kTitleTemperaments, true},
        DownloadCase{"AllData", ID_ALL_DATA, 9, "DA", 6800, {}, true}),
    [](const ::testing::TestParamInfo<DownloadCase>& info) { return info.param.name; });

TEST_F(ViewTest, ReceiveDrawsTheBarAfterTheThirdLineAndAfterEvery202LinesMore)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_HISTORICAL_TEMPERAMENTS));
    Tick(10);
    ASSERT_EQ(view->m_nProgressFull, 600);
    const QImage& image = view->GetClientImage();
    Tick(2);
    EXPECT_EQ(PixelAt(image, 108, 63), kWhitePixel);
    EXPECT_EQ(PixelAt(image, 110, 70), kWhitePixel);
    Tick(1);
    // 3 x 340 / 600 = 1 pixel.
    EXPECT_EQ(PixelAt(image, 108, 63), 0x141414u);
    EXPECT_EQ(PixelAt(image, 110, 70), kBluePixel);
    EXPECT_EQ(PixelAt(image, 111, 70), kWhitePixel);
    Tick(201);
    EXPECT_EQ(view->m_nLines, 204);
    EXPECT_EQ(PixelAt(image, 111, 70), kWhitePixel);
    Tick(1);
    // 205 x 340 / 600 = 116 pixels.
    EXPECT_EQ(PixelAt(image, 225, 70), kBluePixel);
    EXPECT_EQ(PixelAt(image, 226, 70), kWhitePixel);
}

TEST_F(ViewTest, SilenceAfterDataEndsWithTimeOutKeepsTheLinesAndDisablesEverything)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.noEot = true;
    StartDevice(settings);
    Identify();
    // The first empty read after the data ends the receive.
    CKorvaDoc::s_nIdleCountdown = 0;
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    Tick(10);
    TickWhileState(kStateReceiving);
    ASSERT_EQ(State(), kStateTimedOut);
    const sim::Lines lines = sim::sectionOf(sim::factoryData(), sim::protocol::kTitleAdjustment);
    // The size leaves out the CR of the last line, which held only the device's last LF.
    EXPECT_EQ(Data(), AsBufferLines(lines));

    Tick(1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kTimeOutMessage);
    EXPECT_EQ(boxes.boxes[0].caption, QApplication::applicationName());
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(CKorvaView::TitleLine(), "VEQ-FILE: <VEQ_32_C_DATA>");
    EXPECT_TRUE(EnabledCommands().empty());
    EXPECT_EQ(Data(), AsBufferLines(lines));
}

TEST_F(ViewTest, SilenceBeforeAnyLineReportsNoTuningSetAndSearchesAgain)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.mute = true;
    StartDevice(settings);
    // File New enables the downloads without a device.
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Tick(1);
    CKorvaDoc::s_nIdleCountdown = 0;
    ASSERT_TRUE(Command(ID_ACTUAL_INSTRUMENT));
    Tick(11);
    EXPECT_EQ(State(), kStateNoDevice);
    EXPECT_EQ(doc->m_nDataSize, 0);
    Tick(1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kNoDeviceMessage);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
}

enum class ReceiveFault { wrongHandle, portClosed, deviceHungUp, bufferOverflow };

struct ReceiveFailure {
    const char* name;
    ReceiveFault fault;
    const char* message;  // nullptr: none
};

void PrintTo(const ReceiveFailure& c, std::ostream* os)
{
    *os << c.name;
}

class ReceiveFailureTest : public ViewTest, public ::testing::WithParamInterface<ReceiveFailure> {
protected:
    void PrepareDevice()
    {
        sim::Settings settings = SimDevice::Fast();
        switch (GetParam().fault) {
        case ReceiveFault::wrongHandle:
            PointPortNowhere();
            // File New enables the downloads without a device.
            ASSERT_TRUE(Command(ID_FILE_NEW));
            Tick(1);
            return;
        case ReceiveFault::portClosed: break;
        case ReceiveFault::deviceHungUp:
            // The identity answer is the first line the device sends.
            settings.faults.hangUpAfterLines = 6;
            break;
        case ReceiveFault::bufferOverflow: settings.faults.oversize = true; break;
        }
        StartDevice(settings);
        Identify();
    }
};

TEST_P(ReceiveFailureTest, EndsInANewEmptyDocumentWithTheLibrarysMessage)
{
    PrepareDevice();
    boxes.boxes.clear();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    Tick(10);
    ASSERT_EQ(State(), kStateReceiving);
    if (GetParam().fault == ReceiveFault::portClosed) {
        Tick(3);
        PortClose(doc->m_hPort);
    }
    TickWhileState(kStateReceiving, 100000);

    EXPECT_EQ(State(), kStateNewDocument);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_EQ(view->m_bInTimer, 0);
    if (GetParam().message) {
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, GetParam().message);
        EXPECT_EQ(boxes.boxes[0].caption, QApplication::applicationName());
    } else {
        EXPECT_TRUE(boxes.boxes.empty());
    }

    Tick(1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(doc->m_nDataSize, 0);
    EXPECT_EQ(doc->m_nLineCount, 0);
    EXPECT_EQ(doc->GetTitle(), "VEQ_32_C_DATA");
    EXPECT_EQ(view->m_bIdentified, 1);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReceiveFailureTest,
    ::testing::Values(ReceiveFailure{"PortThatFailedToOpen", ReceiveFault::wrongHandle, "V24 Wrong Port Handle"},
                      ReceiveFailure{"PortClosedUnderneath", ReceiveFault::portClosed, "V24 Closed"},
                      ReceiveFailure{"DeviceHungUp", ReceiveFault::deviceHungUp, "V24 Error at API Function"},
                      ReceiveFailure{"BufferOverflow", ReceiveFault::bufferOverflow, nullptr}),
    [](const ::testing::TestParamInfo<ReceiveFailure>& info) { return info.param.name; });
