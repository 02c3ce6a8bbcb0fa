// The four downloads: the request on tick 10, the full scale, the lines as they come (all
// that wait complete in one tick), the end by EOT, by silence, by a read error or by
// overflow, and what each end leaves: message, title line, enabled commands, data.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "factory_data.h"
#include "protocol.h"
#include "resource.h"
#include "transfer.h"
#include "v24.h"

#include <QFileInfo>

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

TEST_P(DownloadTest, RequestsOnTick10ReceivesEveryLineAndEndsWithTheCapturedMessage)
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
    TickWhileState(kStateReceiving);
    // Every read counts, the one that carries the EOT too.
    EXPECT_EQ(view->m_nLines, static_cast<int32_t>(lines.size()) + 1);
    ASSERT_EQ(State(), kStateCaptured);
    EXPECT_EQ(Data(*doc), AsBufferLines(lines));
    EXPECT_TRUE(boxes.boxes.empty());

    Tick(1);
    EXPECT_TRUE(ShowedOnlyMessage(kCapturedMessage));
    ExpectEndToldByLastBox(kOutcomeCaptured);
    ASSERT_NE(ends.back().pDownload, nullptr);
    EXPECT_STREQ(ends.back().pDownload->deviceCommand, c.request);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(CKorvaView::TitleLine(), "VEQ-FILE: <tuning.txt>");
    EXPECT_TRUE(SameImage(view->GetClientImage(), ExpectedImage(view->GetClientImage().size(),
                                                                {{{420, 3}, "COM1"},
                                                                 {{280, 3}, "VEQ-32-C found on"},
                                                                 {{10, 3}, "VEQ-FILE: <tuning.txt>"}})));
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", c.request}));
    // Kept in the capture history as a save would write it, and still unsaved all the same.
    EXPECT_EQ(QFileInfo(view->LastCapture()).fileName().right(7).toStdString(), "_" + std::string(c.request) + ".txt");
    EXPECT_EQ(ReadWholeFile(view->LastCapture().toStdString()), AsSaved(Data(*doc)));
    EXPECT_TRUE(doc->IsModified());
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

// Twenty lines draw the bar only once, after the third; the message of the whole download is
// read beside a full bar, and the status line is redrawn without it afterwards.
TEST_F(ViewTest, CompleteDownloadShowsTheWholeBarWhileItsMessageIsRead)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickWhileState(kStateRequestAdjustment);
    TickWhileState(kStateReceiving);
    ASSERT_EQ(State(), kStateCaptured);
    EXPECT_EQ(PixelAt(view->GetClientImage(), 200, 70), kWhitePixel);
    std::vector<unsigned> barEndAtBox;
    framework::SetMessageBoxHandler([&](const framework::MessageBoxRequest&) {
        barEndAtBox.push_back(PixelAt(view->GetClientImage(), 449, 70));
        return static_cast<int>(framework::IDOK);
    });
    Tick(1);
    EXPECT_EQ(barEndAtBox, std::vector<unsigned>{kBluePixel});
    EXPECT_EQ(PixelAt(view->GetClientImage(), 449, 70), kWhitePixel);
}

// Lines that wait complete when a tick comes are all stored in that tick, each as a read of its
// own: the bar is drawn after the third line and after the 205th as when one line comes a tick,
// and an EOT among them ends the receive with nothing after it stored.
TEST_F(ViewTest, LinesWaitingCompleteAreStoredInOneTickAsOneReadEach)
{
    PtyFarEnd farEnd("COM1");
    ASSERT_NO_FATAL_FAILURE(RequestFromFarEnd(farEnd, ID_HISTORICAL_TEMPERAMENTS, "DT"));
    ASSERT_EQ(view->m_nProgressFull, 600);
    std::vector<std::string> lines;
    for (int i = 0; i < 212; ++i)
        lines.push_back("LINE " + std::to_string(i));
    const auto sendAndTick = [&](size_t from, size_t to, const std::string& more) {
        std::string wire;
        for (size_t i = from; i < to; ++i)
            wire += lines[i] + "\r\n";
        wire += more;
        const int32_t waiting = PortQueueCount(doc->m_hPort, PORT_INPUT);
        farEnd.send(wire);
        ASSERT_TRUE(WaitUntil([&] {
            return PortQueueCount(doc->m_hPort, PORT_INPUT) >= waiting + static_cast<int32_t>(wire.size());
        }));
        view->OnTimer(kTimer);
    };
    const QImage& image = view->GetClientImage();

    sendAndTick(0, 3, "");
    EXPECT_EQ(view->m_nLines, 3);
    // 3 x 340 / 600 = 1 pixel.
    EXPECT_EQ(PixelAt(image, 110, 70), kBluePixel);
    EXPECT_EQ(PixelAt(image, 111, 70), kWhitePixel);
    sendAndTick(3, 210, "");
    EXPECT_EQ(view->m_nLines, 210);
    // Drawn at line 205: 205 x 340 / 600 = 116 pixels, not the 119 of line 210.
    EXPECT_EQ(PixelAt(image, 225, 70), kBluePixel);
    EXPECT_EQ(PixelAt(image, 226, 70), kWhitePixel);
    EXPECT_EQ(State(), kStateReceiving);

    sendAndTick(210, 212, "\x04\r\nAFTER THE END\r\n");
    EXPECT_EQ(view->m_nLines, 213);
    EXPECT_EQ(State(), kStateCaptured);
    EXPECT_EQ(Data(*doc), AsBufferLines(lines));
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
    const sim::Lines& lines = AdjustmentLines();
    // The size leaves out the CR of the last line, which held only the device's last LF.
    EXPECT_EQ(Data(*doc), AsBufferLines(lines));

    Tick(1);
    EXPECT_TRUE(ShowedOnlyMessage(kTimeOutMessage));
    ExpectEndToldByLastBox(kOutcomeTimedOut);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(CKorvaView::TitleLine(), "VEQ-FILE: <VEQ_32_C_DATA>");
    EXPECT_TRUE(EnabledCommands().empty());
    EXPECT_EQ(Data(*doc), AsBufferLines(lines));
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
    EXPECT_TRUE(ShowedOnlyMessage(kNoDeviceMessage));
    ExpectEndToldByLastBox(kOutcomeNoDevice);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 0);
}

