// Each fault the device shows on demand, as the program's reliability handling meets it.
#include "sim_test_line.h"

#include "options.h"
#include "protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace simtest;
namespace protocol = sim::protocol;

namespace {

std::unique_ptr<DeviceLine> WithFault(void (*arm)(sim::Settings&))
{
    sim::Settings s = DeviceLine::fastSettings();
    arm(s);
    return std::make_unique<DeviceLine>(s);
}

}  // namespace

TEST(SimFaults, MuteAndForeignIdentity)
{
    auto mute = WithFault([](sim::Settings& s) { s.faults.mute = true; });
    mute->send("R\r\nDD\r\n");
    EXPECT_EQ(mute->readQuiet(500), "");
    auto other = WithFault([](sim::Settings& s) { s.identity = "MODEM OK"; });
    other->send("R\r\n");
    EXPECT_EQ(other->readUntil('\n'), "MODEM OK\r\n");
}

TEST(SimFaults, NoEotStopsAfterTheMarkerLine)
{
    auto line = WithFault([](sim::Settings& s) { s.faults.noEot = true; });
    line->send("DD\r\n");
    std::string got = line->readQuiet(500);
    EXPECT_EQ(got.find(protocol::kEot), std::string::npos);
    sim::Lines lines = SplitLines(got);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(protocol::isEndMarkerLine(lines.back()));
}

TEST(SimFaults, LongLinesEighthBitAndOversize)
{
    auto longer = WithFault([](sim::Settings& s) { s.faults.longLines = true; });
    sim::Lines lines = SplitLines(longer->transfer("DD"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.size() > 500; }));

    auto high = WithFault([](sim::Settings& s) { s.faults.eighthBit = true; });
    high->send("R\r\n");
    std::string answer = high->readQuiet(500);
    ASSERT_FALSE(answer.empty());
    for (char c : answer)
        EXPECT_TRUE(static_cast<unsigned char>(c) & 0x80) << int(c);

    auto big = WithFault([](sim::Settings& s) { s.faults.oversize = true; });
    std::string all = big->transfer("DD");
    EXPECT_GT(all.size(), 400000u);
    EXPECT_EQ(all.back(), protocol::kEot);
}

TEST(SimFaults, EotInTheMiddleOfALine)
{
    auto line = WithFault([](sim::Settings& s) { s.faults.eotInLine = 3; });
    std::string got = line->transfer("DD");
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(got.back(), protocol::kEot);
    // The third line is cut by the EOT: two complete lines, then part of the third.
    sim::Lines lines = SplitLines(got.substr(0, got.size() - 1));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines.back().empty());
    EXPECT_FALSE(protocol::isEndMarkerLine(lines.back()));
}

TEST(SimFaults, HangUpAfterLines)
{
    auto line = WithFault([](sim::Settings& s) { s.faults.hangUpAfterLines = 5; });
    line->send("DT\r\n");
    std::string got = line->readQuiet(3000);
    EXPECT_TRUE(line->hungUp());
    EXPECT_EQ(SplitLines(got).size(), 5u);
    EXPECT_EQ(got.find(protocol::kEot), std::string::npos);
    EXPECT_TRUE(line->engine().hungUp());
}

TEST(SimFaults, PauseInsideALine)
{
    auto line = WithFault([](sim::Settings& s) {
        s.faults.pauseInLine = 2;
        s.pauseLength = std::chrono::milliseconds(1500);
    });
    line->send("DD\r\n");
    // The line stays incomplete while the device pauses, then the transfer goes on.
    std::string first = line->readQuiet(700);
    sim::Lines lines = SplitLines(first);
    ASSERT_EQ(lines.size(), 2u) << first;
    EXPECT_FALSE(lines.back().empty());
    std::string rest = line->readUntil(protocol::kEot);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back(), protocol::kEot);
}

// A device whose input is full stops the upload with XOFF after the given line, holds it, then
// lets the line go on with XON; the upload itself is kept whole.
TEST(SimFaults, XoffHeldAfterAnUploadLine)
{
    auto line = WithFault([](sim::Settings& s) {
        s.faults.xoffAfterLines = 2;
        s.xoffLength = std::chrono::milliseconds(300);
    });
    line->send("DE\r\nFIRST\r\n");
    EXPECT_EQ(line->readQuiet(300), "");
    line->send("SECOND\r\n");
    EXPECT_EQ(line->readUntil(protocol::kXoff), std::string(1, protocol::kXoff));
    EXPECT_EQ(line->readUntil(protocol::kXon), std::string(1, protocol::kXon));
    line->send("THIRD\r\nDATA END________\r\n");
    EXPECT_EQ(line->readQuiet(300), "");
    EXPECT_EQ(line->engine().storedData(), (sim::Lines{"FIRST", "SECOND", "THIRD", "DATA END________"}));
}

TEST(SimFaults, XoffOptionsAreReadAndListed)
{
    sim::Options options;
    std::string error;
    ASSERT_TRUE(sim::parseOptions({"--xoff-after", "7", "--xoff-ms", "2500"}, options, error)) << error;
    EXPECT_EQ(options.settings.faults.xoffAfterLines, 7);
    EXPECT_EQ(options.settings.xoffLength, std::chrono::milliseconds(2500));
    EXPECT_FALSE(sim::parseOptions({"--xoff-after", "0"}, options, error));
    EXPECT_FALSE(sim::parseOptions({"--xoff-ms"}, options, error));
    EXPECT_NE(sim::usageText().find("--xoff-after N"), std::string::npos);
    EXPECT_NE(sim::usageText().find("--xoff-ms MS"), std::string::npos);
}
