// A read of the device into a buffer of its own: an ordinary download on the line and in the
// capture history, through the link of a resting controller, which it gives back; working
// storage, its title, its unsaved state and the enabled commands stay as they were.
#include "ViewFixture.h"

#include "CaptureHistory.h"
#include "DeviceProtocol.h"
#include "LogFormat.h"
#include "ReadBack.h"
#include "TransferLog.h"

#include "factory_data.h"
#include "transfer.h"

#include <QFile>

#include <functional>

namespace {

// The read's own controller runs on the event loop's timer, which the wait runs.
constexpr int kReadMs = 20000;

const DownloadKind& Kind(unsigned command)
{
    return *DownloadKindForCommand(command);
}

// The device's section as a data file of it holds it.
QByteArray FileBytesOf(const sim::Lines& lines)
{
    QByteArray bytes;
    for (const std::string& line : lines)
        bytes += QByteArray::fromStdString(line) + "\r\n";
    return bytes;
}

}  // namespace

class ReadBackTest : public ViewTest {
protected:
    // Runs the read to its end; false when it would not start or did not end.
    bool ReadBack(CReadBack& read)
    {
        read.m_fnOnDone = [this](const CReadBack&) { ++done; };
        return read.Start() && WaitUntil([this] { return done > 0; }, kReadMs);
    }
    int done = 0;
};

TEST_F(ReadBackTest, ReadsTheDeviceIntoItsOwnBufferAndLeavesWorkingStorageAsItWas)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    TickToIdle();
    doc->SetTitle(QStringLiteral("tuning.txt"));
    const QByteArray stored = doc->FileBytes();
    const auto enabled = EnabledCommands();
    const size_t captures = CCaptureHistory().List().size();
    const size_t commands = device->Commands().size();

    CReadBack read(*doc, *view, Kind(ID_ACTUAL_INSTRUMENT));
    ASSERT_TRUE(ReadBack(read));
    EXPECT_EQ(read.GetResult(), CReadBack::kComplete);
    EXPECT_EQ(read.End().nOutcome, kOutcomeCaptured);
    EXPECT_EQ(read.Data(), FileBytesOf(sim::sectionOf(sim::factoryData(), "ACTUAL INSTRUMENT")));
    // An ordinary download on the line and in the history; no box for it.
    EXPECT_EQ(device->Commands().size(), commands + 1);
    EXPECT_EQ(device->Commands().back(), "DS");
    EXPECT_EQ(CCaptureHistory().List().size(), captures + 1);
    EXPECT_TRUE(read.CapturePath().endsWith(QStringLiteral("_DS.txt")));
    EXPECT_EQ(boxes.boxes.size(), 1u);  // the first download's
    EXPECT_TRUE(LastTransferOf(CTransferLog::Program().Text())
                    .contains("TRANSFER actual instrument (DS), into a buffer of its own\n"));
    // Working storage, title, unsaved state and the enabled commands are untouched.
    EXPECT_EQ(doc->FileBytes(), stored);
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("tuning.txt"));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(EnabledCommands(), enabled);
    // The link is back: the controller goes on with it.
    EXPECT_FALSE(doc->IsLinkLent());
    EXPECT_TRUE(view->IsIdle());
    ASSERT_TRUE(Command(ID_PUT_DATA));
    TickToIdle();
    EXPECT_TRUE(device->WaitForCommand("DE"));
}

TEST_F(ReadBackTest, StartsOnlyWhileTheControllerRests)
{
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_ALL_DATA));
    Tick(11);
    ASSERT_EQ(State(), kStateReceiving);
    CReadBack read(*doc, *view, Kind(ID_ADJUSTMENT_DATA));
    EXPECT_FALSE(read.Start());
    EXPECT_EQ(read.GetResult(), CReadBack::kNotStarted);
    EXPECT_FALSE(doc->IsLinkLent());
    TickToIdle();
    EXPECT_EQ(ends.back().nOutcome, kOutcomeCaptured);
}

