// What the library tells a program that records the line: the bytes as they pass the port
// (the tap) and the receive errors counted by kind.
#include "v24_test_util.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace v24test;

namespace {

struct Passed {
    int32_t handle;
    int32_t direction;
    std::string bytes;
};

std::vector<Passed> g_passed;

void Record(void* context, int32_t handle, int32_t direction, const void* data, uint32_t n)
{
    auto* passed = static_cast<std::vector<Passed>*>(context);
    passed->push_back({handle, direction, std::string(static_cast<const char*>(data), n)});
}

// All bytes of one direction, in the order they passed.
std::string Joined(int32_t direction)
{
    std::string all;
    for (const Passed& p : g_passed)
        if (p.direction == direction)
            all += p.bytes;
    return all;
}

class TapTest : public FakeTest {
protected:
    void SetUp() override
    {
        FakeTest::SetUp();
        g_passed.clear();
        PortSetTap(Record, &g_passed);
    }
};

} // namespace

TEST_F(TapTest, SeesReceivedBytesAsTakenFromTheDriverPurgedOnesIncluded)
{
    int32_t h = openCom1();
    line->feed("AB\rCD");
    char buf[8];
    ASSERT_EQ(PortReadLine(h, buf, 7, 13), 2);
    // One refill took all five bytes, the CR the read consumed and the rest it left.
    ASSERT_EQ(g_passed.size(), 1u);
    EXPECT_EQ(g_passed[0].handle, h);
    EXPECT_EQ(g_passed[0].direction, PORT_TAP_RECEIVED);
    EXPECT_EQ(g_passed[0].bytes, "AB\rCD");
    EXPECT_EQ(PortPurge(h, PORT_INPUT), 0);
    line->feed(std::string("E\0F", 3));
    EXPECT_EQ(PortReadChar(h), 'E');
    EXPECT_EQ(Joined(PORT_TAP_RECEIVED), std::string("AB\rCDE\0F", 8));
}

TEST_F(TapTest, SeesOnlyWhatTheDriverAcceptedForSending)
{
    int32_t h = openCom1();
    EXPECT_EQ(PortWriteString(h, "DA"), 2);
    EXPECT_EQ(PortWriteChar(h, 13), 0);
    line->takeOutput();
    line->setWriteCapacity(3);
    EXPECT_EQ(PortWriteBlockPart(h, "LINE\r\n", 6), 3);
    EXPECT_EQ(Joined(PORT_TAP_SENT), "DA\rLIN");
    EXPECT_EQ(Joined(PORT_TAP_RECEIVED), "");
    PortSetTap(nullptr, nullptr);
    line->setWriteCapacity(static_cast<size_t>(-1));
    EXPECT_EQ(PortWriteString(h, "X"), 1);
    EXPECT_EQ(Joined(PORT_TAP_SENT), "DA\rLIN");
}

TEST_F(PtyTest, TapSeesALineReadFromAPseudoTerminal)
{
    g_passed.clear();
    PortSetTap(Record, &g_passed);
    pty.send("VEQ-32-C\r\n");
    char buf[32];
    EXPECT_EQ(PortReadLine(h, buf, 31, 13), 8);
    ASSERT_TRUE(WaitUntil([&] {
        PortPeekChar(h);
        return Joined(PORT_TAP_RECEIVED) == "VEQ-32-C\r\n";
    }));
    ASSERT_EQ(PortWriteString(h, "R\r\n"), 3);
    EXPECT_EQ(Joined(PORT_TAP_SENT), "R\r\n");
}

TEST_F(FakeTest, LineErrorsAreCountedByKindAndClearedWithTheirBits)
{
    struct Row {
        const char* what;
        std::function<void(v24::FakeLine&)> errors;
        int32_t bits;
        PortLineErrorCounts counts;
    } rows[] = {
        {"counted by the driver", [](v24::FakeLine& l) { l.addCountedErrors(0, 3, 1); },
         PORT_LE_PARITY | PORT_LE_FRAMING, {0, 3, 1}},
        {"counts of two queries add up", [](v24::FakeLine& l) {
             l.addCountedErrors(2, 0, 0);
             l.addErrors(0);
             l.addCountedErrors(1, 1, 0);
         }, PORT_LE_OVERRUN | PORT_LE_PARITY, {3, 1, 0}},
        {"a driver without counts counts each kind once",
         [](v24::FakeLine& l) { l.addErrors(v24::kErrParity | v24::kErrRxOver | v24::kErrBreak); },
         PORT_LE_PARITY | PORT_LE_OVERRUN, {1, 1, 0}},
        {"none", [](v24::FakeLine&) {}, 0, {0, 0, 0}},
    };
    int32_t h = openCom1();
    for (const Row& r : rows) {
        r.errors(*line);
        // A read merges what the driver reports as well as the query does.
        PortQueueCount(h, PORT_INPUT);
        PortLineErrorCounts counts{9, 9, 9};
        EXPECT_EQ(PortGetLineErrorCounts(h, &counts), r.bits) << r.what;
        EXPECT_EQ(counts.overrun, r.counts.overrun) << r.what;
        EXPECT_EQ(counts.parity, r.counts.parity) << r.what;
        EXPECT_EQ(counts.framing, r.counts.framing) << r.what;
        EXPECT_EQ(PortGetLineErrorCounts(h, &counts), 0) << r.what;
        EXPECT_EQ(counts.parity + counts.framing + counts.overrun, 0u) << r.what;
    }
}

TEST_F(FakeTest, LineErrorCountsGoWithTheBitsAndSurviveAReopen)
{
    int32_t h = openCom1();
    line->addCountedErrors(0, 2, 0);
    PortQueueCount(h, PORT_INPUT);
    // Reading the bits alone takes the counts with them.
    EXPECT_EQ(PortGetLineErrors(h), PORT_LE_PARITY);
    PortLineErrorCounts counts{};
    EXPECT_EQ(PortGetLineErrorCounts(h, &counts), 0);
    EXPECT_EQ(counts.parity, 0u);

    line->addCountedErrors(0, 0, 4);
    PortQueueCount(h, PORT_INPUT);
    ASSERT_EQ(PortClose(h), 0);
    h = openCom1();
    EXPECT_EQ(PortGetLineErrorCounts(h, nullptr), PORT_LE_FRAMING);
    line->addCountedErrors(0, 0, 4);
    PortQueueCount(h, PORT_INPUT);
    EXPECT_EQ(PortGetLineErrorCounts(h, &counts), PORT_LE_FRAMING);
    EXPECT_EQ(counts.framing, 4u);
}
