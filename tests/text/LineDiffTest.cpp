// The line diff: common lines on one row each, a changed line beside its new version, lines of
// one side beside a gap, and never fewer common lines than there can be.
#include "LineDiff.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// One letter a line.
QStringList Lines(const std::string& letters)
{
    QStringList lines;
    for (char c : letters)
        lines << QString(QLatin1Char(c));
    return lines;
}

// Each row as "left=right" for common lines, "left|right" where they differ, "." for a gap.
std::string Render(const std::vector<CDiffRow>& rows, const QStringList& left, const QStringList& right)
{
    std::string text;
    for (const CDiffRow& row : rows) {
        text += text.empty() ? "" : " ";
        text += row.nLeft >= 0 ? left.at(row.nLeft).toStdString() : ".";
        text += row.bSame ? "=" : "|";
        text += row.nRight >= 0 ? right.at(row.nRight).toStdString() : ".";
    }
    return text;
}

int LongestCommon(const QStringList& a, const QStringList& b)
{
    std::vector<std::vector<int>> table(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        for (qsizetype j = b.size() - 1; j >= 0; --j)
            table[i][j] = a[i] == b[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
    }
    return table[0][0];
}

struct DiffCase {
    const char* name;
    const char* left;
    const char* right;
    const char* rows;
};

class LineDiffTest : public ::testing::TestWithParam<DiffCase> {};

TEST_P(LineDiffTest, AlignsTheSidesRowByRow)
{
    const DiffCase& c = GetParam();
    const QStringList left = Lines(c.left);
    const QStringList right = Lines(c.right);
    const std::vector<CDiffRow> rows = AlignLines(left, right);
    EXPECT_EQ(Render(rows, left, right), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineDiffTest,
    ::testing::Values(DiffCase{"BothEmpty", "", "", ""},
                      DiffCase{"Alike", "ABC", "ABC", "A=A B=B C=C"},
                      DiffCase{"LeftEmpty", "", "AB", ".|A .|B"},
                      DiffCase{"LineAdded", "AC", "ABC", "A=A .|B C=C"},
                      DiffCase{"LineRemoved", "ABC", "AC", "A=A B|. C=C"},
                      DiffCase{"ChangedLineBesideItsNewVersion", "ABC", "AXC", "A=A B|X C=C"},
                      DiffCase{"FirstAndLastChanged", "ABC", "XBY", "A|X B=B C|Y"},
                      DiffCase{"NothingInCommon", "AB", "C", "A|C B|."},
                      DiffCase{"MovedBlockKeepsTheLongerRun", "ABCDE", "DEABC", ".|D .|E A=A B=B C=C D|. E|."}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

TEST(LineDiff, KeepsEveryLineInOrderAndAsManyCommonLinesAsThereCanBe)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string a, b;
        const int letters = 1 + static_cast<int>(random() % 4);
        for (unsigned n = random() % 14; n > 0; --n)
            a += static_cast<char>('A' + random() % letters);
        for (unsigned n = random() % 14; n > 0; --n)
            b += static_cast<char>('A' + random() % letters);
        const QStringList left = Lines(a), right = Lines(b);
        int nextLeft = 0, nextRight = 0, common = 0;
        for (const CDiffRow& row : AlignLines(left, right)) {
            if (row.nLeft >= 0) {
                ASSERT_EQ(row.nLeft, nextLeft++) << a << " / " << b;
            }
            if (row.nRight >= 0) {
                ASSERT_EQ(row.nRight, nextRight++) << a << " / " << b;
            }
            if (row.bSame) {
                ASSERT_EQ(left[row.nLeft], right[row.nRight]) << a << " / " << b;
                ++common;
            }
        }
        ASSERT_EQ(nextLeft, left.size()) << a << " / " << b;
        ASSERT_EQ(nextRight, right.size()) << a << " / " << b;
        ASSERT_EQ(common, LongestCommon(left, right)) << a << " / " << b;
    }
}

}  // namespace
