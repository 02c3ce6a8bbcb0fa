#pragma once
// Two captures side by side, the older on the left, aligned line by line: common lines stand
// on one row, a changed line beside its new version, and a line only one side has beside a
// gap. Every row on which they differ is marked, and a summary says how many there are; this
// answers what changed on the device between two downloads.
#include "LineDiff.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class CDataView;

struct CCompareSide {
    QString strTitle;
    QByteArray data;  // as the file holds them
};

class CCompareWnd : public QWidget {
public:
    CCompareWnd(const CCompareSide& left, const CCompareSide& right, QWidget* parent);

    // The two sides, as the tests look at them.
    CDataView* LeftView() const { return m_pLeft; }
    CDataView* RightView() const { return m_pRight; }
    QString Summary() const;

    // Puts the first row of the next (or previous) place where the sides differ at the top.
    void OnNextDifference(bool backward = false);

private:
    QWidget* MakeSide(const QString& title, CDataView* view);
    QWidget* MakeHeader();
    void Fill(CDataView* view, const QStringList& lines, int CDiffRow::*line);
    void ScrollTogether();

    std::vector<CDiffRow> m_rows;
    // The rows where runs of differing rows begin.
    std::vector<int> m_differenceStarts;
    CDataView* m_pLeft;
    CDataView* m_pRight;
    QLabel* m_pSummary;
};
