// Sending the buffer line by line: what goes on the wire for each kind of data, and what a
// failed write leaves behind.
#include "LinkFixture.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct UploadCase {
    std::string name;
    std::string data;
    std::string wire;
    int lines;  // calls that answer true
    friend void PrintTo(const UploadCase& c, std::ostream* os) { *os << c.name; }
};

class UploadTest : public LinkTest, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(UploadTest, SendsEveryCompleteLineWholeThenAnswersFalse)
{
    const UploadCase& c = GetParam();
    doc->OpenLink();
    SetData(*doc, c.data);

    int lines = 0;
    while (lines <= c.lines && doc->SendNextLine()) {
        EXPECT_EQ(doc->GetLastWriteResult(), 0);
        ++lines;
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(doc->GetLastWriteResult(), 0);
    EXPECT_EQ(doc->m_nCursor, doc->m_nDataSize + 1);
    // What follows the command is the command itself: nothing else went out after the lines.
    doc->SendCommand("Z");
    EXPECT_EQ(device.receive(c.wire.size() + 3), c.wire + "Z\r\n");
}

std::string Line(size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

// A long line with the eighth bit set on every other character: it goes out cleared.
std::string NoisyLine(size_t length)
{
    std::string text = Line(length);
    for (size_t i = 1; i < length; i += 2)
        text[i] = static_cast<char>(text[i] | 0x80);
    return text;
}

std::vector<UploadCase> UploadCases()
{
    std::vector<UploadCase> cases = {
        {"EmptyBuffer", "", "", 0},
        {"DataWithoutFinalCr", "AB\rCD\rEF", "AB\r\nCD\r\n", 2},
        {"EmptyLineBetweenLines", "L1\r\rL3\r", "L1\r\n\r\nL3\r\n", 3},
        {"Byte8DGoesOutAsCrWithinTheLine", "A\x8D" "B\r", "A\rB\r\n", 1},
        {"Byte80GoesOutAsNulWithinTheLine", "A\x80" "B\r", std::string("A\0B\r\n", 5), 1},
        {"Line1000WithEighthBitsArrivesWhole", NoisyLine(1000) + "\r", Line(1000) + "\r\n", 1},
    };
    // Lengths around the send buffer's 300 places, where a line is cut into pieces.
    for (size_t length : {298u, 299u, 300u, 301u, 600u})
        cases.push_back({"Line" + std::to_string(length) + "ThenShortLine", Line(length) + "\rXY\r",
                         Line(length) + "\r\nXY\r\n", 2});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Link, UploadTest, ::testing::ValuesIn(UploadCases()),
                         [](const ::testing::TestParamInfo<UploadCase>& info) { return info.param.name; });

TEST_F(LinkTest, WriteToADeviceThatWentAwayAnswers9AndClosesThePort)
{
    doc->OpenLink();
    SetData(*doc, "ABC\rDEF\r");
    device.hangUp();

    EXPECT_FALSE(doc->SendNextLine());
    EXPECT_EQ(doc->GetLastWriteResult(), -9);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_EQ(doc->m_nCursor, 0);

    doc->m_nDataSize = 0;
    EXPECT_FALSE(doc->SendNextLine());
    EXPECT_EQ(doc->GetLastWriteResult(), 0);
}

TEST_F(LinkTest, WriteOnAPortThatFailedToOpenAnswers19AndTheNextOpenLinkTriesAgain)
{
    const std::string path = dir.file("line");
    setenv("V24_COM1", path.c_str(), 1);
    doc->OpenLink();
    SetData(*doc, "ABC\r");

    EXPECT_FALSE(doc->SendNextLine());
    EXPECT_EQ(doc->GetLastWriteResult(), -19);
    EXPECT_EQ(doc->m_bPortOpen, 0);

    PtyFarEnd plugged("");
    std::filesystem::create_symlink(plugged.slavePath(), path);
    doc->OpenLink();
    EXPECT_TRUE(doc->SendNextLine());
    EXPECT_EQ(doc->GetLastWriteResult(), 0);
    EXPECT_EQ(plugged.receive(5), "ABC\r\n");
}

}  // namespace
