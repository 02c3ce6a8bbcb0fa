// korva's command line against the simulated device, without a display: a download into a
// file with a copy in the capture history, an upload, and the failures, each with its exit
// status and one line on stderr.
#include "ChildProcess.h"
#include "DataText.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <csignal>
#include <sys/wait.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string stderrText;
};

class CommandLineTest : public ::testing::Test {
protected:
    // The built program without a display, in the test's folder, its stderr kept.
    LaunchRequest KorvaRequest(const std::vector<std::string>& arguments) const
    {
        LaunchRequest request;
        request.argv = {KORVA_PATH};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.env = CurrentEnvironment();
        request.env.erase("DISPLAY");
        request.workDir = dir.path();
        request.logFile = dir.file("stderr.txt");
        return request;
    }

    Outcome Korva(const std::vector<std::string>& arguments)
    {
        ChildProcess korva(KorvaRequest(arguments));
        Outcome outcome;
        if (const std::optional<int> status = korva.Wait(std::chrono::seconds(60)); status && WIFEXITED(*status))
            outcome.status = WEXITSTATUS(*status);
        outcome.stderrText = ReadWholeFile(dir.file("stderr.txt"));
        return outcome;
    }

    std::vector<std::string> Captures() const { return FileNames(dir.file("data/korva/captures")); }

    TempWorkDir dir;
};

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

// SIGTERM during an upload lets it finish: the device holds the whole file, as a download of
// it afterwards shows.
TEST_F(CommandLineTest, StopSignalDuringAnUploadLetsItFinish)
{
    SimDevice device;
    const std::vector<std::string> lines = NumberedLines(151);
    WriteWholeFile(dir.file("mine.txt"), AsFileText(lines));
    ChildProcess korva(KorvaRequest({"--upload", "mine.txt"}));
    ASSERT_TRUE(WaitUntil([&] { return device.DataLines().size() >= 10; }, 20000));
    ::kill(korva.Pid(), SIGTERM);

    const std::optional<int> status = korva.Wait(std::chrono::seconds(30));
    ASSERT_TRUE(status && WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("stderr.txt")), "korva: waiting for the upload to the device to finish, then ending\n");
    const Outcome readBack = Korva({"--download", "all", "--output", "back.txt"});
    EXPECT_EQ(readBack.status, 0);
    EXPECT_EQ(ReadWholeFile(dir.file("back.txt")), AsFileText(lines));
}

struct FailureCase {
    const char* name;
    sim::Faults faults;
    std::vector<std::string> arguments;
    std::string stderrText;  // "%1" stands for the device file of COM1
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

    setenv("V24_COM2", dir.file("no-such-adapter").c_str(), 1);
    const Outcome outcome = Korva(c.arguments);
    unsetenv("V24_COM2");

    EXPECT_EQ(outcome.status, 1);
    std::string expected = c.stderrText;
    if (const size_t at = expected.find("%1"); at != std::string::npos)
        expected.replace(at, 2, device.SlavePath());
    if (const size_t at = expected.find("%2"); at != std::string::npos)
        expected.replace(at, 2, dir.file("no-such-adapter"));
    EXPECT_EQ(outcome.stderrText, expected);
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

INSTANTIATE_TEST_SUITE_P(
    Faults, CommandLineFailureTest,
    ::testing::Values(
        FailureCase{"NoDevice", Mute(), {"--download", "all", "--output", "out.txt"},
                    "korva: no device found on COM1 (%1)\n", ""},
        FailureCase{"PortThatCannotBeOpened", {}, {"--download", "all", "--output", "out.txt", "--port", "COM2"},
                    "korva: port error: COM2 (%2): not found \u2014 plug in the adapter or choose the device in "
                    "Adjustment/Interface\n",
                    ""},
        FailureCase{"TimeOutKeepsTheLines", NoEot(), {"--download", "adjustment", "--output", "out.txt"},
                    "korva: time-out after 20 lines; the lines received are written to out.txt\n",
                    AsFileText(AdjustmentLines())},
        FailureCase{"NoDataFile", {}, {"--upload", "bad.txt"}, "korva: bad.txt: Unerwartetes Dateiformat.\n", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(CommandLineTest, WrongCommandLinesEndWithAUsageLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> wrong = {{"--download", "everything", "--output", "x.txt"},
                                                         {"--download"},
                                                         {"--download", "all"},
                                                         {"--download", "all", "--output", "no/such/folder/x.txt"},
                                                         {"--upload", "a.txt", "--port", "COM17"}};
    for (const std::vector<std::string>& arguments : wrong) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        const Outcome outcome = Korva(arguments);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.stderrText.find("Usage: korva"), std::string::npos) << outcome.stderrText;
    }
}

}  // namespace
