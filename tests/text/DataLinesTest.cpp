// The data's lines: every line end a file may have, Latin-1 bytes, control characters made
// visible; and their count, which the history list, the viewers and the command line show.
#include "DataLines.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

struct LinesCase {
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

class DataLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(DataLinesTest, SplitsAtEveryLineEndAndShowsEveryByte)
{
    EXPECT_EQ(DataLines(GetParam().bytes), GetParam().lines);
}

// A file is counted in chunks: a CR LF cut between two of them is still one line end.
TEST_P(DataLinesTest, CountsAsManyLinesAsItShowsWhereverTheChunksEnd)
{
    const QByteArray& bytes = GetParam().bytes;
    EXPECT_EQ(CountDataLines(bytes.constData(), bytes.size()), GetParam().lines.size());
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        CLineCounter counter;
        counter.Add(bytes.constData(), cut);
        counter.Add(bytes.constData() + cut, bytes.size() - cut);
        EXPECT_EQ(counter.Lines(), GetParam().lines.size()) << "cut after " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataLinesTest,
    ::testing::Values(LinesCase{"Nothing", "", {}},
                      LinesCase{"WorkingStorageWithItsEmptyLastLine", "A4 440\rEND\r\r", {"A4 440", "END", ""}},
                      LinesCase{"DataFile", "A4 440\r\nEND\r\n", {"A4 440", "END"}},
                      LinesCase{"EditedWithLineFeeds", "A\nB\r\nC", {"A", "B", "C"}},
                      LinesCase{"OneLineWithoutLineEnd", "END________", {"END________"}},
                      LinesCase{"LineFeedBeforeCarriageReturn", "A\n\rB\r\n", {"A", "", "B"}},
                      LinesCase{"Latin1", "F\xfcr \xe9t\xe9\r", {QString::fromUtf8("Für été")}},
                      LinesCase{"ControlCharacters", "\x04" "EOT\tTAB\x7f\r", {"^DEOT\tTAB^?"}}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

}  // namespace
