#pragma once
// Two texts' lines set side by side, so that a tuner sees what changed on the device between
// two downloads: the lines both have in common stand on one row each, and what differs stands
// between them. The common lines are as many as there can be (a longest common subsequence),
// found by Myers' O(ND) method in linear space: two all-data captures of some 6800 lines that
// differ in a few places are aligned at once, and two that have nothing in common need no
// table of N x M entries either.
#include <QStringList>

#include <vector>

// One row: a line of each side, or of one side only (-1 on the other). Lines removed and lines
// added at the same place share rows, so that a changed line stands beside its new version.
struct CDiffRow {
    int nLeft;
    int nRight;
    bool bSame;  // a common line
};

std::vector<CDiffRow> AlignLines(const QStringList& left, const QStringList& right);
// The rows on which the two sides differ.
int CountDifferences(const std::vector<CDiffRow>& rows);
