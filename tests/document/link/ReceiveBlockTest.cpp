// How a receive turns the device's reads into buffer lines and how it ends: EOT, silence and
// the full buffer, with the exact data, size, counters and state each leaves.
#include "LinkFixture.h"
#include "WaitUntil.h"

#include "v24.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int32_t kCapacity = CKorvaDoc::kDataCapacity;

std::string Letters(size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += static_cast<char>('A' + i % 26);
    return text;
}

// A scripted far end may put a CR after its EOT: the read then returns at once instead of
// waiting out the time-out, and the document discards what follows an EOT anyway.
struct EotCase {
    const char* name;
    std::string wire;
    std::string data;
    int32_t lineCount;
    std::string lastRead;
    friend void PrintTo(const EotCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveEotTest : public LinkTest, public ::testing::WithParamInterface<EotCase> {};

TEST_P(ReceiveEotTest, EndsInStateOneWithTheseData)
{
    const EotCase& c = GetParam();
    doc->OpenLink();
    device.send(c.wire);

    const std::vector<int32_t> results = ReceiveAll();

    EXPECT_EQ(results, std::vector<int32_t>(static_cast<size_t>(c.lineCount), 1));
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_EQ(Data(*doc), c.data);
    EXPECT_EQ(doc->GetLineCount(), c.lineCount);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(doc->m_nRxLines, 0);
    EXPECT_EQ(RxArea(), c.lastRead);
    EXPECT_TRUE(doc->IsModified()) << "captured data must not be replaced unasked";
}

const std::string k600 = Letters(600);

INSTANTIATE_TEST_SUITE_P(Link, ReceiveEotTest, ::testing::Values(
    EotCase{"EotFirstInItsReadEndsWithThePreviousLinesCr", "AB\r\x04\r", "AB\r", 2, "\x04"},
    EotCase{"EotAfterLfEndsLikeEotFirst", "AB\r\n\x04\r", "AB\r", 2, "\n\x04"},
    EotCase{"EotAfterCharactersKeepsThemWithoutCrAndDropsTheRest", "AB\r\nCD\x04" "EF\r",
            "AB\rCD", 2, "\nCD\x04" "EF"},
    EotCase{"Byte84IsStoredAs04AndEndsNothing", "A\x84" "B\r\x04\r", "A\x04" "B\r", 2, "\x04"},
    EotCase{"Byte8AIsDroppedLikeLf", "A\x8A" "B\r\x04\r", "AB\r", 2, "\x04"},
    EotCase{"Byte8DIsStoredAsCrWithinTheLine", "A\x8D" "B\r\x04\r", "A\rB\r", 2, "\x04"},
    EotCase{"EighthBitIsCleared", "\xC1\xE2\r\x04\r", "Ab\r", 2, "\x04"},
    EotCase{"DeviceLineOf600ArrivesAsTwoBufferLines", k600 + "\r\n\x04\r",
            k600.substr(0, 500) + "\r" + k600.substr(500) + "\r", 3, "\n\x04"}),
    [](const ::testing::TestParamInfo<EotCase>& info) { return std::string(info.param.name); });

// The device sends no CR after its EOT: the read ends with the EOT itself, and no later read
// waits out the time-out for a CR that never comes.
TEST_F(LinkTest, EotWithoutACrBehindItEndsTheReadAtOnce)
{
    doc->OpenLink();
    doc->SetTransferState(kStateReceiving);
    device.send("AB\r\n\x04");
    ASSERT_TRUE(WaitUntil([this] { return PortQueueCount(doc->m_hPort, PORT_INPUT) == 5; }));

    EXPECT_EQ(doc->PollReceive(0), 1);
    EXPECT_EQ(doc->PollReceive(0), 1);
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_EQ(Data(*doc), "AB\r");
    EXPECT_EQ(RxArea(), "\n\x04");
}

TEST_F(LinkTest, PauseLongerThanTheTimeOutSplitsALine)
{
    doc->OpenLink();
    // Halfway between the end of the first read (one time-out after "ABC") and the end of the
    // second read's wait (two time-outs).
    device.play({{"ABC", 1500}, {"DEF\r\x04\r", 0}});

    EXPECT_EQ(ReceiveAll(), (std::vector<int32_t>{1, 1, 1}));
    device.finish();
    EXPECT_EQ(doc->GetTransferState(), kStateCaptured);
    EXPECT_EQ(Data(*doc), "ABC\rDEF\r");
}

// Silence ends a receive on the empty read that finds the countdown at 0; the tests start
// there so that one time-out does. The size leaves out the CR of the last line.
struct SilenceCase {
    const char* name;
    std::string wire;
    std::vector<int32_t> results;
    int32_t state;
    std::string data;
    friend void PrintTo(const SilenceCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveSilenceTest : public LinkTest, public ::testing::WithParamInterface<SilenceCase> {};

TEST_P(ReceiveSilenceTest, EndsWithThisStateAndData)
{
    const SilenceCase& c = GetParam();
    doc->OpenLink();
    doc->m_nDataSize = 20;  // data loaded before stay valid only if lines come
    CKorvaDoc::s_nIdleCountdown = 0;
    device.send(c.wire);

    EXPECT_EQ(ReceiveAll(), c.results);
    EXPECT_EQ(doc->GetTransferState(), c.state);
    EXPECT_EQ(Data(*doc), c.data);
    EXPECT_EQ(CKorvaDoc::s_nIdleCountdown, 3);
    EXPECT_EQ(doc->m_nRxLines, 0);
    EXPECT_EQ(doc->IsModified(), c.state == 2) << "only lines received count as captured data";
}

INSTANTIATE_TEST_SUITE_P(Link, ReceiveSilenceTest, ::testing::Values(
    SilenceCase{"BeforeAnyLineGivesState15AndNoData", "", {1}, 15, ""},
    SilenceCase{"AfterCrLinesLeavesOutTheLastCr", "AB\rCD\r", {1, 1, 1}, 2, "AB\rCD"},
    // The LF after the last CR arrives as a read of its own and adds an empty line.
    SilenceCase{"AfterCrLfLinesKeepsTheLastLinesCr", "AB\r\nCD\r\n", {1, 1, 1, 1}, 2, "AB\rCD\r"}),
    [](const ::testing::TestParamInfo<SilenceCase>& info) { return std::string(info.param.name); });

TEST_F(LinkTest, IdleCountdownRunsAcrossReceivesAndOnlyASilenceEndResetsIt)
{
    doc->OpenLink();
    EXPECT_EQ(ReceiveAll(2), (std::vector<int32_t>{0, 0}));
    device.send("A\r\x04\r");
    EXPECT_EQ(ReceiveAll(), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(CKorvaDoc::s_nIdleCountdown, 1);

    doc->OpenLink();
    EXPECT_EQ(ReceiveAll(), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(doc->GetTransferState(), kStateNoDevice);
    EXPECT_EQ(CKorvaDoc::s_nIdleCountdown, 3);
}

// The buffer's last places: the receive starts with the cursor near the end, as if the data
// before had come already. A line that fills the buffer exactly stays without its CR.
struct LimitCase {
    const char* name;
    int32_t cursor;
    std::string wire;
    std::vector<int32_t> results;
    int32_t state;
    int32_t size;
    std::string tail;  // the data's last characters
    std::string lastRead;
    friend void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveLimitTest : public LinkTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ReceiveLimitTest, StoresNothingPastTheBuffer)
{
    const LimitCase& c = GetParam();
    // The one place after the receive's limit is kept for the empty line a load adds.
    doc->m_data[kCapacity] = '#';
    doc->OpenLink();
    doc->m_nDataSize = 1234;
    doc->m_nCursor = c.cursor;
    doc->m_nRxLines = 1;
    CKorvaDoc::s_nIdleCountdown = 0;
    device.send(c.wire);

    EXPECT_EQ(ReceiveAll(), c.results);
    EXPECT_EQ(doc->GetTransferState(), c.state);
    EXPECT_EQ(doc->m_nDataSize, c.size);
    EXPECT_EQ(std::string(doc->m_data + c.size - c.tail.size(), c.tail.size()), c.tail);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(RxArea(), c.lastRead);
    EXPECT_EQ(doc->m_data[kCapacity], '#');
}

INSTANTIATE_TEST_SUITE_P(Link, ReceiveLimitTest, ::testing::Values(
    LimitCase{"EotAfterTheCharactersThatFillTheBuffer", kCapacity - 10, "0123456789\x04\r",
              {1}, 1, kCapacity, "0123456789", "0123456789\x04"},
    LimitCase{"EotInTheReadAfterTheLineThatFillsTheBuffer", kCapacity - 10, "0123456789\r\n\x04\r",
              {1, 1}, 1, kCapacity, "0123456789", "\n\x04"},
    LimitCase{"SilenceAfterTheLineThatFillsTheBuffer", kCapacity - 10, "0123456789\r\n",
              {1, 1, 1}, 2, kCapacity, "0123456789", ""},
    LimitCase{"EotAfterALineWhoseCrFillsTheBuffer", kCapacity - 10, "012345678\r\x04\r",
              {1, 1}, 1, kCapacity, "012345678\r", "\x04"},
    LimitCase{"CharacterAfterTheLineThatFillsTheBufferOverflows", kCapacity - 10, "0123456789\r\nX\r",
              {1, CKorvaDoc::kBufferFull}, 0, 1234, "", "\nX"}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST_F(LinkTest, OverflowAbandonsTheReceiveAndKeepsThePreviousSize)
{
    constexpr int kLineChars = 399;  // with its CR a line takes 400 places: 1000 fill the buffer
    std::string wire;
    std::string stored;
    for (int i = 0; i <= 1000; ++i) {
        const std::string line(kLineChars, static_cast<char>('A' + i % 26));
        wire += line + "\r\n";
        if (i < 1000)
            stored += line + "\r";
    }
    doc->m_nDataSize = 1234;
    doc->OpenLink();
    device.play({{wire + "\x04\r", 0}});

    const std::vector<int32_t> results = ReceiveAll(1100);

    ASSERT_EQ(results.size(), 1001u);
    EXPECT_EQ(results.back(), -20);
    EXPECT_EQ(doc->GetTransferState(), kStateIdentified);
    EXPECT_EQ(doc->m_nDataSize, 1234);
    EXPECT_EQ(doc->m_nCursor, 0);
    EXPECT_EQ(doc->GetLineCount(), 0);
    EXPECT_EQ(doc->m_nRxLines, 0);
    EXPECT_TRUE(std::string(doc->m_data, kCapacity) == stored);
    EXPECT_EQ(RxArea(), "\n" + std::string(kLineChars, static_cast<char>('A' + 1000 % 26)));
}

}  // namespace
