// The viewer's lines: every line end a file may have, Latin-1 bytes, control characters made
// visible.
#include "DataView.h"

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

INSTANTIATE_TEST_SUITE_P(
    Cases, DataLinesTest,
    ::testing::Values(LinesCase{"Nothing", "", {}},
                      LinesCase{"WorkingStorageWithItsEmptyLastLine", "A4 440\rEND\r\r", {"A4 440", "END", ""}},
                      LinesCase{"DataFile", "A4 440\r\nEND\r\n", {"A4 440", "END"}},
                      LinesCase{"EditedWithLineFeeds", "A\nB\r\nC", {"A", "B", "C"}},
                      LinesCase{"Latin1", "F\xfcr \xe9t\xe9\r", {QString::fromUtf8("Für été")}},
                      LinesCase{"ControlCharacters", "\x04" "EOT\tTAB\x7f\r", {"^DEOT\tTAB^?"}}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

}  // namespace
