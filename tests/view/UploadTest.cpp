// The upload: "DE" on tick 100, one line per tick from tick 200, the success message on the
// tick after the data ran out, a failed write ending the upload with the port library's
// message, and an upload ended by a port change.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "resource.h"
#include "v24.h"

namespace {

const std::vector<std::string> kFiveLines = {"ADJUSTMENT DATA", "A4 440.0 Hz", "STRETCH 0.35",
                                             "KEYS 88", kEndMarkerLine};
const QString kTransmitting = QStringLiteral("transmitting data to VEQ !") + QString(22, ' ');

}  // namespace

class UploadTest : public ViewTest {
protected:
    // Data in working storage as after opening a data file: the next tick shows the captured
    // message and enables the upload alone.
    void LoadAsFile(const std::vector<std::string>& lines)
    {
        LoadLines(lines);
        doc->SetTransferState(kStateCaptured);
        Tick(1);
        ASSERT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
        boxes.boxes.clear();
        boxes.texts.clear();
    }

    // The data lines the device took, once at least count have arrived (or waiting ran out).
    std::vector<std::string> UploadedLines(size_t count)
    {
        WaitUntil([&] { return device->DataLines().size() >= count; });
        return device->DataLines();
    }
    // The data lines the device took, once the last one is the data's end marker line.
    std::vector<std::string> UploadedThroughMarker()
    {
        WaitUntil([&] {
            const std::vector<std::string> lines = device->DataLines();
            return !lines.empty() && lines.back() == kEndMarkerLine;
        });
        return device->DataLines();
    }
};

TEST_F(UploadTest, FiveLinesTakeSixCallsAndTheMessageComesOnTheTickAfter)
{
    StartDevice();
    LoadAsFile(kFiveLines);
    const std::string data = Data(*doc);
    ASSERT_TRUE(Command(ID_PUT_DATA));
    EXPECT_EQ(State(), kStateUpload);
    Tick(1);
    EXPECT_EQ(doc->m_bPortOpen, 1);
    Tick(98);
    EXPECT_TRUE(device->LogStaysAt(0));
    Tick(1);
    EXPECT_TRUE(device->WaitForCommand("DE"));
    Tick(99);
    EXPECT_EQ(view->m_bSending, 0);
    EXPECT_TRUE(device->LogStaysAt(1));

    Tick(1);
    EXPECT_EQ(view->m_bSending, 1);
    EXPECT_EQ(view->m_nLines, 1);
    EXPECT_EQ(view->m_nProgressFull, 8);
    EXPECT_TRUE(EnabledCommands().empty());
    const QImage& image = view->GetClientImage();
    EXPECT_TRUE(SameImage(image, ExpectedImage(image.size(), {{{420, 3}, "COM1"}, {{10, 3}, kTransmitting}})));
    Tick(1);
    // The bar is first drawn after 2 lines: 2 x 340 / 8 = 85 pixels.
    EXPECT_EQ(PixelAt(image, 194, 70), kBluePixel);
    EXPECT_EQ(PixelAt(image, 195, 70), kWhitePixel);
    Tick(3);
    EXPECT_EQ(view->m_nLines, 5);
    EXPECT_EQ(view->m_bSendDone, 0);
    Tick(1);
    EXPECT_EQ(view->m_bSendDone, 1);
    EXPECT_EQ(view->m_nLines, 6);
    EXPECT_TRUE(boxes.boxes.empty());

    Tick(1);
    EXPECT_TRUE(ShowedOnlyMessage(kStoredMessage));
    ExpectEndToldByLastBox(kOutcomeStored);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_nLines, 6);
    EXPECT_EQ(view->m_bSending, 0);
    EXPECT_EQ(view->m_bSendDone, 0);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
    EXPECT_EQ(Data(*doc), data);
    EXPECT_EQ(UploadedThroughMarker(), kFiveLines);
}