enum class ReceiveFault { wrongHandle, portClosed, deviceHungUp, bufferOverflow };

struct ReceiveFailure {
    const char* name;
    ReceiveFault fault;
    const char* message;  // nullptr: none
    int32_t code;         // the port library's code the end carries
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
    // Closed before the receive's first read, which would take every line already waiting.
    if (GetParam().fault == ReceiveFault::portClosed)
        PortClose(doc->m_hPort);
    TickWhileState(kStateReceiving, 100000);

    EXPECT_EQ(State(), kStateNewDocument);
    EXPECT_EQ(view->m_nTicks, 0);
    EXPECT_EQ(view->m_bInTimer, 0);
    if (GetParam().message) {
        EXPECT_TRUE(ShowedOnlyMessage(GetParam().message));
        ExpectEndToldByLastBox(kOutcomeReceiveError, GetParam().code);
    } else {
        EXPECT_TRUE(boxes.boxes.empty());
        ASSERT_FALSE(ends.empty());
        EXPECT_EQ(ends.back().nOutcome, kOutcomeOverflow);
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
    ::testing::Values(ReceiveFailure{"PortThatFailedToOpen", ReceiveFault::wrongHandle, "V24 Wrong Port Handle", PORT_E_HANDLE},
                      ReceiveFailure{"PortClosedUnderneath", ReceiveFault::portClosed, "V24 Closed", PORT_E_CLOSED},
                      ReceiveFailure{"DeviceHungUp", ReceiveFault::deviceHungUp, "V24 Error at API Function", PORT_E_API},
                      ReceiveFailure{"BufferOverflow", ReceiveFault::bufferOverflow, nullptr, 0}),
    [](const ::testing::TestParamInfo<ReceiveFailure>& info) { return info.param.name; });

// An EOT in the middle of the data ends the transfer without the device's end line: the lines
// received are kept and count as unsaved, but they never go back into the device.
TEST_F(ViewTest, TransferCutByEotWithoutItsEndLineIsKeptButCannotBePutBack)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.eotInLine = 5;
    StartDevice(settings);
    Identify();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickWhileState(kStateRequestAdjustment);
    TickWhileState(kStateReceiving);
    ASSERT_EQ(State(), kStateCaptured);
    const sim::Lines& lines = AdjustmentLines();
    const std::string& cut = lines[4];
    EXPECT_EQ(Data(*doc), AsBufferLines(sim::Lines(lines.begin(), lines.begin() + 4)) + cut.substr(0, cut.size() / 2));

    Tick(1);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kIncompleteMessage});
    ExpectEndToldByLastBox(kOutcomeIncomplete);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_TRUE(EnabledCommands().empty());
    EXPECT_FALSE(Command(ID_PUT_DATA));
    EXPECT_TRUE(doc->IsModified());
}

// A download that cannot be kept in the capture history ends as any other; the status bar says
// why, until a download is kept again.
TEST_F(ViewTest, DownloadThatCannotBeKeptInTheHistorySaysSoAndEndsAsAlways)
{
    StartDevice();
    Identify();
    WriteWholeFile(dir.file("blocked"), "a file where the data home would be");
    setenv("XDG_DATA_HOME", dir.file("blocked").c_str(), 1);
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickToIdle();
    EXPECT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
    EXPECT_TRUE(view->LastCapture().isEmpty());
    EXPECT_TRUE(view->StatusMessage().startsWith(QStringLiteral("The download could not be kept in the capture history: ")));

    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    doc->SetModifiedFlag(false);
    view->EnableDeviceCommands();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickToIdle();
    EXPECT_FALSE(view->LastCapture().isEmpty());
    EXPECT_TRUE(view->StatusMessage().isEmpty());
}
