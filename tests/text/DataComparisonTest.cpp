// Two sets of the device's data compared as a comparison window and `korva --verify` report it.
#include "DataComparison.h"

#include <gtest/gtest.h>

TEST(DataComparison, CountsTheDifferingRowsAndFindsTheFirst)
{
    struct Row {
        const char* what;
        QByteArray left;
        QByteArray right;
        bool ignoreEmptyEnd;
        int differing;
        int first;
    } rows[] = {
        {"the same", "A\r\nB\r\nEND\r\n", "A\r\nB\r\nEND\r\n", false, 0, -1},
        {"line ends do not count", "A\r\nB\r\n", "A\rB\r", false, 0, -1},
        {"a changed line", "A\r\nT12 WERCKMEISTER V\r\nEND\r\n", "A\r\nT12 WERCK\r\nEND\r\n", false, 1, 1},
        {"a line split in two", "A\r\nT12 WERCKMEISTER V\r\nEND\r\n", "A\r\nT12 WERCK\r\nMEISTER V\r\nEND\r\n", false, 2,
         1},
        {"a loaded file's empty last line", "A\r\nEND\r\n\r\n", "A\r\nEND\r\n", true, 0, -1},
        {"the empty line counts unless told", "A\r\nEND\r\n\r\n", "A\r\nEND\r\n", false, 1, 2},
        {"a line missing at the end", "A\r\nB\r\n", "A\r\n", true, 1, 1},
    };
    for (const Row& r : rows) {
        const CDataComparison c = CompareData(r.left, r.right, r.ignoreEmptyEnd);
        EXPECT_EQ(c.nDiffering, r.differing) << r.what;
        EXPECT_EQ(c.nFirstDifference, r.first) << r.what;
    }
    const CDataComparison split = CompareData("T12 WERCKMEISTER V\r\n", "T12 WERCK\r\nMEISTER V\r\n");
    ASSERT_EQ(split.rows.size(), 2u);
    EXPECT_EQ(split.left.at(split.rows[0].nLeft), QStringLiteral("T12 WERCKMEISTER V"));
    EXPECT_EQ(split.right.at(split.rows[0].nRight), QStringLiteral("T12 WERCK"));
}
