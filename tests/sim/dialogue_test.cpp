// The device's side of every dialogue the program holds with it.
#include "sim_test_line.h"

#include "factory_data.h"
#include "protocol.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace simtest;
namespace protocol = sim::protocol;

namespace {

// A complete transfer: CR LF lines, the last one the end marker, then EOT and nothing else.
sim::Lines CheckTransfer(const std::string& got, const std::string& what)
{
    EXPECT_FALSE(got.empty()) << what;
    if (got.empty())
        return {};
    EXPECT_EQ(got.back(), protocol::kEot) << what;
    std::string body = got.substr(0, got.size() - 1);
    EXPECT_GE(body.size(), 2u) << what;
    EXPECT_EQ(body.substr(body.size() - 2), "\r\n") << what;
    sim::Lines lines = SplitLines(body);
    EXPECT_TRUE(protocol::isEndMarkerLine(lines.back())) << what << ": " << lines.back();
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_FALSE(protocol::isEndMarkerLine(lines[i])) << what << " line " << i;
    EXPECT_EQ(body.find(protocol::kEot), std::string::npos) << what;
    return lines;
}

}  // namespace

TEST(SimDialogue, IdentityAnswerAndCommandEndings)
{
    DeviceLine line;
    const std::string answer = "VEQ-32-C " + std::string(protocol::kFirmwareVersion) + "\r\n";
    for (const char* command : {"R\r\n", "R\r", "R\n", "\r\n\r\nR\r\n"}) {
        line.send(command);
        EXPECT_EQ(line.readUntil('\n'), answer) << command;
    }
    // Unknown commands and empty lines get no answer; the next command is still heard.
    line.send("XYZ\r\nD\r\n\r\n");
    EXPECT_EQ(line.readQuiet(300), "");
    line.send("R\r\n");
    EXPECT_EQ(line.readUntil('\n'), answer);
}

TEST(SimDialogue, DownloadsEndWithMarkerAndEot)
{
    DeviceLine line;
    struct Row { const char* command; size_t low, high; } rows[] = {
        {"DD", 15, 25}, {"DS", 28, 38}, {"DT", 550, 650}, {"DA", 6000, 8000}};
    sim::Lines all;
    for (const Row& r : rows) {
        sim::Lines lines = CheckTransfer(line.transfer(r.command), r.command);
        EXPECT_GE(lines.size(), r.low) << r.command;
        EXPECT_LE(lines.size(), r.high) << r.command;
        if (std::string(r.command) == "DA")
            all = lines;
    }
    // All data holds each section the single downloads send, in full.
    for (const char* command : {"DD", "DS", "DT"}) {
        sim::Lines part = CheckTransfer(line.transfer(command), command);
        part.pop_back();   // its own end marker
        ASSERT_FALSE(part.empty());
        auto at = std::search(all.begin(), all.end(), part.begin(), part.end());
        EXPECT_NE(at, all.end()) << command << " is not within DA";
    }
    EXPECT_EQ(all, sim::factoryData());
}

TEST(SimDialogue, UploadComesBackByteForByteUntilDeliveryMode)
{
    DeviceLine line;
    const std::string factory = line.transfer("DA");
    const sim::Lines uploaded = {"OWN TUNING", "A4 = 415.0 Hz", "C  +0.0", "DATA END________"};
    std::string upload = "DE\r\n";
    for (const std::string& l : uploaded)
        upload += l + "\r\n";
    line.send(upload);
    EXPECT_EQ(line.readQuiet(300), ""); // the device does not answer an upload
    std::string expected;
    for (const std::string& l : uploaded)
        expected += l + "\r\n";
    EXPECT_EQ(line.transfer("DA"), expected + protocol::kEot);
    EXPECT_EQ(line.engine().storedData(), uploaded);
    line.send("DU\r\n");
    EXPECT_EQ(line.readQuiet(300), "");
    EXPECT_EQ(line.transfer("DA"), factory);
}

TEST(SimDialogue, UploadWithoutMarkerEndsAfterSilence)
{
    sim::Settings settings = DeviceLine::fastSettings();
    settings.uploadSilence = std::chrono::milliseconds(200);
    DeviceLine line(settings);
    line.send("DE\r\nFIRST\r\nSECOND\r\n");
    line.readQuiet(600);
    // The commands after the silence are commands again, not data.
    EXPECT_EQ(line.transfer("DA"), "FIRST\r\nSECOND\r\n" + std::string(1, protocol::kEot));
    EXPECT_EQ(line.engine().storedData(), (sim::Lines{"FIRST", "SECOND"}));
}

TEST(SimDialogue, XoffHoldsTheOutputUntilXon)
{
    sim::Settings settings;
    settings.charsPerSecond = 20000;   // paced, so that the XOFF lands mid-transfer
    DeviceLine line(settings);
    line.send("DT\r\n");
    std::string got = line.readUntil('\n');
    ASSERT_FALSE(got.empty());
    line.send(std::string(1, protocol::kXoff));
    // What was already on its way may still come; after that the line stays silent.
    got += line.readQuiet(300);
    ASSERT_TRUE(line.engine().paused());
    EXPECT_EQ(line.readQuiet(500), "");
    EXPECT_EQ(got.find(protocol::kEot), std::string::npos);
    line.send(std::string(1, protocol::kXon));
    got += line.readUntil(protocol::kEot);
    CheckTransfer(got, "DT after XON");
    DeviceLine fast;
    EXPECT_EQ(got, fast.transfer("DT"));
}

TEST(SimProgram, ServesOnThePrintedPseudoTerminal)
{
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(VEQ_SIM_PATH, VEQ_SIM_PATH, "--pty", "--fast", static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(out[1]);
    FILE* printed = fdopen(out[0], "r");
    char path[256] = {};
    ASSERT_NE(fgets(path, sizeof path, printed), nullptr);
    std::string device(path);
    device.erase(device.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << device;
    termios t;
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    ASSERT_EQ(::write(fd, "R\r\n", 3), 3);
    std::string answer;
    char c;
    while (answer.size() < 100 && ::read(fd, &c, 1) == 1 && (answer += c, c != '\n')) {
    }
    EXPECT_EQ(answer.rfind("VEQ-32-C ", 0), 0u) << answer;
    ::close(fd);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "did not end on SIGTERM";
    fclose(printed);
}
