#pragma once
// Two sets of the device's data compared line by line (DataLines, AlignLines): what a
// comparison window shows and what `korva --verify` reports.
#include "LineDiff.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

struct CDataComparison {
    QStringList left;
    QStringList right;
    std::vector<CDiffRow> rows;
    int nDiffering = 0;  // rows on which the sides differ
    int nFirstDifference = -1;  // the first such row; -1 when they hold the same lines
};

// Compares the data as data files hold them. With ignoreEmptyEnd, empty lines at the end of
// either side do not count: data loaded from a file end with one that the device never sent.
CDataComparison CompareData(const QByteArray& left, const QByteArray& right, bool ignoreEmptyEnd = false);