TEST_F(ReadBackTest, ACommandGivenMeanwhileWaitsForTheLinkToComeBack)
{
    StartDevice();
    Identify();
    CReadBack read(*doc, *view, Kind(ID_HISTORICAL_TEMPERAMENTS));
    read.m_fnOnDone = [this](const CReadBack&) { ++done; };
    ASSERT_TRUE(read.Start());
    EXPECT_TRUE(doc->IsLinkLent());
    EXPECT_FALSE(view->IsIdle());
    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    Tick(50);
    EXPECT_EQ(State(), kStateRequestAdjustment);
    EXPECT_EQ(view->m_nTicks, 0);
    ASSERT_TRUE(WaitUntil([this] { return done > 0; }, kReadMs));
    EXPECT_EQ(read.GetResult(), CReadBack::kComplete);
    TickToIdle();
    EXPECT_TRUE(device->WaitForCommand("DD"));
    EXPECT_EQ(ends.back().nOutcome, kOutcomeCaptured);
}

TEST_F(ReadBackTest, TellsHowTheReadEnded)
{
    struct Row {
        const char* what;
        std::function<void(sim::Settings&)> fault;
        CReadBack::Result result;
    } rows[] = {
        {"no EOT", [](sim::Settings& s) { s.faults.noEot = true; }, CReadBack::kTimedOut},
        {"EOT in a line", [](sim::Settings& s) { s.faults.eotInLine = 5; }, CReadBack::kIncomplete},
        {"a pause in a line", [](sim::Settings& s) { s.faults.pauseInLine = 3; }, CReadBack::kDamaged},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        sim::Settings settings = SimDevice::Fast();
        r.fault(settings);
        StartDevice(settings);
        Identify();
        CReadBack read(*doc, *view, Kind(ID_ADJUSTMENT_DATA));
        done = 0;
        ASSERT_TRUE(ReadBack(read));
        EXPECT_EQ(read.GetResult(), r.result);
        EXPECT_FALSE(read.Data().isEmpty());
        EXPECT_EQ(doc->m_nDataSize, 0);
        EXPECT_TRUE(boxes.boxes.empty());
        TearDown();
        SetUp();
    }
}

TEST_F(ReadBackTest, APortChangedUnderTheReadEndsItAndTheControllerSearchesTheNewPort)
{
    StartDevice();
    Identify();
    CReadBack read(*doc, *view, Kind(ID_ALL_DATA));
    read.m_fnOnDone = [this](const CReadBack&) { ++done; };
    ASSERT_TRUE(read.Start());
    ASSERT_TRUE(WaitUntil([&] { return read.LinesReceived() > 10; }, kReadMs));
    doc->m_dlgInterface.ChoosePort(1);
    Tick(1);
    ASSERT_TRUE(WaitUntil([this] { return done > 0; }, kReadMs));
    EXPECT_EQ(read.GetResult(), CReadBack::kFailed);
    EXPECT_FALSE(doc->IsLinkLent());
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(view->m_bIdentified, 0);
}

TEST_F(ReadBackTest, TheKindOfWorkingStorageIsTheDownloadsOrTheCapturesOrAllData)
{
    EXPECT_STREQ(KindOfWorkingStorage(*doc).deviceCommand, "DA");
    StartDevice();
    Identify();
    ASSERT_TRUE(Command(ID_HISTORICAL_TEMPERAMENTS));
    TickToIdle();
    EXPECT_STREQ(KindOfWorkingStorage(*doc).deviceCommand, "DT");
    const QString capture = view->LastCapture();
    doc->SetModifiedFlag(false);
    ASSERT_TRUE(doc->OnOpenDocument(capture));
    doc->SetPathName(capture);
    EXPECT_STREQ(KindOfWorkingStorage(*doc).deviceCommand, "DT");
    const QString copy = QString::fromStdString(dir.file("copy.txt"));
    ASSERT_TRUE(QFile::copy(capture, copy));
    ASSERT_TRUE(doc->OnOpenDocument(copy));
    doc->SetPathName(copy);
    EXPECT_STREQ(KindOfWorkingStorage(*doc).deviceCommand, "DA");
}
