// The commands and what surrounds the steps: delivery mode, File New and a port change while
// a dialogue runs, the re-entrancy guard, the enabling of commands, and the timer following
// the view's activation.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "CmdTarget.h"
#include "FileDialog.h"
#include "Trace.h"
#include "resource.h"

#include <cstdio>
#include <tuple>

enum class Situation { idle, notIdentified, downloadRequested };

struct DeliveryCase {
    const char* name;
    Situation situation;
    int answer;
    bool resetGoesOut;
};

void PrintTo(const DeliveryCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeliveryModeTest : public ViewTest, public ::testing::WithParamInterface<DeliveryCase> {};

TEST_P(DeliveryModeTest, EmptiesTheDocumentOnlyWhenTheResetGoesOut)
{
    const DeliveryCase& c = GetParam();
    StartDevice();
    Identify();
    if (c.situation == Situation::notIdentified) {
        // A port change forgets the identification; the commands stay enabled until the
        // search opens the new port.
        PointPortNowhere("COM2");
        doc->m_dlgInterface.m_nPortIndex = 1;
        Tick(1);
        ASSERT_EQ(view->m_bIdentified, 0);
    }
    if (c.situation == Situation::downloadRequested) {
        // Delivery mode stays enabled while all data are requested, with the tick counter running.
        ASSERT_TRUE(Command(ID_ALL_DATA));
        Tick(5);
    }
    LoadLines(kFileLines);
    doc->SetTitle("tuning.txt");
    const std::string data = Data(*doc);
    boxes.answers = {c.answer};

    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "All Data of VEQ will be destroyed !!!");
    EXPECT_EQ(boxes.boxes[0].caption, "");
    // Cancel is the default button: Enter pressed by reflex erases nothing.
    EXPECT_EQ(boxes.boxes[0].type, framework::MB_OKCANCEL | framework::MB_DEFBUTTON2);
    const bool accepted = c.answer == framework::IDOK && c.situation != Situation::notIdentified;
    EXPECT_EQ(State(), accepted ? kStateDeliveryReset : kStateIdle);
    EXPECT_EQ(Data(*doc), c.resetGoesOut ? std::string() : data);
    EXPECT_EQ(doc->GetTitle(), c.resetGoesOut ? "VEQ_32_C_DATA" : "tuning.txt");

    Tick(1);
    if (c.resetGoesOut) {
        EXPECT_TRUE(device->WaitForCommand("DU"));
        EXPECT_TRUE(SameImage(view->GetClientImage(), ExpectedImage(view->GetClientImage().size(),
                                                                    {{{420, 3}, "COM1"},
                                                                     {{280, 3}, "VEQ-32-C found on"},
                                                                     {{10, 3}, "VEQ-32-C firmware reset >DU< !"}})));
    }
    EXPECT_TRUE(device->LogStaysAt(c.resetGoesOut ? 2 : 1));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DeliveryModeTest,
    ::testing::Values(DeliveryCase{"ConfirmedWhenIdentified", Situation::idle, framework::IDOK, true},
                      DeliveryCase{"Cancelled", Situation::idle, framework::IDCANCEL, false},
                      DeliveryCase{"ConfirmedWithoutIdentification", Situation::notIdentified, framework::IDOK, false},
                      DeliveryCase{"ConfirmedWhileADownloadIsRequested", Situation::downloadRequested,
                                   framework::IDOK, false}),
    [](const ::testing::TestParamInfo<DeliveryCase>& info) { return info.param.name; });

TEST_F(ViewTest, DeliveryResetStaysUntilACommandLeavesItAndIsNotSentTwice)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    Tick(1000);
    EXPECT_EQ(State(), kStateDeliveryReset);
    EXPECT_EQ(view->m_nTicks, 1000);

    // Given again while the reset is under way: nothing is sent, nothing drawn, data stay.
    LoadLines(kFileLines);
    const QImage before = view->GetClientImage().copy();
    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    EXPECT_EQ(State(), kStateDeliveryReset);
    Tick(10);
    EXPECT_EQ(Data(*doc), AsBufferLines(kFileLines));
    EXPECT_TRUE(SameImage(view->GetClientImage(), before));
    EXPECT_TRUE(device->LogStaysAt(2));
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", "DU"}));

    ASSERT_TRUE(Command(ID_ACTUAL_INSTRUMENT));
    EXPECT_EQ(State(), kStateRequestInstrument);
}

// A device at a tenth of the line's pace is still sending when the test acts.
sim::Settings SlowDevice()
{
    sim::Settings settings;
    settings.charsPerSecond = 1000;
    return settings;
}

