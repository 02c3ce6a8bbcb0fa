// Files and the window: a data file named on the command line, the start-up that ends when it
// cannot be opened, the caption that follows the document's title, and the recent-file list
// in the settings after every open and save.
#include "AppFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QSettings>

#include <filesystem>

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

using FileTest = AppTest;

TEST_F(FileTest, CommandLineFileIsLoadedBeforeTheWindowIsShown)
{
    WriteDataFile("tuning.txt", kFileLines);
    bool shownAtLoad = true;
    std::string dataAtLoad;
    QString titleAtLoad;
    theApp.m_afterStart = [&] {
        shownAtLoad = theApp.m_pMainWnd && theApp.m_pMainWnd->isVisible();
        dataAtLoad = Data(*theApp.GetDocument());
        titleAtLoad = theApp.GetDocument()->GetTitle();
        return true;
    };

    // Named relative to the working folder, as a user types it.
    ASSERT_TRUE(Start({"tuning.txt"}));

    EXPECT_FALSE(shownAtLoad);
    EXPECT_EQ(dataAtLoad, AsLoadedData(kFileLines));
    EXPECT_EQ(titleAtLoad, "tuning.txt");
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "tuning.txt - DATA-TRANSFER");
    EXPECT_EQ(doc->GetPathName(), Q(dir.file("tuning.txt")));
    EXPECT_EQ(State(), kStateCaptured);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(RecentFileEntries(), QStringList{Q(dir.file("tuning.txt"))});
}

struct BadFile {
    const char* name;
    const char* content;  // nullptr: no such file; "/": a folder
    QString message;      // %1: the name as given
};

void PrintTo(const BadFile& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLineFailureTest : public AppTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(CommandLineFailureTest, EndsTheStartUpWithTheFrameworksMessage)
{
    const BadFile& c = GetParam();
    const std::string path = dir.file("data.txt");
    if (c.content && std::string(c.content) == "/")
        std::filesystem::create_directory(path);
    else if (c.content)
        WriteWholeFile(path, c.content);

    EXPECT_FALSE(Start({Q(path)}));

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.texts[0], c.message.contains("%1") ? c.message.arg(Q(path)) : c.message);
    EXPECT_EQ(boxes.boxes[0].caption, "VEQ_32_C");
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    for (const QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
    EXPECT_EQ(RecentFileEntries(), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Files, CommandLineFailureTest,
    ::testing::Values(BadFile{"Missing", nullptr, kCannotOpenMessage}, BadFile{"Folder", "/", kCannotOpenMessage},
                      BadFile{"WithoutEndMarker", "MY INSTRUMENT\r\nA4 441.0 Hz\r\n", kUnexpectedFormatMessage}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(FileTest, CaptionFollowsTheTitleThroughSaveAsOpenAndNew)
{
    const std::string other = WriteDataFile("other.txt", kFileLines);
    ASSERT_TRUE(Start());
    const auto captionBecomes = [&](const QString& caption) {
        return WaitUntil([&] { return frame->windowTitle() == caption; });
    };
    ASSERT_TRUE(captionBecomes("VEQ_32_C_DATA - DATA-TRANSFER"));

    fileAnswers = {Q(dir.file("saved.txt"))};
    frame->MenuAction(ID_FILE_SAVE_AS)->trigger();
    EXPECT_TRUE(captionBecomes("saved.txt - DATA-TRANSFER")) << frame->windowTitle().toStdString();

    fileAnswers = {Q(other)};
    frame->MenuAction(ID_FILE_OPEN)->trigger();
    EXPECT_TRUE(captionBecomes("other.txt - DATA-TRANSFER")) << frame->windowTitle().toStdString();

    frame->MenuAction(ID_FILE_NEW)->trigger();
    Tick();
    EXPECT_TRUE(captionBecomes("VEQ_32_C_DATA - DATA-TRANSFER")) << frame->windowTitle().toStdString();
}

TEST_F(FileTest, RecentFileListHoldsTheLatestFourAbsolutePathsAfterEveryOpenAndSave)
{
    std::vector<std::string> files;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        files.push_back(WriteDataFile(name, kFileLines));
    ASSERT_TRUE(Start());
    const auto open = [&](const QString& answer) {
        fileAnswers = {answer};
        frame->MenuAction(ID_FILE_OPEN)->trigger();
    };

    // The dialog may hand back a name relative to the working folder.
    open("a.txt");
    EXPECT_EQ(RecentFileEntries(), QStringList{Q(files[0])});

    for (size_t i = 1; i < files.size(); ++i)
        open(Q(files[i]));
    EXPECT_EQ(RecentFileEntries(), (QStringList{Q(files[4]), Q(files[3]), Q(files[2]), Q(files[1])}));

    fileAnswers = {Q(dir.file("f.txt"))};
    frame->MenuAction(ID_FILE_SAVE_AS)->trigger();
    EXPECT_EQ(RecentFileEntries(), (QStringList{Q(dir.file("f.txt")), Q(files[4]), Q(files[3]), Q(files[2])}));

    // A file opened again moves to the top instead of standing twice.
    open(Q(files[3]));
    EXPECT_EQ(RecentFileEntries(), (QStringList{Q(files[3]), Q(dir.file("f.txt")), Q(files[4]), Q(files[2])}));

    // A Save As that is cancelled saves nothing and lists nothing.
    frame->MenuAction(ID_FILE_SAVE_AS)->trigger();
    EXPECT_EQ(RecentFileEntries(), (QStringList{Q(files[3]), Q(dir.file("f.txt")), Q(files[4]), Q(files[2])}));
    EXPECT_EQ(theApp.GetRecentFileList(), RecentFileEntries());
}

TEST_F(FileTest, RecentFilesOfAnEarlierRunStayBehindTheNewOnes)
{
    {
        QSettings settings(Q(SettingsFile()), QSettings::IniFormat);
        settings.setValue("Recent File List/File1", "/earlier/one.txt");
        settings.setValue("Recent File List/File2", "/earlier/two.txt");
    }
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp.GetRecentFileList(), (QStringList{"/earlier/one.txt", "/earlier/two.txt"}));

    fileAnswers = {Q(file)};
    frame->MenuAction(ID_FILE_OPEN)->trigger();

    EXPECT_EQ(RecentFileEntries(), (QStringList{Q(file), "/earlier/one.txt", "/earlier/two.txt"}));
}
