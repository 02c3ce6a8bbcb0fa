// Downloads the line altered on the way: characters the port reported with errors (through the
// port library's fake backend, as a pseudo-terminal carries no parity), NUL characters, lines
// longer than one read and lines the device paused in. Each ends as damaged: its own message
// with what happened, the data kept and in the capture history, PUT DATA disabled. And an upload
// during which the line reported errors says so.
#include "ViewFixture.h"

#include "CaptureHistory.h"
#include "LinkErrors.h"
#include "TransferMessages.h"
#include "comm_fake.h"
#include "v24.h"

#include <QFile>

namespace {

QString DamagedMessage(const char* how)
{
    return QString::fromLatin1(kMsgDamaged).arg(QLatin1String(how));
}

QByteArray FileOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class DamagedDownloadTest : public ViewTest {
protected:
    // The download's end as the user meets it: the damaged box, the data kept in working storage
    // and in the history, nothing enabled that would put them back.
    void ExpectDamaged(const char* how)
    {
        ASSERT_EQ(State(), kStateIdle);
        ExpectEndToldByLastBox(kOutcomeDamaged);
        EXPECT_EQ(boxes.texts.back(), DamagedMessage(how));
        EXPECT_EQ(DescribeDamage(ends.back().damage), QLatin1String(how));
        ASSERT_NE(ends.back().pDownload, nullptr);
        EXPECT_GT(doc->m_nDataSize, 0);
        EXPECT_TRUE(doc->IsModified());
        ASSERT_FALSE(view->LastCapture().isEmpty());
        EXPECT_EQ(FileOf(view->LastCapture()), doc->FileBytes());
        EXPECT_FALSE(Enabled(ID_PUT_DATA));
        EXPECT_TRUE(EnabledCommands().empty());
    }
};

TEST_F(DamagedDownloadTest, LinesOfTheSimulatorThatTheReceiveSplits)
{
    struct Row {
        const char* what;
        std::function<void(sim::Settings&)> fault;
        const char* how;
    } rows[] = {
        {"over-long lines", [](sim::Settings& s) { s.faults.longLines = true; },
         "19 lines longer than 500 characters were split"},
        {"a pause inside a line", [](sim::Settings& s) {
             s.faults.pauseInLine = 4;
             s.pauseLength = std::chrono::milliseconds(1500);
         },
         "1 line was split by a pause of the device"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        sim::Settings settings = SimDevice::Fast();
        r.fault(settings);
        StartDevice(settings);
        Identify();
        ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
        TickToIdle();
        ExpectDamaged(r.how);
        // The whole download is there, in more lines than the device sent.
        EXPECT_GT(doc->GetLineCount(), 20);
        TearDown();
        SetUp();
    }
}

class FakeDamageTest : public DamagedDownloadTest {
protected:
    void SetUp() override
    {
        DamagedDownloadTest::SetUp();
        line = &fake.addLine("\\\\.\\COM1");
        previous = v24::SetCommPlatform(&fake);
    }
    void TearDown() override
    {
        view.reset();
        doc.reset();
        v24::SetCommPlatform(previous);
        DamagedDownloadTest::TearDown();
    }
    // File New enables the downloads; the request goes out on the fake line.
    void Request(unsigned command, const std::string& request)
    {
        ASSERT_TRUE(Command(ID_FILE_NEW));
        Tick(1);
        ASSERT_TRUE(Command(command));
        Tick(10);
        ASSERT_EQ(line->takeOutput(), request + "\r\n");
    }

    v24::FakeComm fake;
    v24::FakeLine* line = nullptr;
    v24::CommPlatform* previous = nullptr;
};

TEST_F(FakeDamageTest, CharactersWithErrorsOrNulMakeTheDownloadDamaged)
{
    struct Row {
        const char* what;
        std::function<void(v24::FakeLine&)> damage;
        const char* how;
    } rows[] = {
        {"parity errors", [](v24::FakeLine& l) { l.addCountedErrors(0, 2, 0); }, "2 parity errors arrived on the line"},
        {"framing and overrun", [](v24::FakeLine& l) { l.addCountedErrors(1, 0, 1); },
         "1 framing error and 1 overrun arrived on the line"},
        {"a NUL", [](v24::FakeLine& l) { l.feed(std::string("T1\0\r\n", 5)); }, "1 NUL character arrived on the line"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Request(ID_ADJUSTMENT_DATA, "DD");
        line->feed("ADJUSTMENT DATA\r\n");
        r.damage(*line);
        line->feed("DATA END________\r\n\x04");
        TickToIdle();
        ExpectDamaged(r.how);
        doc->SetModifiedFlag(false);
    }
}

TEST_F(FakeDamageTest, AnUploadDuringWhichTheLineReportedErrorsSaysSo)
{
    LoadLines({"ADJUSTMENT DATA", "A 1", "DATA END________"});
    view->EnableUploadOnly();
    ASSERT_TRUE(Command(ID_PUT_DATA));
    Tick(50);
    // Errors before the announcement ("DE" on tick 100) are not the upload's.
    line->addCountedErrors(0, 0, 5);
    Tick(100);
    ASSERT_EQ(line->takeOutput(), "DE\r\n");
    line->addCountedErrors(0, 3, 0);
    TickToIdle();
    ExpectEndToldByLastBox(kOutcomeStored);
    EXPECT_EQ(ends.back().damage.nParity, 3u);
    EXPECT_EQ(boxes.texts.back(), kStoredMessage + "\n\n"
                                      + QString::fromLatin1(kMsgUploadLineErrors)
                                            .arg(QStringLiteral("3 parity errors arrived on the line")));
    EXPECT_TRUE(Enabled(ID_PUT_DATA));
}
