// Files that cannot be written: the port file "VEQ.INI" read-only or in a read-only working
// folder, a data file saved onto a full file system or past the file-size limit, and a data
// file or its folder that vanishes before the save. Nothing on disc changes unasked, and the
// program never claims a save that did not happen.
#include "FaultFixture.h"
#include "FileSystemFaults.h"

#include "Document.h"
#include "resource.h"

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <optional>
#include <sys/resource.h>

namespace {

QString SaveFailedText(const std::string& path)
{
    return kCannotSaveMessage.arg(QString::fromStdString(path));
}

class FileFaultTest : public FaultTest {
protected:
    void TearDown() override
    {
        com3.reset();
        unsetenv("V24_COM3");
        FaultTest::TearDown();
    }

    // The program starts again in the working folder: a new document reads the port file.
    void Restart()
    {
        docTemplate.reset();
        view.reset();
        doc.reset();
        CKorvaView::ResetProgramWide();
        doc = std::make_unique<CKorvaDoc>();
        doc->OnNewDocument();
        view = std::make_unique<CKorvaView>();
        view->SetDocument(doc.get());
        UseDocumentTemplate();
    }

    // Menu "Adjustment", item "&Interface": the port dialog, with the port typed and OK pressed.
    void ChoosePort(const QString& port)
    {
        QTimer::singleShot(0, [this, port] {
            QDialog* window = doc->m_dlgInterface.GetWindow();
            if (!window)
                return;
            if (auto* combo = window->findChild<QComboBox*>())
                combo->setEditText(port);
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("OK"))
                    button->click();
            if (window->isVisible())
                window->reject();
        });
        ASSERT_TRUE(Command(ID_ADJUSTMENT_INTERFACE));
    }

    // Identifies the device and downloads the adjustment data: data nobody has saved yet.
    void CaptureData()
    {
        plug.PlugIn();
        Identify();
        Download(ID_ADJUSTMENT_DATA);
        ASSERT_EQ(State(), kStateCaptured);
        Tick(1);
        ASSERT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
        boxes.texts.clear();
        boxes.boxes.clear();
        ASSERT_TRUE(doc->IsModified());
    }

    std::unique_ptr<SimDevice> com3;
};

// What is made read-only, and what the working folder holds.
struct PortFileCase {
    const char* name;
    std::optional<std::string> portFile;  // nothing: no "VEQ.INI"
    bool folderReadOnly;                   // else the port file alone
};

void PrintTo(const PortFileCase& c, std::ostream* os)
{
    *os << c.name;
}

class ReadOnlyPortFileTest : public FileFaultTest, public ::testing::WithParamInterface<PortFileCase> {};

TEST_P(ReadOnlyPortFileTest, StartUpUsesCom1AndTheChosenPortHoldsUntilTheEndWithoutAWord)
{
    const PortFileCase& c = GetParam();
    if (c.portFile)
        WriteWholeFile(dir.file("VEQ.INI"), *c.portFile);
    plug.PlugIn();
    const std::vector<std::string> before = FileNames(dir.path());
    CReadOnlyPath readOnly(c.folderReadOnly ? dir.path() : dir.file("VEQ.INI"));
    if (!readOnly.Active())
        GTEST_SKIP() << "cannot make it read-only here: " << readOnly.Why();

    Restart();
    EXPECT_EQ(doc->m_dlgInterface.m_nPortIndex, 0);
    Identify();
    EXPECT_EQ(plug.Commands(), std::vector<std::string>{"R"});

    com3 = std::make_unique<SimDevice>(SimDevice::Fast(), "COM3");
    ChoosePort(QStringLiteral("COM3"));
    EXPECT_EQ(doc->m_dlgInterface.m_nPortIndex, 2);
    EXPECT_EQ(doc->m_dlgInterface.m_strPort, QStringLiteral("COM3"));
    // The next tick sees the new port and searches there.
    Tick(1);
    EXPECT_EQ(State(), kStateSearch);
    TickWhileState(kStateSearch, 1000);
    EXPECT_EQ(State(), kStateIdentified);
    EXPECT_EQ(com3->Commands(), std::vector<std::string>{"R"});

    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(FileNames(dir.path()), before);
    if (c.portFile) {
        EXPECT_EQ(ReadWholeFile(dir.file("VEQ.INI")), *c.portFile);
    }
    // The choice is not kept: the next start uses COM1 again.
    Restart();
    EXPECT_EQ(doc->m_dlgInterface.m_nPortIndex, 0);
}

INSTANTIATE_TEST_SUITE_P(PortFile, ReadOnlyPortFileTest, ::testing::Values(
    PortFileCase{"PortFileReadOnly", std::string("COM6"), false},
    PortFileCase{"WorkingFolderReadOnlyWithoutPortFile", std::nullopt, true},
    PortFileCase{"WorkingFolderReadOnlyWithPortFile", std::string("COM6"), true}),
    [](const ::testing::TestParamInfo<PortFileCase>& info) { return std::string(info.param.name); });

