// korva's command line against the simulated device, without a display: a download into a
// file with a copy in the capture history, an upload, and the failures, each with its exit
// status and one line on stderr.
#include "ChildProcess.h"
#include "DataText.h"
#include "FileSystemFaults.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "WaitUntil.h"

#include "factory_data.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string stderrText;
    std::string stdoutText;
};

class CommandLineTest : public ::testing::Test {
protected:
    // korva without a display, in the test's folder, with its settings there too.
    LaunchRequest Request(const std::vector<std::string>& arguments, const std::string& stderrFile = "stderr.txt")
    {
        LaunchRequest request;
        request.argv = {KORVA_PATH};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.env = CurrentEnvironment();
        request.env.erase("DISPLAY");
        request.env["XDG_CONFIG_HOME"] = dir.file("config");
        request.workDir = dir.path();
        request.logFile = dir.file(stderrFile);
        return request;
    }

    Outcome Korva(const std::vector<std::string>& arguments, bool captureStdout = false)
    {
        std::filesystem::remove(dir.file("stderr.txt"));
        LaunchRequest request = Request(arguments);
        request.captureStdout = captureStdout;
        ChildProcess korva(request);
        Outcome outcome;
        if (captureStdout)
            outcome.stdoutText = korva.ReadAll(std::chrono::seconds(60));
        if (const std::optional<int> status = korva.Wait(std::chrono::seconds(60)); status && WIFEXITED(*status))
            outcome.status = WEXITSTATUS(*status);
        outcome.stderrText = ReadWholeFile(dir.file("stderr.txt"));
        return outcome;
    }

    std::vector<std::string> Captures() const
    {
        return FileExists(CaptureFolder()) ? FileNames(CaptureFolder()) : std::vector<std::string>();
    }
    std::string CaptureFolder() const { return dir.file("data/korva/captures"); }
    // The one capture's path; empty when there is none or more than one.
    std::string OnlyCapture() const
    {
        const std::vector<std::string> captures = Captures();
        return captures.size() == 1 ? CaptureFolder() + "/" + captures[0] : std::string();
    }

    TempWorkDir dir;
};

// The text with each placeholder replaced.
std::string Filled(std::string text, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& [name, value] : values) {
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    }
    return text;
}

TEST_F(CommandLineTest, DownloadWritesTheDevicesLinesAndKeepsACopyInTheHistory)
{
    SimDevice device;
    const Outcome outcome = Korva({"--download", "adjustment", "--output", "dd.txt"});
    EXPECT_EQ(outcome.status, 0) << outcome.stderrText;
    EXPECT_EQ(outcome.stderrText, "");
    EXPECT_EQ(ReadWholeFile(dir.file("dd.txt")), AsFileText(AdjustmentLines()));
    const std::vector<std::string> captures = Captures();
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_TRUE(captures[0].size() > 7 && captures[0].substr(captures[0].size() - 7) == "_DD.txt") << captures[0];
    EXPECT_EQ(ReadWholeFile(dir.file("data/korva/captures/" + captures[0])), ReadWholeFile(dir.file("dd.txt")));
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DD"}));
}

TEST_F(CommandLineTest, UploadPutsTheDataFileIntoTheDevice)
{
    SimDevice device;
    WriteWholeFile(dir.file("mine.txt"), AsFileText(kFileLines));
    const Outcome outcome = Korva({"--upload", "mine.txt"});
    EXPECT_EQ(outcome.status, 0) << outcome.stderrText;
    EXPECT_EQ(outcome.stderrText, "");
    EXPECT_TRUE(WaitUntil([&] { return device.DataLines() == kFileLines; }));
}

// A stop signal during an upload lets it finish, a hang-up (the terminal closed, the ssh
// session dropped) as well: the device holds the whole file, as a download of it afterwards shows.
class UploadStopTest : public CommandLineTest, public ::testing::WithParamInterface<int> {};

