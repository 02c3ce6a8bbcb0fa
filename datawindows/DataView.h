#pragma once
// The read-only view of the device's text: one device line per row, in a monospace font, with
// its line number beside it. The history's preview, the working-storage window and both sides
// of a comparison show their text in it.
#include "DataLines.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <vector>

class QByteArray;
class QColor;

class CDataView : public QPlainTextEdit {
public:
    explicit CDataView(QWidget* parent = nullptr);

    // Shows the lines numbered from 1.
    void SetLines(const QStringList& lines);
    // Shows the lines with numbers of the caller's: a 0 leaves the row unnumbered.
    void SetLines(const QStringList& lines, std::vector<int> numbers);
    // Gives the row a background of the colour across the whole width.
    void MarkRow(int row, const QColor& colour);
    // Only the tests ask.
    bool IsMarked(int row) const;
    // Selects the next (or previous) place that holds text, from the cursor on and then from
    // the other end; false, with the cursor left as it was, when the text is nowhere.
    bool Find(const QString& text, bool backward = false);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class CLineNumbers;
    int NumberWidth() const;
    void PaintNumbers(QPaintEvent* event);
    QString NumberOf(int row) const;

    CLineNumbers* m_pNumbers;
    std::vector<int> m_rowNumbers;
};
