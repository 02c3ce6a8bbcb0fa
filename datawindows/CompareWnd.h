#pragma once
// Two captures side by side, the older on the left, aligned line by line: common lines stand
// on one row, a changed line beside its new version, and a line only one side has beside a
// gap. Every row on which they differ is marked, and a summary says how many there are; this
// answers what changed on the device between two downloads.
#include "DataComparison.h"

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

// What the window says of the sides; the captures' comparison has its own (CaptureLabels).
struct CCompareLabels {
    QString strCaption;
    QString strLeft;   // above each side, before its title
    QString strRight;
    QString strSame;   // the summary when no line differs
    QString strNote;   // a line below the summary; empty for none
    bool bIgnoreEmptyEnd = false;  // CompareData's
};

class CCompareWnd : public QWidget {
public:
    // Two captures: the older on the left.
    CCompareWnd(const CCompareSide& left, const CCompareSide& right, QWidget* parent);
    CCompareWnd(const CCompareSide& left, const CCompareSide& right, const CCompareLabels& labels, QWidget* parent);

    // The two sides, as the tests look at them.
    CDataView* LeftView() const { return m_pLeft; }
    CDataView* RightView() const { return m_pRight; }
    QString Summary() const;

    // Centres the first row of the next (or previous) place where the sides differ, counted
    // from the cursor of the side that has (or last had) the focus.
    void OnNextDifference(bool backward = false);

protected:
    // Notes which side the focus went to.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakeSide(const QString& title, CDataView* view);
    QWidget* MakeHeader();
    void Fill(CDataView* view, const QStringList& lines, int CDiffRow::*line);
    void ScrollTogether();
    void Follow(CDataView* leader, CDataView* follower);

    CCompareLabels m_labels;
    std::vector<CDiffRow> m_rows;
    // The rows where runs of differing rows begin.
    std::vector<int> m_differenceStarts;
    CDataView* m_pLeft;
    CDataView* m_pRight;
    CDataView* m_pFocusSide;
    QLabel* m_pSummary;
    QLabel* m_pNote;
};