TEST_P(UploadStopTest, LetsTheUploadFinish)
{
    SimDevice device;
    const std::vector<std::string> lines = NumberedLines(151);
    WriteWholeFile(dir.file("mine.txt"), AsFileText(lines));
    ChildProcess korva(Request({"--upload", "mine.txt"}));
    ASSERT_TRUE(WaitUntil([&] { return device.DataLines().size() >= 10; }, 20000));
    ::kill(korva.Pid(), GetParam());

    const std::optional<int> status = korva.Wait(std::chrono::seconds(30));
    ASSERT_TRUE(status && WIFEXITED(*status)) << "ended by a signal: " << (status ? WTERMSIG(*status) : 0);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("stderr.txt")), "korva: waiting for the upload to the device to finish, then ending\n");
    const Outcome readBack = Korva({"--download", "all", "--output", "back.txt"});
    EXPECT_EQ(readBack.status, 0);
    EXPECT_EQ(ReadWholeFile(dir.file("back.txt")), AsFileText(lines));
}

INSTANTIATE_TEST_SUITE_P(Signals, UploadStopTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

// Ctrl-C during a download leaves the device sending the rest of it. The next command waits for
// that, says so, and gets exactly its own data.
TEST_F(CommandLineTest, AfterAnInterruptedDownloadTheNextGetsExactlyItsOwnData)
{
    sim::Settings settings;
    settings.charsPerSecond = 20000;  // all data take about twelve seconds
    SimDevice device(settings);
    {
        ChildProcess first(Request({"--download", "all", "--output", "all.txt"}, "first.txt"));
        ASSERT_TRUE(device.WaitForCommand("DA", 20000));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(first.Pid(), SIGINT);
        const std::optional<int> status = first.Wait(std::chrono::seconds(10));
        ASSERT_TRUE(status && WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), 1);
        EXPECT_EQ(ReadWholeFile(dir.file("first.txt")), "korva: stopped\n");
    }

    const Outcome second = Korva({"--download", "adjustment", "--output", "dd.txt"});
    EXPECT_EQ(second.status, 0) << second.stderrText;
    EXPECT_EQ(second.stderrText, "korva: waiting for the device to finish the previous transfer\n");
    EXPECT_EQ(ReadWholeFile(dir.file("dd.txt")), AsFileText(AdjustmentLines()));
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DA", "R", "DD"}));
    EXPECT_FALSE(FileExists(dir.file("all.txt")));
}

struct FailureCase {
    const char* name;
    sim::Faults faults;
    std::vector<std::string> arguments;
    std::string stderrText;  // %D: the device file of COM1, %A: that of COM2, %C: the capture
    std::string written;     // what the output file holds afterwards; empty: it is not there
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLineFailureTest : public CommandLineTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CommandLineFailureTest, EndsWithStatusOneAndOneLineThatSaysWhy)
{
    const FailureCase& c = GetParam();
    sim::Settings settings = SimDevice::Fast();
    settings.faults = c.faults;
    SimDevice device(settings);
    WriteWholeFile(dir.file("bad.txt"), "no data file\r\n");
    WriteWholeFile(dir.file("empty.txt"), "");
    WriteWholeFile(dir.file("upload.txt"), AsFileText(NumberedLines(21)));

    setenv("V24_COM2", dir.file("no-such-adapter").c_str(), 1);
    const Outcome outcome = Korva(c.arguments);
    unsetenv("V24_COM2");

    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.stderrText, Filled(c.stderrText, {{"%D", device.SlavePath()},
                                                        {"%A", dir.file("no-such-adapter")},
                                                        {"%C", OnlyCapture()}}));
    if (c.written.empty()) {
        EXPECT_FALSE(FileExists(dir.file("out.txt")));
    } else {
        EXPECT_EQ(ReadWholeFile(dir.file("out.txt")), c.written);
    }
}

sim::Faults Mute()
{
    sim::Faults faults;
    faults.mute = true;
    return faults;
}

sim::Faults NoEot()
{
    sim::Faults faults;
    faults.noEot = true;
    return faults;
}