TEST_F(ViewTest, FileNewDuringADownloadAbandonsItForAnEmptyDocument)
{
    StartDevice(SlowDevice());
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    Tick(10);
    TickWhileState(kStateReceiving, 40);
    ASSERT_EQ(State(), kStateReceiving);
    const int32_t lines = view->m_nLines;
    ASSERT_TRUE(Command(ID_FILE_NEW));
    EXPECT_EQ(State(), kStateNewDocument);
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(view->GetClientImage().size(),
                                        {{{420, 3}, "COM1"}, {{280, 3}, "VEQ-32-C found on"}})));
    Tick(1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(doc->m_nDataSize, 0);
    EXPECT_EQ(doc->m_nLineCount, 0);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(doc->GetTitle(), "VEQ_32_C_DATA");
    EXPECT_EQ(view->m_bIdentified, 1);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
    Tick(100);
    EXPECT_EQ(view->m_nLines, lines);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewTest, PortChangeDuringADownloadRestartsTheSearchOnTheNewPort)
{
    StartDevice(SlowDevice());
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    Tick(10);
    TickWhileState(kStateReceiving, 40);
    ASSERT_EQ(State(), kStateReceiving);
    SimDevice second(SimDevice::Fast(), "COM2");
    doc->m_dlgInterface.m_nPortIndex = 1;

    Tick(1);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 1);
    EXPECT_EQ(view->m_bIdentified, 0);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(CKorvaView::LastPortIndex(), 1);
    // The new port shows at once, without the label of a device not yet found there.
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(view->GetClientImage().size(), {{{420, 3}, "COM2"}})));
    Tick(399);
    EXPECT_EQ(State(), kStateIdentified);
    EXPECT_EQ(second.Commands(), std::vector<std::string>{"R"});
    Tick(1);
    EXPECT_TRUE(SameImage(view->GetClientImage(),
                          ExpectedImage(view->GetClientImage().size(),
                                        {{{420, 3}, "COM2"}, {{280, 3}, "VEQ-32-C found on"}})));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewTest, TickInsideAMessageBoxDoesNothingAndTheStepGoesOnAfterIt)
{
    LoadLines(kFileLines);
    doc->SetTransferState(kStateCaptured);
    auto snapshot = [this] {
        return std::make_tuple(State(), view->m_nTicks, view->m_nLines, view->m_bInTimer, view->m_bSending,
                               view->m_bWasSending, view->m_bEnableUpload, view->m_bEnableDownload,
                               view->m_bEnableDeliveryMode, view->GetClientImage().copy());
    };
    int shown = 0;
    framework::SetMessageBoxHandler([&](const framework::MessageBoxRequest&) {
        if (++shown > 1)
            return static_cast<int>(framework::IDOK);
        const auto before = snapshot();
        view->OnTimer(kTimer);
        view->OnTimer(kTimer);
        EXPECT_TRUE(snapshot() == before);
        return static_cast<int>(framework::IDOK);
    });
    // Another timer's tick runs no step.
    view->OnTimer(kTimer + 1);
    EXPECT_EQ(shown, 0);

    Tick(1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(view->m_bInTimer, 0);
    EXPECT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
}

TEST_F(ViewTest, DisabledCommandsAreRefusedByIdentifierWithTheTrace)
{
    PointPortNowhere();
    Tick(150);
    std::vector<QString> traces;
    framework::SetTraceSink([&](const QString& text) { traces.push_back(text); });
    std::vector<QString> expected;
    for (unsigned id : kTransferCommands) {
        EXPECT_FALSE(Command(id)) << id;
        expected.push_back(RefusalTrace(id));
    }
    framework::SetTraceSink({});
    EXPECT_EQ(traces, expected);
    EXPECT_TRUE(Enabled(ID_FILE_NEW));
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 150);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewTest, ActivationStartsTheTimerAndAnyOtherFlagStopsIt)
{
    PointPortNowhere();
    view->OnActivateView(1, view.get(), nullptr);
    EXPECT_TRUE(view->IsTimerRunning(CKorvaView::kTimerId));
    EXPECT_TRUE(WaitUntil([this] { return view->m_nTicks >= 3; }));

    for (int flag : {0, 2, -1}) {
        view->OnActivateView(1, view.get(), nullptr);
        view->OnActivateView(flag, nullptr, view.get());
        EXPECT_FALSE(view->IsTimerRunning(CKorvaView::kTimerId)) << flag;
    }
    // Stopped, the state machine stands still and keeps its state.
    const int32_t ticks = view->m_nTicks;
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(view->m_nTicks, ticks);
    EXPECT_EQ(State(), kStateSearch);
}

