#include "CompareWnd.h"

#include "DataView.h"
#include "SecondaryWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kCaption = "Compare captures - %1 with %2";
constexpr int kWidth = 1100;
constexpr int kHeight = 640;

}  // namespace

namespace {

CCompareLabels CaptureLabels(const QString& left, const QString& right)
{
    CCompareLabels labels;
    labels.strCaption = QString::fromLatin1(kCaption).arg(left, right);
    labels.strLeft = QStringLiteral("Older: ");
    labels.strRight = QStringLiteral("Newer: ");
    labels.strSame = QStringLiteral("The captures hold the same lines.");
    return labels;
}

}  // namespace

CCompareWnd::CCompareWnd(const CCompareSide& left, const CCompareSide& right, QWidget* parent)
    : CCompareWnd(left, right, CaptureLabels(left.strTitle, right.strTitle), parent)
{
}

CCompareWnd::CCompareWnd(const CCompareSide& left, const CCompareSide& right, const CCompareLabels& labels,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_labels(labels), m_pLeft(new CDataView(this)), m_pRight(new CDataView(this)),
      m_pFocusSide(m_pLeft)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(labels.strCaption);
    const CDataComparison comparison = CompareData(left.data, right.data, labels.bIgnoreEmptyEnd);
    m_rows = comparison.rows;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].bSame && (i == 0 || m_rows[i - 1].bSame))
            m_differenceStarts.push_back(static_cast<int>(i));
    }
    Fill(m_pLeft, comparison.left, &CDiffRow::nLeft);
    Fill(m_pRight, comparison.right, &CDiffRow::nRight);
    ScrollTogether();

    auto* sides = new QHBoxLayout;
    sides->addWidget(MakeSide(labels.strLeft + left.strTitle, m_pLeft));
    sides->addWidget(MakeSide(labels.strRight + right.strTitle, m_pRight));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeHeader());
    m_pNote = new QLabel(labels.strNote, this);
    m_pNote->setWordWrap(true);
    m_pNote->setVisible(!labels.strNote.isEmpty());
    layout->addWidget(m_pNote);
    layout->addLayout(sides, 1);
    framework::PrepareSecondaryWindow(this, QSize(kWidth, kHeight));
}

QWidget* CCompareWnd::MakeHeader()
{
    auto* header = new QWidget(this);
    m_pSummary = new QLabel(Summary(), header);
    auto* previous = new QPushButton(QStringLiteral("&Previous difference"), header);
    auto* next = new QPushButton(QStringLiteral("&Next difference"), header);
    previous->setEnabled(!m_differenceStarts.empty());
    next->setEnabled(!m_differenceStarts.empty());
    connect(previous, &QPushButton::clicked, this, [this] { OnNextDifference(true); });
    connect(next, &QPushButton::clicked, this, [this] { OnNextDifference(); });
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_pSummary, 1);
    row->addWidget(previous);
    row->addWidget(next);
    return header;
}

QWidget* CCompareWnd::MakeSide(const QString& title, CDataView* view)
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(title, box));
    column->addWidget(view, 1);
    return box;
}

QString CCompareWnd::Summary() const
{
    const int differing = CountDifferences(m_rows);
    if (differing == 0)
        return m_labels.strSame;
    return differing == 1 ? QStringLiteral("1 line differs") : QStringLiteral("%L1 lines differ").arg(differing);
}

// One side's rows: its line, or an empty unnumbered row where only the other side has one.
void CCompareWnd::Fill(CDataView* view, const QStringList& lines, int CDiffRow::*line)
{
    QStringList texts;
    std::vector<int> numbers;
    for (const CDiffRow& row : m_rows) {
        const int index = row.*line;
        texts << (index >= 0 ? lines.at(index) : QString());
        numbers.push_back(index + 1);
    }
    view->SetLines(texts, std::move(numbers));
    // A line only one capture has (or its version of a changed line), and the gap beside it.
    const CDataView::RowMark own = line == &CDiffRow::nLeft ? CDataView::kMarkOlder : CDataView::kMarkNewer;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].bSame)
            view->MarkRow(static_cast<int>(i), m_rows[i].*line >= 0 ? own : CDataView::kMarkGap);
    }
}

// The rows stand at the same height on both sides, so the sides scroll as one, whatever scrolls
// one of them: its scroll bars, the wheel, and the keys, whose moves the text field makes with
// its scroll bar's signals blocked and tells only as a scroll of its contents. Both sides keep
// a horizontal scroll bar, so that their text areas are equally high and reach the same last row.
void CCompareWnd::ScrollTogether()
{
    for (CDataView* view : {m_pLeft, m_pRight}) {
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view->installEventFilter(this);
    }
    Follow(m_pLeft, m_pRight);
    Follow(m_pRight, m_pLeft);
}

void CCompareWnd::Follow(CDataView* leader, CDataView* follower)
{
    const auto align = [leader, follower] {
        follower->verticalScrollBar()->setValue(leader->verticalScrollBar()->value());
        follower->horizontalScrollBar()->setValue(leader->horizontalScrollBar()->value());
    };
    connect(leader->verticalScrollBar(), &QScrollBar::valueChanged, follower, align);
    connect(leader->horizontalScrollBar(), &QScrollBar::valueChanged, follower, align);
    connect(leader, &QPlainTextEdit::updateRequest, follower, [align](const QRect&, int dy) {
        if (dy != 0)
            align();
    });
}

bool CCompareWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == m_pLeft || watched == m_pRight))
        m_pFocusSide = static_cast<CDataView*>(watched);
    return QWidget::eventFilter(watched, event);
}

void CCompareWnd::OnNextDifference(bool backward)
{
    if (m_differenceStarts.empty())
        return;
    const int current = m_pFocusSide->textCursor().blockNumber();
    int target;
    if (backward) {
        const auto it = std::lower_bound(m_differenceStarts.begin(), m_differenceStarts.end(), current);
        target = it == m_differenceStarts.begin() ? m_differenceStarts.back() : *std::prev(it);
    } else {
        const auto it = std::upper_bound(m_differenceStarts.begin(), m_differenceStarts.end(), current);
        target = it == m_differenceStarts.end() ? m_differenceStarts.front() : *it;
    }
    for (CDataView* view : {m_pLeft, m_pRight}) {
        view->setTextCursor(QTextCursor(view->document()->findBlockByNumber(target)));
        view->centerCursor();
    }
}