TEST_F(FileFaultTest, SaveOntoAFullFileSystemKeepsTheOldFileAndTheDataUnsaved)
{
    const std::string disc = dir.file("disc");
    std::filesystem::create_directory(disc);
    CSmallFileSystem small(disc, 256);
    if (!small.Active())
        GTEST_SKIP() << "no small file system here: " << small.Why();
    const std::string file = disc + "/tuning.txt";
    const std::string old = AsFileText({"OLD TUNING", kEndMarkerLine});
    WriteWholeFile(file, old);
    ASSERT_TRUE(small.FillUp("filler"));
    CaptureData();

    CFileDialogAnswer answer(file);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(boxes.texts, std::vector<QString>{SaveFailedText(file)});
    EXPECT_EQ(ReadWholeFile(file), old);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->GetPathName().isEmpty());
    EXPECT_EQ(FileNames(disc), (std::vector<std::string>{"filler", "tuning.txt"}));

    // Closing the window asks first; "Ja" tries the same save, which fails, so the window stays.
    EXPECT_FALSE(doc->SaveModified());
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[1], kSaveQuestion);
    EXPECT_EQ(boxes.texts[2], SaveFailedText(file));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(ReadWholeFile(file), old);

    // Room made, the same save goes through.
    std::filesystem::remove(disc + "/filler");
    ASSERT_TRUE(Command(ID_FILE_SAVE));
    EXPECT_EQ(ReadWholeFile(file), AsFileText(AdjustmentLines()));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(boxes.texts.size(), 3u);
}

// Without root the file-size limit stands in for a full disc: the save runs in a child
// process whose files may not grow past a few bytes.
TEST_F(FileFaultTest, SavePastTheFileSizeLimitKeepsTheOldFileAndTheDataUnsaved)
{
    constexpr rlim_t kLimit = 64;
    const std::string file = dir.file("tuning.txt");
    const std::string old = AsFileText({"OLD", kEndMarkerLine});
    ASSERT_LE(old.size(), kLimit);
    WriteWholeFile(file, old);
    CaptureData();
    const std::vector<std::string> before = FileNames(dir.path());

    const ChildReport report = RunInChildProcess([&] {
        const rlimit limit{kLimit, kLimit};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("no limit");
        CFileDialogAnswer answer(file);
        Command(ID_FILE_SAVE);
        std::string said;
        for (const QString& text : boxes.texts)
            said += text.toStdString() + "|";
        return said + (doc->IsModified() ? "modified" : "saved");
    });
    ASSERT_TRUE(report.finished) << report.text;
    EXPECT_EQ(report.text, SaveFailedText(file).toStdString() + "|modified");
    EXPECT_EQ(ReadWholeFile(file), old);
    EXPECT_EQ(FileNames(dir.path()), before);
}

TEST_F(FileFaultTest, TargetFolderRemovedAfterTheDialogAnsweredIsReportedAndTheDataStayUnsaved)
{
    const std::string folder = dir.file("usb-stick");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/tuning.txt";
    CaptureData();

    CFileDialogAnswer answer(file, [&] { std::filesystem::remove_all(folder); });
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(boxes.texts, std::vector<QString>{SaveFailedText(file)});
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
}

// The document's own file, or its folder, removed behind the program's back before Ctrl+S.
struct VanishCase {
    const char* name;
    bool folderToo;
};

void PrintTo(const VanishCase& c, std::ostream* os)
{
    *os << c.name;
}

class VanishedFileTest : public FileFaultTest, public ::testing::WithParamInterface<VanishCase> {};

TEST_P(VanishedFileTest, CtrlSWritesTheFileAfreshOrSaysItCannot)
{
    const std::string folder = dir.file("tunings");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/tuning.txt";
    CaptureData();
    {
        CFileDialogAnswer answer(file);
        ASSERT_TRUE(Command(ID_FILE_SAVE));
    }
    ASSERT_FALSE(doc->IsModified());
    ASSERT_EQ(ReadWholeFile(file), AsFileText(AdjustmentLines()));
    std::filesystem::remove(file);
    if (GetParam().folderToo)
        std::filesystem::remove(folder);

    // Ctrl+S goes to the document's own file; a dialog, had one come, is cancelled.
    CFileDialogAnswer noDialog("");
    ASSERT_TRUE(Command(ID_FILE_SAVE));
    if (GetParam().folderToo) {
        EXPECT_EQ(boxes.texts, std::vector<QString>{SaveFailedText(file)});
        EXPECT_FALSE(FileExists(folder));
    } else {
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_EQ(ReadWholeFile(file), AsFileText(AdjustmentLines()));
        EXPECT_FALSE(doc->IsModified());
    }
    EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
}

INSTANTIATE_TEST_SUITE_P(DataFile, VanishedFileTest, ::testing::Values(
    VanishCase{"FileDeleted", false},
    VanishCase{"FileAndFolderRemoved", true}),
    [](const ::testing::TestParamInfo<VanishCase>& info) { return std::string(info.param.name); });

}  // namespace
