// The data file: what Save writes and what Open makes of a file, through the framework's
// open and save flows as the program uses them.
#include "DataText.h"
#include "DocTemplate.h"
#include "DocumentData.h"
#include "KorvaDoc.h"
#include "MessageBox.h"
#include "MessageRecorder.h"
#include "TempDir.h"
#include "StringTable.h"
#include "TestTexts.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = std::make_unique<CKorvaDoc>();
        docTemplate = std::make_unique<framework::CSingleDocTemplate>(QString::fromLatin1(kDocTypeString), *doc);
        docTemplate->OnFileNew();
    }

    bool Open(const std::string& content, const std::string& name = "data.txt")
    {
        WriteWholeFile(dir.file(name), content);
        return docTemplate->OpenDocumentFile(QString::fromStdString(dir.file(name)));
    }
    std::string Save(const std::string& name = "saved.txt")
    {
        EXPECT_TRUE(docTemplate->SaveDocument(QString::fromStdString(dir.file(name))));
        return ReadWholeFile(dir.file(name));
    }

    void ExpectLoadRefused()
    {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], kUnexpectedFormatMessage);
        EXPECT_EQ(doc->GetTitle(), QStringLiteral("VEQ_32_C_DATA"));
        EXPECT_TRUE(doc->GetPathName().isEmpty());
        EXPECT_EQ(doc->m_nDataSize, 0);
        EXPECT_EQ(doc->GetLineCount(), 0);
        EXPECT_EQ(doc->m_nCursor, 0);
    }

    TempWorkDir dir;
    MessageRecorder recorder;
    std::vector<QString>& messages = recorder.texts;
    std::unique_ptr<CKorvaDoc> doc;
    std::unique_ptr<framework::CSingleDocTemplate> docTemplate;
};

// Lines of printable text, each ended by CR, then the marker line.
std::string DeviceText(int lines, int width)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += std::string(width, static_cast<char>('A' + i % 26)) + '\r';
    return text + kEndMarkerLine + '\r';
}

TEST_F(DataFileTest, SaveExpandsEveryCrAndWritesNothingElse)
{
    SetData(*doc, "A1\rB\x84\xff\r\rlast");
    EXPECT_EQ(Save(), std::string("A1\r\nB\x84\xff\r\n\r\nlast"));
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("saved.txt"));
}

TEST_F(DataFileTest, SaveAfterNewWritesAnEmptyFile)
{
    SetData(*doc, "something\r");
    docTemplate->OnFileNew();
    EXPECT_EQ(Save(), "");
}

TEST_F(DataFileTest, LoadKeepsHighBytesCountsLinesAndAddsAnEmptyLine)
{
    std::string text = "Temp\x80\xe9\xff 415 Hz\r";
    for (int b = 0x80; b <= 0xFF; ++b)
        text += static_cast<char>(b);
    text += "\r" + kEndMarkerLine + "\r";
    doc->SetTransferState(kStateIdle);
    ASSERT_TRUE(Open(AsSaved(text)));
    EXPECT_EQ(Data(*doc), text + '\r');
    EXPECT_EQ(doc->GetLineCount(), 3);
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("data.txt"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFileTest, SaveAndLoadAgainGivesTheSameBufferSizeAndLineCount)
{
    ASSERT_TRUE(Open(AsSaved(DeviceText(40, 60))));
    const std::string loaded = Data(*doc);
    const int32_t lines = doc->GetLineCount();
    const std::string file = Save();
    EXPECT_EQ(file.substr(file.size() - 4), "\r\n\r\n");
    ASSERT_TRUE(docTemplate->OpenDocumentFile(QString::fromStdString(dir.file("saved.txt"))));
    EXPECT_EQ(Data(*doc), loaded);
    EXPECT_EQ(doc->GetLineCount(), lines);
    EXPECT_EQ(Save("again.txt"), file);
}

// A file of exactly `size` characters (LF not counted) whose last line is the marker line, so that
// the marker's CR stands at index size - 1.
std::string MarkedTextOfSize(size_t size)
{
    std::string text = DeviceText(4990, 79);
    text.insert(0, std::string(size - text.size(), 'x'));
    return text;
}

// The sizes are written out rather than derived from the load limit: a file as large as a
// receive may fill (400000 characters) opens with the extra empty line the load adds after it.
TEST_F(DataFileTest, FullSizeBufferLoadsUpToTheLastStorablePlace)
{
    struct Row { size_t size; int32_t dataSize; };
    const std::vector<Row> rows = {{399996, 399997}, {399997, 399998}, {399999, 400000}, {400000, 400001}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string text = MarkedTextOfSize(row.size);
        ASSERT_TRUE(Open(AsSaved(text)));
        EXPECT_EQ(doc->m_nDataSize, row.dataSize);
        EXPECT_EQ(Data(*doc), text + '\r');
        EXPECT_EQ(Save(), AsSaved(text + '\r'));
    }
}

TEST_F(DataFileTest, FileThatFillsTheBufferWithoutMarkerIsRefused)
{
    // Their markers would end one place, and three places, later than any receive could.
    for (size_t size : {400001u, 400003u}) {
        SCOPED_TRACE(size);
        messages.clear();
        SetData(*doc, "old data\r");
        doc->SetTransferState(kStateIdle);
        EXPECT_FALSE(Open(AsSaved(MarkedTextOfSize(size))));
        ExpectLoadRefused();
        EXPECT_EQ(doc->GetTransferState(), kStateIdle);
    }
}

TEST_F(DataFileTest, FileThatEndsBeforeItsMarkerIsRefusedAndTheDocumentRenewed)
{
    const std::vector<std::string> files = {"no marker at all\r\n", "END________\r\n", "xEND________\r\n",
                                            "xyEND_______\r\n", "xyend________\r\n", "xyEND________\n"};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        messages.clear();
        SetData(*doc, "old\r");
        doc->SetTransferState(kStateIdle);
        EXPECT_FALSE(Open(file));
        ExpectLoadRefused();
        EXPECT_EQ(doc->GetTransferState(), kStateIdle);
    }
}