sim::Faults HeldXoff()
{
    sim::Faults faults;
    faults.xoffAfterLines = 3;
    return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CommandLineFailureTest,
    ::testing::Values(
        FailureCase{"NoDevice", Mute(), {"--download", "all", "--output", "out.txt"},
                    "korva: no device found on COM1 (%D)\n", ""},
        FailureCase{"PortThatCannotBeOpened", {}, {"--download", "all", "--output", "out.txt", "--port", "COM2"},
                    "korva: port error: COM2 (%A): not found \u2014 plug in the adapter or choose the device in "
                    "Adjustment/Interface\n",
                    ""},
        FailureCase{"TimeOutKeepsTheLines", NoEot(), {"--download", "adjustment", "--output", "out.txt"},
                    "korva: time-out after 20 lines; the lines received are written to out.txt and kept in %C\n",
                    AsFileText(AdjustmentLines())},
        FailureCase{"HeldXoffDuringAnUpload", HeldXoff(), {"--upload", "upload.txt"},
                    "korva: port error on COM1 (%D): the device held the line with XOFF longer than the time-out; "
                    "the device may now hold incomplete data: repeat the upload\n",
                    ""},
        FailureCase{"NoDataFile", {}, {"--upload", "bad.txt"},
                    "korva: the file bad.txt is no data file (no end line within 400000 characters)\n", ""},
        FailureCase{"EmptyFile", {}, {"--upload", "empty.txt"}, "korva: the file empty.txt holds no data\n", ""},
        FailureCase{"NoSuchFile", {}, {"--upload", "missing.txt"}, "korva: the file missing.txt cannot be opened\n",
                    ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A download that ends before it is complete never replaces the file given with --output, so
// that a nightly backup job keeps its last good backup. The lines received are in the capture
// history, and the message says where, whatever ended the transfer.
struct BackupCase {
    const char* name;
    sim::Faults faults;
    std::string stderrText;  // %D: the device file, %C: the capture
};

void PrintTo(const BackupCase& c, std::ostream* os)
{
    *os << c.name;
}

class FailedBackupTest : public CommandLineTest, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(FailedBackupTest, LeavesTheLastGoodBackupByteForByte)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults = GetParam().faults;
    SimDevice device(settings);
    const std::string good = AsFileText({"AN EARLIER BACKUP", "A4 440.0 Hz", kEndMarkerLine});
    WriteWholeFile(dir.file("backup.txt"), good);

    const Outcome outcome = Korva({"--download", "all", "--output", "backup.txt"});

    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(ReadWholeFile(dir.file("backup.txt")), good);
    const std::string capture = OnlyCapture();
    ASSERT_FALSE(capture.empty()) << outcome.stderrText;
    const std::string kept = ReadWholeFile(capture);
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(AsFileText(sim::factoryData()).compare(0, kept.size(), kept), 0) << "the capture is what the device sent";
    EXPECT_EQ(outcome.stderrText, Filled(GetParam().stderrText, {{"%D", device.SlavePath()}, {"%C", capture}}));
}

sim::Faults EotInLine(int line)
{
    sim::Faults faults;
    faults.eotInLine = line;
    return faults;
}

sim::Faults HangUpAfter(int lines)
{
    sim::Faults faults;
    faults.hangUpAfterLines = lines;
    return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedBackupTest,
    ::testing::Values(
        BackupCase{"EotInMidData", EotInLine(5),
                   "korva: the transfer ended without its end line after 5 lines; backup.txt is left as it was; the "
                   "lines received are kept in %C\n"},
        BackupCase{"TimeOut", NoEot(),
                   "korva: time-out after 6817 lines; backup.txt is left as it was; the lines received are kept in "
                   "%C\n"},
        // The identity answer is the first line the device sends.
        BackupCase{"LineHungUp", HangUpAfter(6),
                   "korva: port error on COM1 (%D) after 5 lines: the line hung up; backup.txt is left as it was; "
                   "the lines received are kept in %C\n"}),
    [](const ::testing::TestParamInfo<BackupCase>& info) { return std::string(info.param.name); });

// What --output names is looked at before the device is searched: a file that could not be
// written ends the command at once, with the reason, and the device hears nothing.
struct OutputCase {
    const char* name;
    // Makes the file or folder; a path that must stay read-only while the test runs is handed
    // back (mode bits stop nobody who is root: a read-only bind mount does).
    std::function<std::unique_ptr<CReadOnlyPath>(const TempWorkDir&)> prepare;
    std::string output;
    std::string stderrText;  // %W: the test's folder
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnwritableOutputTest : public CommandLineTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(UnwritableOutputTest, EndsBeforeTheSearchWithTheReason)
{
    const OutputCase& c = GetParam();
    SimDevice device;
    const std::unique_ptr<CReadOnlyPath> readOnly = c.prepare(dir);
    if (readOnly && !readOnly->Active())
        GTEST_SKIP() << readOnly->Why();
    const Outcome outcome = Korva({"--download", "adjustment", "--output", c.output});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.stderrText, Filled(c.stderrText, {{"%W", dir.path()}}));
    EXPECT_TRUE(device.LogStaysAt(0)) << "the device was asked";
    EXPECT_TRUE(Captures().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutputTest,
    ::testing::Values(
        OutputCase{"DanglingLink",
                   [](const TempWorkDir& d) {
                       std::filesystem::create_symlink(d.file("gone.txt"), d.file("link.txt"));
                       return std::unique_ptr<CReadOnlyPath>();
                   },
                   "link.txt", "korva: the file link.txt is a link to %W/gone.txt, which does not exist\n"},
        OutputCase{"ReadOnlyFolder",
                   [](const TempWorkDir& d) {
                       std::filesystem::create_directory(d.file("ro"));
                       return std::make_unique<CReadOnlyPath>(d.file("ro"));
                   },
                   "ro/dd.txt", "korva: the file ro/dd.txt cannot be written: the folder %W/ro is read-only\n"},
        OutputCase{"WriteProtectedFile",
                   [](const TempWorkDir& d) {
                       WriteWholeFile(d.file("kept.txt"), "an old file\r\n");
                       return std::make_unique<CReadOnlyPath>(d.file("kept.txt"));
                   },
                   "kept.txt", "korva: the file kept.txt cannot be replaced: it is read-only\n"},
        OutputCase{"NoRegularFile",
                   [](const TempWorkDir& d) {
                       ::mkfifo(d.file("fifo").c_str(), 0600);
                       return std::unique_ptr<CReadOnlyPath>();
                   },
                   "fifo", "korva: the file fifo cannot be replaced: it is no regular file\n"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

TEST_F(CommandLineTest, OutputDashWritesTheDataToStandardOutput)
{
    SimDevice device;
    const Outcome outcome = Korva({"--download", "adjustment", "--output", "-"}, true);
    EXPECT_EQ(outcome.status, 0) << outcome.stderrText;
    EXPECT_EQ(outcome.stderrText, "");
    EXPECT_EQ(outcome.stdoutText, AsFileText(AdjustmentLines()));
    EXPECT_EQ(ReadWholeFile(OnlyCapture()), AsFileText(AdjustmentLines()));
    EXPECT_FALSE(FileExists(dir.file("-")));
}

// The history copy is a second place for the data; when it fails the download still succeeds,
// and says what went wrong.
TEST_F(CommandLineTest, AHistoryThatCannotBeWrittenIsToldAndTheDownloadStillSucceeds)
{
    SimDevice device;
    std::filesystem::create_directories(dir.file("data/korva"));
    WriteWholeFile(CaptureFolder(), "a file where the folder should be");
    const Outcome outcome = Korva({"--download", "adjustment", "--output", "dd.txt"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.stderrText, "korva: the download could not be kept in the capture history: the folder "
                                  + CaptureFolder() + " cannot be made\n");
    EXPECT_EQ(ReadWholeFile(dir.file("dd.txt")), AsFileText(AdjustmentLines()));
}

// --simulate starts the simulator for the transfer, as it does for the window.
TEST_F(CommandLineTest, SimulateServesADownloadAndAnUpload)
{
    const Outcome download = Korva({"--simulate", "--download", "adjustment", "--output", "dd.txt"});
    EXPECT_EQ(download.status, 0) << download.stderrText;
    EXPECT_EQ(download.stderrText, "");
    EXPECT_EQ(ReadWholeFile(dir.file("dd.txt")), AsFileText(AdjustmentLines()));
    const Outcome upload = Korva({"--upload", "dd.txt", "--simulate"});
    EXPECT_EQ(upload.status, 0) << upload.stderrText;
    EXPECT_EQ(upload.stderrText, "");
}

TEST_F(CommandLineTest, WrongCommandLinesEndWithAUsageLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> wrong = {{"--download", "everything", "--output", "x.txt"},
                                                         {"--download"},
                                                         {"--download", "all"},
                                                         {"--download", "all", "--output", "no/such/folder/x.txt"},
                                                         {"--upload", "a.txt", "--port", "COM17"},
                                                         {"--download", "all", "--download", "dd", "--output", "x.txt"},
                                                         {"--download", "all", "--output", "a.txt", "--output", "b.txt"},
                                                         {"--upload", "a.txt", "--port", "COM1", "--port", "COM2"},
                                                         {"--upload", "a.txt", "--simulate", "--simulate"},
                                                         {"--download", "all", "--output", "x.txt", "--no-backup"}};
    for (const std::vector<std::string>& arguments : wrong) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const Outcome outcome = Korva(arguments);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.stderrText.find("Usage: korva"), std::string::npos) << outcome.stderrText;
        EXPECT_FALSE(FileExists(dir.file("x.txt")) || FileExists(dir.file("a.txt")) || FileExists(dir.file("b.txt")));
    }
}

// An option given twice names itself.
TEST_F(CommandLineTest, AnOptionGivenTwiceIsNamed)
{
    const Outcome outcome = Korva({"--download", "all", "--output", "a.txt", "--output", "b.txt"});
    EXPECT_EQ(outcome.stderrText.substr(0, outcome.stderrText.find('\n')), "korva: --output is given twice");
}

// With the automatic backups on, an upload reads all data into the capture history first;
// --no-backup skips that, and a backup that fails ends the command before anything is uploaded.
class UploadBackupTest : public CommandLineTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("config/Local AppWizard-Generated Applications"));
        WriteWholeFile(dir.file("config/Local AppWizard-Generated Applications/VEQ_32_C.conf"),
                       "[Backups]\nAutomatic=true\n");
        WriteWholeFile(dir.file("mine.txt"), AsFileText(kFileLines));
    }
};

TEST_F(UploadBackupTest, TheDevicesDataGoIntoTheHistoryBeforeTheUpload)
{
    SimDevice device;
    const Outcome outcome = Korva({"--upload", "mine.txt"});
    EXPECT_EQ(outcome.status, 0) << outcome.stderrText;
    const std::string backup = OnlyCapture();
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(outcome.stderrText, "korva: the device's data are backed up in " + backup + "\n");
    EXPECT_EQ(ReadWholeFile(backup), AsFileText(sim::factoryData()));
    EXPECT_TRUE(WaitUntil([&] { return device.DataLines() == kFileLines; }));
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DA", "DE"}));

    const Outcome unasked = Korva({"--upload", "mine.txt", "--no-backup"});
    EXPECT_EQ(unasked.status, 0) << unasked.stderrText;
    EXPECT_EQ(unasked.stderrText, "");
    EXPECT_EQ(Captures().size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return device.Commands().size() == 5; }));
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DA", "DE", "R", "DE"}));
}

TEST_F(UploadBackupTest, ABackupThatFailsUploadsNothing)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.eotInLine = 40;
    SimDevice device(settings);
    const Outcome outcome = Korva({"--upload", "mine.txt"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.stderrText, "korva: the backup of the device failed: the device's data ended without their end "
                                  "line; nothing was uploaded\n");
    EXPECT_TRUE(device.LogStaysAt(device.engine().log().size()));
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DA"}));
    EXPECT_TRUE(device.DataLines().empty()) << "no line was uploaded";
}

}  // namespace
