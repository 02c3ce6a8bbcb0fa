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

// One of the two searches of the middle snake over n lines of a and m lines of b, from a corner
// of its own: a and b point at the corner's lines and step says which way the search goes. x
// counts lines of a from the corner, y lines of b, and k = x - y is the diagonal.
class CSearch {
public:
    CSearch(const int* a, const int* b, int step, int n, int m)
        : m_pA(a), m_pB(b), m_nStep(step), m_nA(n), m_nB(m), m_nOffset((n + m + 1) / 2),
          m_furthest(static_cast<size_t>(2 * m_nOffset + 2), -1)
    {
        m_furthest[static_cast<size_t>(m_nOffset + 1)] = 0;
    }

    // The furthest x reached on diagonal k; -1 where the search has not been.
    int X(int k) const { return m_furthest[static_cast<size_t>(m_nOffset + k)]; }

    // Round d: every diagonal steps one difference further and then follows equal lines. With
    // other given, true with *met the diagonal on which this search reached the other one.
    bool Round(int d, const CSearch* other, int* met)
    {
        const int delta = m_nA - m_nB;
        for (int k = -d + m_nTrimLow; k <= d - m_nTrimHigh; k += 2) {
            int x = (k == -d || (k != d && X(k - 1) < X(k + 1))) ? X(k + 1) : X(k - 1) + 1;
            int y = x - k;
            while (x < m_nA && y < m_nB && m_pA[m_nStep * x] == m_pB[m_nStep * y]) {
                ++x;
                ++y;
            }
            m_furthest[static_cast<size_t>(m_nOffset + k)] = x;
            if (x > m_nA) {
                m_nTrimHigh += 2;  // past the end of a: the diagonals from here up are done
            } else if (y > m_nB) {
                m_nTrimLow += 2;  // past the end of b: the diagonals from here down are done
            } else if (other && other->Reaches(delta - k) && x + other->X(delta - k) >= m_nA) {
                *met = k;
                return true;
            }
        }
        return false;
    }

private:
    bool Reaches(int k) const
    {
        const int i = m_nOffset + k;
        return i >= 0 && i < static_cast<int>(m_furthest.size()) && m_furthest[static_cast<size_t>(i)] != -1;
    }

    const int* m_pA;
    const int* m_pB;
    int m_nStep;
    int m_nA;
    int m_nB;
    int m_nOffset;
    std::vector<int> m_furthest;
    int m_nTrimLow = 0;
    int m_nTrimHigh = 0;
};

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
        const int delta = n - m;
        CSearch forward(&m_a[aLo], &m_b[bLo], 1, n, m);
        CSearch backward(&m_a[aHi - 1], &m_b[bHi - 1], -1, n, m);
        // With an odd difference in length the forward search meets the backward one, else the reverse.
        const bool forwardMeets = delta % 2 != 0;
        // Either way the meeting point is where the forward search reached it on its diagonal k;
        // the backward search's diagonal k is the forward one's delta - k.
        const auto forwardPoint = [&](int k) { return Match{aLo + forward.X(k), bLo + forward.X(k) - k}; };
        for (int d = 0; d < (n + m + 1) / 2; ++d) {
            int k = 0;
            if (forward.Round(d, forwardMeets ? &backward : nullptr, &k))
                return forwardPoint(k);
            if (backward.Round(d, forwardMeets ? nullptr : &forward, &k))
                return forwardPoint(delta - k);
        }
        return {-1, -1};
    }

    const Lines& m_a;
    const Lines& m_b;
    std::vector<Match> m_matches;
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