struct MarkerCase {
    const char* name;
    std::string file;
    std::string data;  // expected buffer, the added CR included
    int lines;
};

TEST_F(DataFileTest, MarkerEndsTheLoadWhereverItsElevenCharactersStand)
{
    const std::vector<MarkerCase> cases = {
        {"two characters before the marker are enough", "xyEND________\r\n", "xyEND________\r\r", 1},
        {"marker at the end of a longer line", "A4 440\r\nTUNINGEND________\r\n",
         "A4 440\rTUNINGEND________\r\r", 2},
        {"what follows the marker is not read", "ab\r\nxyEND________\r\nmore\r\nEND________\r\n",
         "ab\rxyEND________\r\r", 2},
        {"marker CR followed by something else", "xyEND________\rZZZ", "xyEND________\r\r", 1},
        {"CR alone ends a line", "a\rb\rxyEND________\r", "a\rb\rxyEND________\r\r", 3},
        {"LF alone is dropped and joins the lines", "a\nb\nxyEND________\r\n", "abxyEND________\r\r", 1},
        {"seven underscores are no marker", "abcEND_______\r\nxyEND________\r\n",
         "abcEND_______\rxyEND________\r\r", 2},
        {"the eleven characters must be followed by CR", "abEND________X\r\nxyEND________\r\n",
         "abEND________X\rxyEND________\r\r", 2},
    };
    for (const MarkerCase& c : cases) {
        SCOPED_TRACE(c.name);
        doc->SetTransferState(kStateIdle);
        ASSERT_TRUE(Open(c.file));
        EXPECT_EQ(Data(*doc), c.data);
        EXPECT_EQ(doc->GetLineCount(), c.lines);
        EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFileTest, ZeroLengthFileChangesOnlyTheTitle)
{
    ASSERT_TRUE(Open(AsSaved(DeviceText(3, 10))));
    const std::string before = Data(*doc);
    doc->SetTransferState(kStateIdle);
    ASSERT_TRUE(Open("", "empty.txt"));
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("empty.txt"));
    EXPECT_EQ(Data(*doc), before);
    EXPECT_EQ(doc->GetLineCount(), 4);
    EXPECT_EQ(doc->GetTransferState(), kStateIdle);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFileTest, FileThatCannotBeOpenedLeavesTheDocumentUntouched)
{
    ASSERT_TRUE(Open(AsSaved(DeviceText(3, 10))));
    const std::string before = Data(*doc);
    // A FIFO would wait for a writer for ever: only regular files are read.
    ASSERT_EQ(mkfifo(dir.file("pipe.txt").c_str(), 0600), 0);
    const std::vector<std::string> paths = {dir.file("missing.txt"), dir.path(), dir.file("pipe.txt")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        messages.clear();
        EXPECT_FALSE(docTemplate->OpenDocumentFile(QString::fromStdString(path)));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], framework::FileOpenErrorText(QString::fromStdString(path)));
        EXPECT_EQ(Data(*doc), before);
        EXPECT_EQ(doc->GetTitle(), QStringLiteral("data.txt"));
    }
}

