// The commands and what surrounds the steps: delivery mode, File New and a port change while
// a dialogue runs, the re-entrancy guard, the enabling of commands, and the timer following
// the view's activation.
#include "ClientImage.h"
#include "ViewFixture.h"

#include "CmdTarget.h"
#include "FileDialog.h"
#include "Trace.h"
#include "resource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <tuple>

namespace {

const std::vector<std::string> kUserLines = {"MY INSTRUMENT", "A4 441.0 Hz", "DATA END________"};

// Runs the event loop until done() holds or timeoutMs has passed; whether it held.
template <typename Done>
bool ProcessEventsUntil(Done done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace

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
    LoadLines(kUserLines);
    doc->SetTitle("tuning.txt");
    const std::string data = Data();
    boxes.answers = {c.answer};

    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "All Data of VEQ will be destroyed !!!");
    EXPECT_EQ(boxes.boxes[0].caption, "");
    EXPECT_EQ(boxes.boxes[0].type, framework::MB_OKCANCEL);
    const bool accepted = c.answer == framework::IDOK && c.situation != Situation::notIdentified;
    EXPECT_EQ(State(), accepted ? kStateDeliveryReset : kStateIdle);
    EXPECT_EQ(Data(), c.resetGoesOut ? std::string() : data);
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
    LoadLines(kUserLines);
    const QImage before = view->GetClientImage().copy();
    ASSERT_TRUE(Command(ID_DELIVERY_MODE));
    EXPECT_EQ(State(), kStateDeliveryReset);
    Tick(10);
    EXPECT_EQ(Data(), AsBufferLines(kUserLines));
    EXPECT_TRUE(SameImage(view->GetClientImage(), before));
    EXPECT_TRUE(device->LogStaysAt(2));
    EXPECT_EQ(device->Commands(), (std::vector<std::string>{"R", "DU"}));

    ASSERT_TRUE(Command(ID_ACTUAL_INSTRUMENT));
    EXPECT_EQ(State(), kStateRequestInstrument);
}

TEST_F(ViewTest, FileNewDuringADownloadAbandonsItForAnEmptyDocument)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    Tick(30);
    ASSERT_EQ(view->m_nLines, 20);
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
    EXPECT_EQ(view->m_nLines, 20);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewTest, PortChangeDuringADownloadRestartsTheSearchOnTheNewPort)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    Tick(60);
    ASSERT_EQ(view->m_nLines, 50);
    SimDevice second(SimDevice::Fast(), "COM2");
    doc->m_dlgInterface.m_nPortIndex = 1;

    Tick(1);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_nTicks, 1);
    EXPECT_EQ(view->m_bIdentified, 0);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(CKorvaView::LastPortIndex(), 1);
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
    LoadLines(kUserLines);
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
        expected.push_back(QStringLiteral("Warning: not executing disabled command %1\n").arg(id));
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
    EXPECT_TRUE(ProcessEventsUntil([this] { return view->m_nTicks >= 3; }));

    for (int flag : {0, 2, -1}) {
        view->OnActivateView(1, view.get(), nullptr);
        view->OnActivateView(flag, nullptr, view.get());
        EXPECT_FALSE(view->IsTimerRunning(CKorvaView::kTimerId)) << flag;
    }
    // Stopped, the state machine stands still and keeps its state.
    const int32_t ticks = view->m_nTicks;
    ProcessEventsUntil([] { return false; }, 100);
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
        LoadLines(kUserLines);
        doc->SetModifiedFlag(true);
        doc->SetTransferState(kStateIdle);
        boxes.boxes.clear();
        boxes.answers = {r.answer};

        EXPECT_TRUE(Command(r.command)) << r.what;

        ASSERT_EQ(boxes.boxes.size(), 1u) << r.what;
        EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8("Änderungen in VEQ_32_C_DATA speichern?")) << r.what;
        EXPECT_EQ(boxes.boxes[0].type & 0xF, framework::MB_YESNOCANCEL) << r.what;
        EXPECT_EQ(State() != kStateIdle, r.goesOn) << r.what;
        EXPECT_EQ(FileExists(saved), r.saved) << r.what;
        if (r.saved) {
            EXPECT_EQ(ReadWholeFile(saved), "MY INSTRUMENT\r\nA4 441.0 Hz\r\nDATA END________\r\n") << r.what;
        }
        EXPECT_EQ(doc->IsModified(), !r.goesOn) << r.what;
        view->EnableDeviceCommands();
    }
    framework::SetFileDialogHandler({});
}
