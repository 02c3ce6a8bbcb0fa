#include "LineDiff.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace {

using Lines = std::vector<int>;
using Match = std::pair<int, int>;

// Each distinct line becomes one number, so that lines compare in constant time.
void Number(const QStringList& left, const QStringList& right, Lines* a, Lines* b)
{
    QHash<QString, int> numbers;
    const auto numberOf = [&numbers](const QString& line) {
        auto it = numbers.constFind(line);
        if (it == numbers.constEnd())
            it = numbers.insert(line, static_cast<int>(numbers.size()));
        return it.value();
    };
    for (const QString& line : left)
        a->push_back(numberOf(line));
    for (const QString& line : right)
        b->push_back(numberOf(line));
}

// The common lines of a and b in order, as pairs of indices.
class CCommonLines {
public:
    CCommonLines(const Lines& a, const Lines& b) : m_a(a), m_b(b) {}

    std::vector<Match> Find()
    {
        Compare(0, static_cast<int>(m_a.size()), 0, static_cast<int>(m_b.size()));
        return std::move(m_matches);
    }

private:
    // Common ends are taken at once; the rest is split where an optimal path crosses its middle.
    void Compare(int aLo, int aHi, int bLo, int bHi)
    {
        for (; aLo < aHi && bLo < bHi && m_a[aLo] == m_b[bLo]; ++aLo, ++bLo)
            m_matches.emplace_back(aLo, bLo);
        int tail = 0;
        while (aLo < aHi - tail && bLo < bHi - tail && m_a[aHi - 1 - tail] == m_b[bHi - 1 - tail])
            ++tail;
        aHi -= tail;
        bHi -= tail;
        if (aLo < aHi && bLo < bHi) {
            const Match split = MiddleSnake(aLo, aHi, bLo, bHi);
            if (split.first >= 0) {
                Compare(aLo, split.first, bLo, split.second);
                Compare(split.first, aHi, split.second, bHi);
            }
        }
        for (int i = 0; i < tail; ++i)
            m_matches.emplace_back(aHi + i, bHi + i);
    }

    // Searches from both corners at once, one more difference per round, until the two
    // searches meet: the meeting point lies on a path with the fewest differences. {-1, -1}
    // when the ranges have no line in common.
    Match MiddleSnake(int aLo, int aHi, int bLo, int bHi)
    {
        const int n = aHi - aLo;
        const int m = bHi - bLo;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD;
        const int width = 2 * maxD + 2;
        // Furthest x reached on each diagonal k = x - y, from the start (m_forward) and from the end.
        m_forward.assign(static_cast<size_t>(width), -1);
        m_backward.assign(static_cast<size_t>(width), -1);
        m_forward[offset + 1] = 0;
        m_backward[offset + 1] = 0;
        const int delta = n - m;
        // With an odd difference in length the forward search meets the backward one, else the reverse.
        const bool forwardMeets = delta % 2 != 0;
        int k1Start = 0, k1End = 0, k2Start = 0, k2End = 0;
        for (int d = 0; d < maxD; ++d) {
            for (int k1 = -d + k1Start; k1 <= d - k1End; k1 += 2) {
                const int i = offset + k1;
                int x1 = (k1 == -d || (k1 != d && m_forward[i - 1] < m_forward[i + 1])) ? m_forward[i + 1]
                                                                                          : m_forward[i - 1] + 1;
                int y1 = x1 - k1;
                while (x1 < n && y1 < m && m_a[aLo + x1] == m_b[bLo + y1]) {
                    ++x1;
                    ++y1;
                }
                m_forward[i] = x1;
                if (x1 > n) {
                    k1End += 2;
                } else if (y1 > m) {
                    k1Start += 2;
                } else if (forwardMeets) {
                    const int j = offset + delta - k1;
                    if (j >= 0 && j < width && m_backward[j] != -1 && x1 >= n - m_backward[j])
                        return {aLo + x1, bLo + y1};
                }
            }
            for (int k2 = -d + k2Start; k2 <= d - k2End; k2 += 2) {
                const int i = offset + k2;
                int x2 = (k2 == -d || (k2 != d && m_backward[i - 1] < m_backward[i + 1])) ? m_backward[i + 1]
                                                                                           : m_backward[i - 1] + 1;
                int y2 = x2 - k2;
                while (x2 < n && y2 < m && m_a[aHi - 1 - x2] == m_b[bHi - 1 - y2]) {
                    ++x2;
                    ++y2;
                }
                m_backward[i] = x2;
                if (x2 > n) {
                    k2End += 2;
                } else if (y2 > m) {
                    k2Start += 2;
                } else if (!forwardMeets) {
                    const int j = offset + delta - k2;
                    if (j >= 0 && j < width && m_forward[j] != -1) {
                        const int x1 = m_forward[j];
                        if (x1 >= n - x2)
                            return {aLo + x1, bLo + x1 - (j - offset)};
                    }
                }
            }
        }
        return {-1, -1};
    }

    const Lines& m_a;
    const Lines& m_b;
    std::vector<Match> m_matches;
    std::vector<int> m_forward;
    std::vector<int> m_backward;
};

// The lines between two common ones: removed and added side by side, the rest alone.
void AddGap(std::vector<CDiffRow>& rows, int& i, int iEnd, int& j, int jEnd)
{
    while (i < iEnd || j < jEnd) {
        const int left = i < iEnd ? i++ : -1;
        const int right = j < jEnd ? j++ : -1;
        rows.push_back({left, right, false});
    }
}

}  // namespace

std::vector<CDiffRow> AlignLines(const QStringList& left, const QStringList& right)
{
    Lines a, b;
    Number(left, right, &a, &b);
    std::vector<CDiffRow> rows;
    int i = 0, j = 0;
    for (const Match& match : CCommonLines(a, b).Find()) {
        AddGap(rows, i, match.first, j, match.second);
        rows.push_back({i++, j++, true});
    }
    AddGap(rows, i, static_cast<int>(a.size()), j, static_cast<int>(b.size()));
    return rows;
}

int CountDifferences(const std::vector<CDiffRow>& rows)
{
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const CDiffRow& row) { return !row.bSame; }));
}