TEST_F(DataFileTest, FailedSaveIsReportedAndKeepsTheDocumentsFile)
{
    ASSERT_TRUE(Open(AsSaved(DeviceText(3, 10))));
    const std::string bad = dir.file("no-such-folder/x.txt");
    EXPECT_FALSE(docTemplate->SaveDocument(QString::fromStdString(bad)));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], framework::FileSaveErrorText(QString::fromStdString(bad)));
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("data.txt"));
    EXPECT_EQ(doc->GetPathName(), QString::fromStdString(dir.file("data.txt")));
}

// Lines of capital letters, each ended by CR, exactly `size` characters in all.
std::string TextOfSize(size_t size)
{
    std::string text;
    for (size_t i = 0; i < size; ++i)
        text += i % 80 == 79 ? '\r' : static_cast<char>('A' + i / 80 % 26);
    return text;
}

struct LimitedSave {
    const char* name;
    size_t chars;
    rlim_t (*limit)(rlim_t needed);  // the file-size limit for a save that needs `needed` bytes
    bool saved;
};

// Under a file-size limit the write really fails, for root too. The save runs in a child process
// that ignores SIGXFSZ, so that the refused write returns an error instead of ending the process.
TEST_F(DataFileTest, SaveThatHitsTheFileSizeLimitIsReportedAndKeepsTheOldFileByteForByte)
{
    const std::vector<LimitedSave> rows = {
        {"small document, one byte short", 5000, [](rlim_t needed) { return needed - 1; }, false},
        {"large document, one byte short", 200000, [](rlim_t needed) { return needed - 1; }, false},
        {"large document, a third of it", 200000, [](rlim_t needed) { return needed / 3; }, false},
        {"small document, limit exactly met", 5000, [](rlim_t needed) { return needed; }, true},
    };
    const std::string path = dir.file("saved.txt");
    for (const LimitedSave& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text = TextOfSize(row.chars);
        SetData(*doc, text);
        const std::string expected = AsSaved(text);
        const std::string old = "old file\r\n" + std::string(expected.size() + 1000, 'o');
        WriteWholeFile(path, old);
        const rlim_t limit = row.limit(expected.size());
        const ChildReport report = RunInChildProcess([&] {
            messages.clear();
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit fileSize{};
            getrlimit(RLIMIT_FSIZE, &fileSize);
            fileSize.rlim_cur = limit;
            if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
                return std::string("setrlimit failed");
            std::string out = docTemplate->SaveDocument(QString::fromStdString(path)) ? "saved" : "refused";
            for (const QString& message : messages)
                out += "\n" + message.toStdString();
            return out;
        });
        ASSERT_TRUE(report.finished) << report.text;
        if (row.saved) {
            EXPECT_EQ(report.text, "saved");
            EXPECT_EQ(ReadWholeFile(path), expected);
        } else {
            EXPECT_EQ(report.text, "refused\n" + framework::FileSaveErrorText(QString::fromStdString(path)).toStdString());
            EXPECT_TRUE(ReadWholeFile(path) == old) << "the old file was changed";
        }
        EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"saved.txt"});
    }
}

TEST_F(DataFileTest, NewResetsCountersButKeepsStateAndCharacters)
{
    ASSERT_TRUE(Open(AsSaved(DeviceText(3, 10))));
    doc->m_nCursor = 7;
    doc->m_nRxLines = 2;
    ASSERT_TRUE(docTemplate->OnFileNew());
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("VEQ_32_C_DATA"));
    EXPECT_EQ(doc->m_nDataSize + doc->GetLineCount() + doc->m_nCursor + doc->m_nRxLines, 0);
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_EQ(std::string(doc->m_data, 10), std::string(10, 'A'));
}

TEST(KorvaDocConstruction, StartsSearchingWithEmptyData)
{
    TempWorkDir dir;
    auto doc = std::make_unique<CKorvaDoc>();
    EXPECT_EQ(doc->GetTransferState(), kStateSearch);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(doc->m_nDataSize + doc->GetLineCount() + doc->m_nCursor + doc->m_nRxLines, 0);
    EXPECT_EQ(doc->m_dlgInterface.m_nPortIndex, 0);
}

}  // namespace
