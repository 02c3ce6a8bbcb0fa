#include "DataView.h"

#include "Contrast.h"

#include <QByteArray>
#include <QPaintEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace {

constexpr int kNumberMargin = 6;
// The marks of a comparison: red for what the older side has, green for the newer side's, a
// tint of the text's colour for a gap; as strong as the text on them stays readable.
const QColor kOlderHue(Qt::red);
const QColor kNewerHue(Qt::green);
constexpr double kMarkStrength = 0.3;
constexpr double kGapStrength = 0.12;

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

// A cursor of its own inserts, so that the user's stays; a new block each time, as even an empty
// line shown is a line.
void CDataView::AppendLines(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertBlock();
    end.insertText(lines.join(QLatin1Char('\n')));
    if (atEnd)
        bar->setValue(bar->maximum());
}

void CDataView::MarkRow(int row, RowMark mark)
{
    m_marks[row] = mark;
    ShowMark(row, mark);
    setViewportMargins(NumberWidth(), 0, 0, 0);
}

void CDataView::ShowMark(int row, RowMark mark)
{
    const QPalette& colours = palette();
    const QColor hue = mark == kMarkOlder ? kOlderHue : mark == kMarkNewer ? kNewerHue : colours.color(QPalette::Text);
    const double strength = mark == kMarkGap ? kGapStrength : kMarkStrength;
    QTextCursor cursor(document()->findBlockByNumber(row));
    QTextBlockFormat format = cursor.blockFormat();
    format.setBackground(MarkOn(colours.color(QPalette::Base), hue, strength, colours.color(QPalette::Text)));
    cursor.setBlockFormat(format);
}

QString CDataView::SignOf(int row) const
{
    const auto it = m_marks.find(row);
    if (it == m_marks.end() || it->second == kMarkGap)
        return QString();
    return it->second == kMarkOlder ? QStringLiteral("-") : QStringLiteral("+");
}

void CDataView::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        for (const auto& [row, mark] : m_marks)
            ShowMark(row, mark);
    }
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
    // A comparison's rows carry a sign before their number.
    const int digits = static_cast<int>(QString::number(largest).size()) + (m_marks.empty() ? 0 : 2);
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
    const QColor background = palette().color(QPalette::Window);
    painter.fillRect(event->rect(), background);
    if (document()->isEmpty())
        return;
    // The numbers are quieter than the text, but as readable.
    const QColor number = ReadableOn(palette().color(QPalette::PlaceholderText), background);
    const QColor older = ReadableOn(kOlderHue, background);
    const QColor newer = ReadableOn(kNewerHue, background);
    painter.setFont(font());
    QFont signFont = font();
    signFont.setBold(true);
    const int width = m_pNumbers->width() - kNumberMargin;
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
        if (box.top() > event->rect().bottom())
            break;
        if (!block.isVisible() || box.bottom() < event->rect().top())
            continue;
        const QRect cell(kNumberMargin, static_cast<int>(box.top()), width - kNumberMargin, fontMetrics().height());
        painter.setPen(number);
        painter.setFont(font());
        painter.drawText(cell, Qt::AlignRight, NumberOf(block.blockNumber()));
        const QString sign = SignOf(block.blockNumber());
        if (!sign.isEmpty()) {
            painter.setPen(sign == QLatin1String("-") ? older : newer);
            painter.setFont(signFont);
            painter.drawText(cell, Qt::AlignLeft, sign);
        }
    }
}
