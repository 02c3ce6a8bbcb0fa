// The truth of the line from the command line, as the built program against the simulated
// device: --log written as the transfer runs, --verify after a faithful upload (0) and against
// other data (1, the count and the first difference), --report, and veq-sim --replay of a log
// korva wrote giving the same download byte for byte.
#include "ChildProcess.h"
#include "DataText.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string stdoutText;
    std::string stderrText;
};

class LineTruthTest : public ::testing::Test {
protected:
    LaunchRequest Request(const std::string& program, const std::vector<std::string>& arguments) const
    {
        LaunchRequest request;
        request.argv = {program};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.env = CurrentEnvironment();
        request.env.erase("DISPLAY");
        request.workDir = dir.path();
        request.logFile = dir.file("stderr.txt");
        request.captureStdout = true;
        return request;
    }

    Outcome Korva(const std::vector<std::string>& arguments)
    {
        ChildProcess korva(Request(KORVA_PATH, arguments));
        Outcome outcome;
        outcome.stdoutText = korva.ReadAll(std::chrono::seconds(60));
        if (const std::optional<int> status = korva.Wait(std::chrono::seconds(60)); status && WIFEXITED(*status))
            outcome.status = WEXITSTATUS(*status);
        outcome.stderrText = ReadWholeFile(dir.file("stderr.txt"));
        return outcome;
    }

    TempWorkDir dir;
};

const std::vector<std::string> kOtherLines = {"MY INSTRUMENT", "A4 442.0 Hz", "DATA END________"};

}  // namespace

TEST_F(LineTruthTest, TheLogIsWrittenAsTheTransferRunsAndShowsAPauseInALine)
{
    sim::Settings settings = SimDevice::Fast();
    settings.faults.pauseInLine = 300;
    settings.pauseLength = std::chrono::milliseconds(3000);
    SimDevice device(settings);
    ChildProcess korva(Request(KORVA_PATH, {"--download", "temperaments", "--output", "dt.txt", "--log", "run.log"}));
    // While the device pauses, the lines before are in the file already.
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(dir.file("run.log")).find("TX       DT<CR><LF>\n") != std::string::npos
                                    && ReadWholeFile(dir.file("run.log")).find("RX       T") != std::string::npos; },
                          20000));
    EXPECT_TRUE(korva.Running());
    const std::optional<int> status = korva.Wait(std::chrono::seconds(60));
    ASSERT_TRUE(status && WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    // As any download that is not complete: its lines in a file that was not there, and in the history.
    EXPECT_EQ(ReadWholeFile(dir.file("stderr.txt")).rfind(
                  "korva: damaged data (1 line was split by a pause of the device) after 598 lines; the lines received "
                  "are written to dt.txt and kept in ",
                  0),
              0u)
        << ReadWholeFile(dir.file("stderr.txt"));
    const std::string log = ReadWholeFile(dir.file("run.log"));
    EXPECT_NE(log.find("TRANSFER historical temperaments (DT)\n"), std::string::npos);
    EXPECT_NE(log.find("DAMAGE   the device paused inside a line: the line is split here\n"), std::string::npos);
    EXPECT_NE(log.find("RX       <EOT>\n"), std::string::npos);
}

TEST_F(LineTruthTest, VerifyTellsWhetherTheDeviceHoldsTheFilesData)
{
    SimDevice device;
    WriteWholeFile(dir.file("mine.txt"), AsFileText(kFileLines));
    WriteWholeFile(dir.file("other.txt"), AsFileText(kOtherLines));

    const Outcome uploaded = Korva({"--upload", "mine.txt", "--verify"});
    EXPECT_EQ(uploaded.status, 0) << uploaded.stderrText;
    EXPECT_EQ(uploaded.stderrText, "");
    EXPECT_EQ(uploaded.stdoutText, "mine.txt: identical to the device's all data (3 lines)\n");
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DE", "DA"}));

    const Outcome same = Korva({"--verify", "mine.txt"});
    EXPECT_EQ(same.status, 0) << same.stderrText;
    const Outcome other = Korva({"--verify", "other.txt"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.stdoutText, "");
    EXPECT_EQ(other.stderrText, "korva: 1 line differs between other.txt and the device; the first: line 2 of other.txt "
                                "\"A4 442.0 Hz\", the device's line 2 \"A4 441.0 Hz\"\n");
    // The device was only read.
    EXPECT_TRUE(WaitUntil([&] { return device.DataLines() == kFileLines; }));
}

TEST_F(LineTruthTest, VerifyRefusesWhatItCannotCompare)
{
    SimDevice device;
    WriteWholeFile(dir.file("bad.txt"), "no data file\r\n");
    const Outcome bad = Korva({"--verify", "bad.txt"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.stderrText, "korva: the file bad.txt is no data file (no end line within 400000 characters)\n");
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--verify"}, {"--download", "all", "--output", "x.txt", "--verify"}, {"--verify", "a.txt", "b.txt"},
             {"--report", "--upload", "a.txt"}, {"--log", "no/such/folder/x.log", "--report"}}) {
        const Outcome outcome = Korva(wrong);
        EXPECT_EQ(outcome.status, 2) << wrong.front() << " " << wrong.back();
        EXPECT_NE(outcome.stderrText.find("Usage: korva"), std::string::npos) << outcome.stderrText;
    }
    EXPECT_TRUE(device.Commands().empty());
}

TEST_F(LineTruthTest, ReportTellsThePortAndTheLastTransferOfTheLog)
{
    SimDevice device;
    ASSERT_EQ(Korva({"--download", "adjustment", "--output", "dd.txt", "--log", "run.log"}).status, 0);
    const Outcome report = Korva({"--report", "--log", "run.log"});
    EXPECT_EQ(report.status, 0) << report.stderrText;
    EXPECT_NE(report.stdoutText.find("korva support report"), std::string::npos);
    EXPECT_NE(report.stdoutText.find("Device file: " + device.SlavePath() + " (environment V24_COM1)\n"),
              std::string::npos);
    EXPECT_NE(report.stdoutText.find("Line settings (read back from the open port): 115200 baud, 7 data bits, odd "
                                     "parity, 2 stop bits, XON/XOFF\n"),
              std::string::npos);
    EXPECT_NE(report.stdoutText.find("TRANSFER adjustment data (DD)\n"), std::string::npos) << report.stdoutText;
    EXPECT_NE(report.stdoutText.find("RX       DATA END________<CR><LF>\n"), std::string::npos);
    // The report sends nothing.
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"R", "DD"}));
}

TEST_F(LineTruthTest, TheSimulatorReplayingKorvasLogGivesTheSameDownload)
{
    {
        SimDevice device;
        ASSERT_EQ(Korva({"--download", "all", "--output", "first.txt", "--log", "korva.log"}).status, 0);
    }
    ChildProcess replay(Request(VEQ_SIM_PATH, {"--pty", "--replay", dir.file("korva.log"), "--fast"}));
    const std::optional<std::string> terminal = replay.ReadLine(std::chrono::seconds(10));
    ASSERT_TRUE(terminal.has_value());
    setenv("V24_COM1", terminal->c_str(), 1);
    const Outcome second = Korva({"--download", "all", "--output", "second.txt"});
    unsetenv("V24_COM1");
    EXPECT_EQ(second.status, 0) << second.stderrText;
    EXPECT_FALSE(ReadWholeFile(dir.file("first.txt")).empty());
    EXPECT_TRUE(ReadWholeFile(dir.file("second.txt")) == ReadWholeFile(dir.file("first.txt")));
}
