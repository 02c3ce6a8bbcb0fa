#include "DataView.h"

#include <QByteArray>
#include <QPaintEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

#include <algorithm>

namespace {

constexpr int kNumberMargin = 6;

}  // namespace

class CDataView::CLineNumbers : public QWidget {
public:
    explicit CLineNumbers(CDataView* view) : QWidget(view), m_pView(view) {}
    QSize sizeHint() const override { return QSize(m_pView->NumberWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { m_pView->PaintNumbers(event); }

private:
    CDataView* m_pView;
};

CDataView::CDataView(QWidget* parent) : QPlainTextEdit(parent), m_pNumbers(new CLineNumbers(this))
{
    setReadOnly(true);
    // Selected text can still be copied; the cursor shows where a search goes on from.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(NumberWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0)
            m_pNumbers->scroll(0, dy);
        else
            m_pNumbers->update(0, rect.y(), m_pNumbers->width(), rect.height());
    });
    setViewportMargins(NumberWidth(), 0, 0, 0);
}

void CDataView::SetLines(const QStringList& lines)
{
    SetLines(lines, {});
}

void CDataView::SetLines(const QStringList& lines, std::vector<int> numbers)
{
    m_rowNumbers = std::move(numbers);
    setPlainText(lines.join(QLatin1Char('\n')));
    setViewportMargins(NumberWidth(), 0, 0, 0);
}

void CDataView::MarkRow(int row, const QColor& colour)
{
    QTextCursor cursor(document()->findBlockByNumber(row));
    QTextBlockFormat format = cursor.blockFormat();
    format.setBackground(colour);
    cursor.setBlockFormat(format);
}

bool CDataView::IsMarked(int row) const
{
    return document()->findBlockByNumber(row).blockFormat().hasProperty(QTextFormat::BackgroundBrush);
}

bool CDataView::Find(const QString& text, bool backward)
{
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (find(text, flags))
        return true;
    const QTextCursor from = textCursor();
    moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (find(text, flags))
        return true;
    setTextCursor(from);
    return false;
}

void CDataView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_pNumbers->setGeometry(QRect(area.left(), area.top(), NumberWidth(), area.height()));
}

int CDataView::NumberWidth() const
{
    int largest = blockCount();
    for (int number : m_rowNumbers)
        largest = std::max(largest, number);
    const int digits = static_cast<int>(QString::number(largest).size());
    return 2 * kNumberMargin + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

QString CDataView::NumberOf(int row) const
{
    if (m_rowNumbers.empty())
        return QString::number(row + 1);
    const int number = row < static_cast<int>(m_rowNumbers.size()) ? m_rowNumbers[static_cast<size_t>(row)] : 0;
    return number > 0 ? QString::number(number) : QString();
}

void CDataView::PaintNumbers(QPaintEvent* event)
{
    QPainter painter(m_pNumbers);
    painter.fillRect(event->rect(), palette().window());
    if (document()->isEmpty())
        return;
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const int width = m_pNumbers->width() - kNumberMargin;
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
        if (box.top() > event->rect().bottom())
            break;
        if (block.isVisible() && box.bottom() >= event->rect().top())
            painter.drawText(0, static_cast<int>(box.top()), width, fontMetrics().height(), Qt::AlignRight,
                             NumberOf(block.blockNumber()));
    }
}
