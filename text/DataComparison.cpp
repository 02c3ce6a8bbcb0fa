#include "DataComparison.h"

#include "DataLines.h"

namespace {

QStringList LinesOf(const QByteArray& bytes, bool ignoreEmptyEnd)
{
    QStringList lines = DataLines(bytes);
    while (ignoreEmptyEnd && !lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

}  // namespace

CDataComparison CompareData(const QByteArray& left, const QByteArray& right, bool ignoreEmptyEnd)
{
    CDataComparison comparison;
    comparison.left = LinesOf(left, ignoreEmptyEnd);
    comparison.right = LinesOf(right, ignoreEmptyEnd);
    comparison.rows = AlignLines(comparison.left, comparison.right);
    comparison.nDiffering = CountDifferences(comparison.rows);
    for (size_t i = 0; i < comparison.rows.size() && comparison.nFirstDifference < 0; ++i) {
        if (!comparison.rows[i].bSame)
            comparison.nFirstDifference = static_cast<int>(i);
    }
    return comparison;
}
