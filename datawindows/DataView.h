#pragma once
// The read-only view of the device's text: one device line per row, in a monospace font, with
// its line number beside it. The history's preview, the working-storage window and both sides
// of a comparison show their text in it.
#include "DataLines.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <map>
#include <vector>

class QByteArray;

class CDataView : public QPlainTextEdit {
public:
    explicit CDataView(QWidget* parent = nullptr);

    // Shows the lines numbered from 1.
    void SetLines(const QStringList& lines);
    // Shows the lines with numbers of the caller's: a 0 leaves the row unnumbered.
    void SetLines(const QStringList& lines, std::vector<int> numbers);
    // Adds lines after those shown (at least one; numbered on from them); the place shown, the
    // cursor and the selection stay, and a view that stood at its end follows it.
    void AppendLines(const QStringList& lines);
    // How a row of a comparison differs: a line only this side has (or its version of a changed
    // line), on the older or the newer side, or the gap beside a line only the other side has.
    enum RowMark { kMarkOlder, kMarkNewer, kMarkGap };
    // Gives the row a background across the whole width, tinted from the palette so that its
    // text stays readable, and a line of the older or newer side a sign in the gutter ("-",
    // "+"), so that the difference does not rest on colour alone.
    void MarkRow(int row, RowMark mark);
    // Only the tests ask.
    bool IsMarked(int row) const;
    // The gutter's sign of the row: "-", "+" or empty.
    QString SignOf(int row) const;
    // Selects the next (or previous) place that holds text, from the cursor on and then from
    // the other end; false, with the cursor left as it was, when the text is nowhere.
    bool Find(const QString& text, bool backward = false);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A new theme tints the marked rows afresh.
    void changeEvent(QEvent* event) override;

private:
    class CLineNumbers;
    int NumberWidth() const;
    void PaintNumbers(QPaintEvent* event);
    QString NumberOf(int row) const;
    void ShowMark(int row, RowMark mark);

    CLineNumbers* m_pNumbers;
    std::vector<int> m_rowNumbers;
    std::map<int, RowMark> m_marks;
};