TEST_F(UploadTest, EmptyBufferSendsTheAnnouncementAndReportsSuccessOnTheNextTick)
{
    StartDevice();
    // Empty data are never whole data, so nothing enables their upload; the command is enabled
    // by hand to show what it does with them.
    view->EnableUploadOnly();
    ASSERT_TRUE(Command(ID_PUT_DATA));
    Tick(200);
    EXPECT_EQ(view->m_bSendDone, 1);
    EXPECT_EQ(view->m_nLines, 1);
    EXPECT_TRUE(boxes.boxes.empty());
    Tick(1);
    ASSERT_EQ(boxes.texts, std::vector<QString>{kStoredMessage});
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_TRUE(device->LogStaysAt(1));
    EXPECT_EQ(device->Commands(), std::vector<std::string>{"DE"});
}

enum class WriteFault { portNeverOpened, portClosedUnderneath };

struct FailedUpload {
    const char* name;
    WriteFault fault;
    const char* message;
    int32_t code;
};

void PrintTo(const FailedUpload& c, std::ostream* os)
{
    *os << c.name;
}

class FailedUploadTest : public UploadTest, public ::testing::WithParamInterface<FailedUpload> {};

TEST_P(FailedUploadTest, EndsAtOnceWithTheLibrarysMessageKeepsTheDataAndAllowsARetry)
{
    const bool neverOpened = GetParam().fault == WriteFault::portNeverOpened;
    if (neverOpened)
        PointPortNowhere();
    else
        StartDevice();
    LoadAsFile(kFiveLines);
    const std::string data = Data(*doc);
    ASSERT_TRUE(Command(ID_PUT_DATA));
    Tick(201);
    if (!neverOpened) {
        ASSERT_EQ(view->m_nLines, 2);
        PortClose(doc->m_hPort);
        Tick(1);
    }

    ASSERT_TRUE(ShowedOnlyMessage(GetParam().message));
    ExpectEndToldByLastBox(kOutcomeSendError, GetParam().code);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_bSending, 0);
    EXPECT_EQ(view->m_bSendDone, 0);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(Data(*doc), data);
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});

    // Nothing more goes out, until the user tries again.
    Tick(300);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    if (neverOpened)
        StartDevice();
    ASSERT_TRUE(Command(ID_PUT_DATA));
    TickWhileState(kStateUpload, 1000);
    EXPECT_EQ(boxes.texts.back(), kStoredMessage);
    const std::vector<std::string> uploaded = UploadedThroughMarker();
    ASSERT_GE(uploaded.size(), kFiveLines.size());
    EXPECT_EQ(std::vector<std::string>(uploaded.end() - 5, uploaded.end()), kFiveLines);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedUploadTest,
    ::testing::Values(FailedUpload{"PortThatFailedToOpen", WriteFault::portNeverOpened, "V24 Wrong Port Handle", PORT_E_HANDLE},
                      FailedUpload{"PortClosedUnderneath", WriteFault::portClosedUnderneath, "V24 Closed", PORT_E_CLOSED}),
    [](const ::testing::TestParamInfo<FailedUpload>& info) { return info.param.name; });

TEST_F(UploadTest, PortChangeEndsTheUploadAndRestartsTheSearch)
{
    StartDevice();
    const std::vector<std::string> lines = NumberedLines(51);
    LoadAsFile(lines);
    ASSERT_TRUE(Command(ID_PUT_DATA));
    Tick(202);
    ASSERT_EQ(view->m_nLines, 3);
    PointPortNowhere("COM2");
    doc->m_dlgInterface.m_nPortIndex = 1;

    Tick(1);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 1);
    EXPECT_EQ(view->m_bSending, 0);
    EXPECT_EQ(view->m_bSendDone, 0);
    EXPECT_EQ(view->m_bIdentified, 0);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(doc->m_nCursor, 0);
    Tick(300);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(UploadedLines(3), std::vector<std::string>(lines.begin(), lines.begin() + 3));
    EXPECT_TRUE(device->LogStaysAt(4));
}
