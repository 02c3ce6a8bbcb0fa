// Downloads from the simulated device and a round trip through a data file and an upload.
#include "DataText.h"
#include "DocTemplate.h"
#include "DocumentData.h"
#include "KorvaDoc.h"
#include "MessageRecorder.h"
#include "SimDevice.h"
#include "StringTable.h"
#include "TempDir.h"

#include "protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>

namespace {

// The device's lines as the document keeps them: each closed by CR. Every line is shorter
// than one read, so each arrives as one buffer line.
std::string AsReadLines(const sim::Lines& lines)
{
    for (const std::string& line : lines)
        EXPECT_LT(line.size(), 499u) << line;
    return AsBufferLines(lines);
}

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CKorvaDoc::ResetIdleCountdown();
        doc = std::make_unique<CKorvaDoc>();
    }

    void TearDown() override { doc.reset(); }

    // The controller's download: open, request, then one receive per tick until it ends.
    void Download(const char* command)
    {
        doc->OpenLink();
        doc->SendCommand(command);
        doc->SetTransferState(kStateReceiving);
        for (int i = 0; i < 20000 && doc->GetTransferState() == kStateReceiving; ++i)
            ASSERT_GE(doc->ReceiveBlock(), 0);
    }

    // Waits, bounded, until the device has taken the upload's last line.
    bool UploadArrived(const std::string& lastLine)
    {
        return device.WaitFor(
            [&](const std::vector<sim::LogEntry>& log) {
                return !log.empty() && log.back() == sim::LogEntry{sim::LogEntry::Kind::DataLine, lastLine};
            },
            10000);
    }

    TempWorkDir dir;
    SimDevice device;
    std::unique_ptr<CKorvaDoc> doc;
};

struct DownloadCase {
    const char* command;
    const char* title;  // of the section the command sends; nullptr: all data
    friend void PrintTo(const DownloadCase& c, std::ostream* os) { *os << c.command; }
};

class DownloadTest : public SimulatorTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadTest, EndsInStateOneWithTheDevicesLines)
{
    const sim::Lines all = sim::factoryData();
    const sim::Lines lines = GetParam().title ? sim::sectionOf(all, GetParam().title) : all;

    Download(GetParam().command);

    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_TRUE(Data(*doc) == AsReadLines(lines)) << Data(*doc).size() << " characters";
    // Every read counts, the one that brought the EOT too.
    EXPECT_EQ(doc->GetLineCount(), static_cast<int32_t>(lines.size()) + 1);
    EXPECT_EQ(doc->m_nCursor, 0);
}

INSTANTIATE_TEST_SUITE_P(Link, DownloadTest, ::testing::Values(
    DownloadCase{"DA", nullptr},
    DownloadCase{"DD", "ADJUSTMENT DATA"},
    DownloadCase{"DS", "ACTUAL INSTRUMENT"},
    DownloadCase{"DT", "HISTORICAL TEMPERAMENTS"}),
    [](const ::testing::TestParamInfo<DownloadCase>& info) { return std::string(info.param.command); });

TEST_F(SimulatorTest, RoundTripThroughFileAndUploadGivesIdenticalBytes)
{
    MessageRecorder messages;
    framework::CSingleDocTemplate docTemplate(QString::fromLatin1(kDocTypeString), *doc);
    ASSERT_TRUE(docTemplate.OnFileNew());
    Download("DA");
    ASSERT_EQ(doc->GetTransferState(), kStateCaptured);
    const std::string first = Data(*doc);

    const QString path = QString::fromStdString(dir.file("veq.txt"));
    ASSERT_TRUE(docTemplate.SaveDocument(path));
    ASSERT_TRUE(docTemplate.OpenDocumentFile(path));
    ASSERT_EQ(doc->GetTransferState(), kStateCaptured);

    doc->OpenLink();
    doc->SendCommand("DE");
    int lines = 0;
    while (doc->SendNextLine() && lines < 20000) {
        ASSERT_EQ(doc->GetLastWriteResult(), 0);
        ++lines;
    }
    EXPECT_EQ(doc->GetLastWriteResult(), 0);
    ASSERT_TRUE(UploadArrived(std::string(sim::protocol::kEndMarkerLine)));
    EXPECT_EQ(device.engine().storedData(), sim::factoryData());

    Download("DA");
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_TRUE(Data(*doc) == first);
    EXPECT_TRUE(messages.texts.empty());
}

// Lines of the device's kind that take exactly size places in the buffer, each with its CR,
// the end-marker line last.
sim::Lines LinesTaking(size_t size)
{
    const std::string marker(sim::protocol::kEndMarkerLine);
    sim::Lines lines;
    size_t left = size - (marker.size() + 1);
    for (int i = 0; left > 0; ++i) {
        const size_t length = std::min<size_t>(left, 80) - 1;
        lines.push_back(std::string(length, static_cast<char>('A' + i % 26)));
        left -= length + 1;
    }
    lines.push_back(marker);
    return lines;
}

// Every download opens again once saved: data as large as a receive may hold go through a save
// and an open unchanged, and the next save adds only the empty line the open adds.
TEST_F(SimulatorTest, DownloadUpToTheFullBufferOpensAgainAfterItsSave)
{
    MessageRecorder messages;
    framework::CSingleDocTemplate docTemplate(QString::fromLatin1(kDocTypeString), *doc);
    for (size_t size : {399997u, 399999u, 400000u}) {
        SCOPED_TRACE(size);
        const sim::Lines lines = LinesTaking(size);
        // The device is given the lines first, so that "DA" sends them back.
        const std::string text = AsBufferLines(lines);
        ASSERT_EQ(text.size(), size);
        SetData(*doc, text);
        doc->OpenLink();
        doc->SendCommand("DE");
        while (doc->SendNextLine()) {
        }
        ASSERT_TRUE(UploadArrived(lines.back()));
        ASSERT_TRUE(docTemplate.OnFileNew());

        Download("DA");
        ASSERT_EQ(doc->GetTransferState(), kStateCaptured);
        ASSERT_TRUE(Data(*doc) == text) << Data(*doc).size() << " characters";
        const QString first = QString::fromStdString(dir.file("first.txt"));
        const QString second = QString::fromStdString(dir.file("second.txt"));
        ASSERT_TRUE(docTemplate.SaveDocument(first));
        ASSERT_TRUE(docTemplate.OpenDocumentFile(first));
        EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
        EXPECT_TRUE(Data(*doc) == text + "\r");
        ASSERT_TRUE(docTemplate.SaveDocument(second));
        EXPECT_TRUE(ReadWholeFile(second.toStdString()) == ReadWholeFile(first.toStdString()) + "\r\n");
    }
    EXPECT_TRUE(messages.texts.empty());
}

}  // namespace