// Captured data that were never saved: New and the downloads ask first, and only Ja (with a
// successful save) or Nein let the command go on.
TEST_F(ViewTest, ModifiedDataAreReplacedOnlyAfterTheSaveQuestion)
{
    struct Row {
        const char* what;
        unsigned command;
        int answer;
        bool goesOn;
        bool saved;
    };
    const Row rows[] = {
        {"download, Abbrechen", ID_ALL_DATA, framework::IDCANCEL, false, false},
        {"download, Nein", ID_ALL_DATA, framework::IDNO, true, false},
        {"download, Ja", ID_ADJUSTMENT_DATA, framework::IDYES, true, true},
        {"New, Abbrechen", ID_FILE_NEW, framework::IDCANCEL, false, false},
        {"New, Ja", ID_FILE_NEW, framework::IDYES, true, true},
    };
    const std::string saved = dir.file("kept.txt");
    framework::SetFileDialogHandler([&](const framework::FileDialogRequest&) { return QString::fromStdString(saved); });
    view->EnableDeviceCommands();
    for (const Row& r : rows) {
        std::remove(saved.c_str());
        doc->OnNewDocument();
        LoadLines(kFileLines);
        doc->SetModifiedFlag(true);
        doc->SetTransferState(kStateIdle);
        boxes.boxes.clear();
        boxes.answers = {r.answer};

        EXPECT_TRUE(Command(r.command)) << r.what;

        ASSERT_EQ(boxes.boxes.size(), 1u) << r.what;
        EXPECT_EQ(boxes.boxes[0].text, kSaveQuestion) << r.what;
        EXPECT_EQ(boxes.boxes[0].type & 0xF, framework::MB_YESNOCANCEL) << r.what;
        EXPECT_EQ(State() != kStateIdle, r.goesOn) << r.what;
        EXPECT_EQ(FileExists(saved), r.saved) << r.what;
        if (r.saved) {
            EXPECT_EQ(ReadWholeFile(saved), AsFileText(kFileLines)) << r.what;
        }
        EXPECT_EQ(doc->IsModified(), !r.goesOn) << r.what;
        view->EnableDeviceCommands();
    }
    framework::SetFileDialogHandler({});
}

// The device takes no command while it still sends a transfer that the program gave up: the
// next command waits until that transfer's EOT has come, and gets only its own answer.
enum class Abandon { byFileNew, byFileOpen };

class AbandonedDownloadTest : public ViewTest, public ::testing::WithParamInterface<Abandon> {};

TEST_P(AbandonedDownloadTest, NextCommandWaitsForTheRestAndGetsOnlyItsOwnAnswer)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    // The request, and one tick of the receive: all data take many more.
    Tick(11);
    ASSERT_EQ(State(), kStateReceiving);

    unsigned next = ID_ADJUSTMENT_DATA;
    if (GetParam() == Abandon::byFileNew) {
        ASSERT_TRUE(Command(ID_FILE_NEW));
    } else {
        WriteWholeFile(dir.file("mine.txt"), AsFileText(kFileLines));
        ASSERT_TRUE(doc->OnOpenDocument(QString::fromStdString(dir.file("mine.txt"))));
        next = ID_PUT_DATA;
    }
    Tick(1);
    ASSERT_TRUE(Command(next));
    TickToIdle();

    if (GetParam() == Abandon::byFileNew) {
        EXPECT_EQ(boxes.texts.back(), kCapturedMessage);
        EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
    } else {
        EXPECT_EQ(boxes.texts.back(), kStoredMessage);
        EXPECT_TRUE(WaitUntil([&] { return device->DataLines() == kFileLines; }));
    }
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", "DA", GetParam() == Abandon::byFileNew ? "DD" : "DE"}));
}

INSTANTIATE_TEST_SUITE_P(Abandoned, AbandonedDownloadTest, ::testing::Values(Abandon::byFileNew, Abandon::byFileOpen),
                         [](const ::testing::TestParamInfo<Abandon>& info) {
                             return info.param == Abandon::byFileNew ? "ByFileNew" : "ByFileOpen";
                         });

// A transfer cut short that never ends with its EOT counts as ended when the line has been
// silent for the read time-out; meanwhile the status bar says what the program waits for.
// The read cut short had taken its line up to just before the CR: the empty rest is no silence.
TEST_F(ViewTest, RestOfATransferCutShortIsWaitedForWithAWordInTheStatusBar)
{
    PtyFarEnd farEnd("COM1");
    ASSERT_NO_FATAL_FAILURE(RequestFromFarEnd(farEnd, ID_HISTORICAL_TEMPERAMENTS, "DT"));
    farEnd.send("FIRST LINE\r\nSECOND LINE");
    Tick(1);
    ASSERT_EQ(State(), kStateReceiving);
    ASSERT_TRUE(doc->IsReceiveOpen());
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Tick(1);

    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    farEnd.send("\r\nREST OF THE TEMPERAMENTS\r\n");
    Tick(1);
    EXPECT_EQ(view->StatusMessage(), "Waiting for the device to finish the previous transfer");
    TickWhileState(kStateRequestAdjustment);
    EXPECT_TRUE(view->StatusMessage().isEmpty());
    EXPECT_EQ(farEnd.receive(4), "DD\r\n");
}
