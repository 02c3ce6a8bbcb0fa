// The device a transfer log recorded: the log read back into what was sent and what came after,
// and the simulator answering as the log shows.
#include "sim_test_line.h"

#include "options.h"
#include "replay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>

using namespace simtest;
using std::chrono::milliseconds;

namespace {

sim::ReplayScript Parse(const std::string& log)
{
    std::istringstream in(log);
    sim::ReplayScript script;
    std::string error;
    EXPECT_TRUE(sim::ReplayScript::parse(in, "LOG", script, error)) << error;
    return script;
}

std::string ParseError(const std::string& log)
{
    std::istringstream in(log);
    sim::ReplayScript script;
    std::string error;
    EXPECT_FALSE(sim::ReplayScript::parse(in, "LOG", script, error));
    return error;
}

// A log as korva writes it, with the device's answers to R and DD.
const char* const kLog = "# korva transfer log of the run started 2025-01-10T14:02:11\n"
                         "       0 OPEN     COM1 /dev/pts/3 (environment V24_COM1): 115200 baud\n"
                         "       0 PURGE    input and output\n"
                         "    2004 TX       R<CR><LF>\n"
                         "    2021 RX       VEQ-32-C 3.12<CR><LF>\n"
                         "    3000 STATE    9 request all data\n"
                         "    3090 TX       DD<CR><LF>\n"
                         "    3100 RX       ADJUSTMENT DATA<CR><LF>\n"
                         "    3100 RX         A 1<0x3C>2<CR><LF>\n"
                         "    4700 RX       DATA END________<CR><LF>\n"
                         "    4701 RX       <EOT>\n";

}  // namespace

TEST(ReplayScript, ReadsWhatWasSentAndWhatCameAfterIt)
{
    const sim::ReplayScript script = Parse(kLog);
    ASSERT_EQ(script.exchanges().size(), 2u);
    EXPECT_EQ(script.exchanges()[0].line, "R");
    ASSERT_EQ(script.exchanges()[0].answer.size(), 1u);
    EXPECT_EQ(script.exchanges()[0].answer[0].after, milliseconds(17));
    EXPECT_EQ(script.exchanges()[0].answer[0].bytes, "VEQ-32-C 3.12\r\n");
    const sim::RecordedExchange& dd = script.exchanges()[1];
    EXPECT_EQ(dd.line, "DD");
    ASSERT_EQ(dd.answer.size(), 4u);
    // The device's blanks at the start of a line are its own; a blank at the end is written so.
    EXPECT_EQ(dd.answer[1].bytes, "  A 1<2\r\n");
    EXPECT_EQ(dd.answer[2].after, milliseconds(1610));
    EXPECT_EQ(dd.answer[3].bytes, "\x04");
}

TEST(ReplayScript, SentLinesAreTheProgramsLinesWhateverPiecesTheyCameIn)
{
    // Written by hand, with one blank behind the kind, and a blank at the end as <0x20>.
    const sim::ReplayScript script = Parse("  1 TX D\n  2 TX E<CR>\n  3 TX <LF>L1<CR><LF>L2 <0x20><LF><CR>\r\n"
                                           "  9 RX <XON>   \n");
    std::vector<std::string> lines;
    for (const sim::RecordedExchange& e : script.exchanges())
        lines.push_back(e.line);
    // CR LF, a lone LF and a lone CR each end a line, as for the device.
    EXPECT_EQ(lines, (std::vector<std::string>{"DE", "L1", "L2  ", ""}));
    ASSERT_EQ(script.exchanges().back().answer.size(), 1u);
    EXPECT_EQ(script.exchanges().back().answer[0].bytes, "\x11");
}

TEST(ReplayScript, TellsWhereALogCannotBeRead)
{
    struct Row {
        const char* what;
        const char* log;
        const char* error;
    } rows[] = {
        {"an escape that means no byte", "# x\n  5 RX A<FOO>B\n", "LOG:2: no byte is called <FOO>"},
        {"an escape not closed", "  5 TX DA<CR\n", "LOG:1: no byte is called <CR"},
        {"no event", "  5 RX ok\nsomething pasted\n", "LOG:2: no event of a transfer log"},
        {"no time", "RX abc\n", "LOG:1: no event of a transfer log"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseError(r.log), r.error) << r.what;
    sim::ReplayScript script;
    std::string error;
    EXPECT_FALSE(sim::ReplayScript::load("/nonexistent/korva.log", script, error));
    EXPECT_EQ(error, "/nonexistent/korva.log: cannot be read");
}

TEST(ReplayScript, FindsALineFromWhereTheLastOneStoodThenFromTheStart)
{
    const sim::ReplayScript script = Parse("1 TX R<CR><LF>\n2 TX DA<CR><LF>\n3 TX R<CR><LF>\n4 RX second\n");
    std::size_t next = 0;
    const sim::RecordedExchange* first = script.find("R", next);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->answer.empty());
    const sim::RecordedExchange* second = script.find("R", next);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->answer.at(0).bytes, "second");
    EXPECT_EQ(next, 3u);
    // Past the last one the log is played again from its start.
    EXPECT_EQ(script.find("DA", next), &script.exchanges()[1]);
    EXPECT_EQ(script.find("DD", next), nullptr);
    EXPECT_EQ(next, 2u);
}

TEST(ReplaySimulator, AnswersAsTheLogShowsAndIsSilentForLinesItNeverShows)
{
    sim::Settings settings = DeviceLine::fastSettings();
    settings.replay = std::make_shared<sim::ReplayScript>(Parse(kLog));
    settings.replayPaced = false;
    DeviceLine line(settings);
    line.send("DA\r\n");
    EXPECT_EQ(line.readQuiet(300), "");
    line.send("R\r\n");
    EXPECT_EQ(line.readUntil('\n'), "VEQ-32-C 3.12\r\n");
    EXPECT_EQ(line.transfer("DD"), "ADJUSTMENT DATA\r\n  A 1<2\r\nDATA END________\r\n\x04");
}

TEST(ReplaySimulator, KeepsTheRecordedPace)
{
    sim::Settings settings = DeviceLine::fastSettings();
    settings.replay = std::make_shared<sim::ReplayScript>(
        Parse("  0 TX DD<CR><LF>\n  10 RX T12 WERCK\n  1510 RX MEISTER V<CR><LF>\n"));
    DeviceLine line(settings);
    line.send("DD\r\n");
    // The pause inside the line comes as the log recorded it.
    EXPECT_EQ(line.readQuiet(800), "T12 WERCK");
    EXPECT_EQ(line.readUntil('\n'), "MEISTER V\r\n");
}

TEST(ReplayOptions, ReplayTakesTheLogAndFastLeavesOutItsPace)
{
    sim::Options options;
    std::string error;
    ASSERT_TRUE(sim::parseOptions({"--replay", "user.log", "--fast"}, options, error)) << error;
    EXPECT_EQ(options.replayLog, "user.log");
    EXPECT_EQ(options.settings.charsPerSecond, 0);
    EXPECT_FALSE(sim::parseOptions({"--replay"}, options, error));
    EXPECT_EQ(error, "--replay needs a value");
    EXPECT_NE(sim::usageText().find("--replay LOG"), std::string::npos);
}
