#pragma once
// The device's data as lines, by one rule wherever lines are shown or counted: a line ends
// with CR LF, CR or LF (working storage holds CR alone, a data file CR LF, a file edited by
// hand may use any of them), and text after the last line end is a line of its own.
#include <QByteArray>
#include <QStringList>

// The lines as they are shown: bytes 0x80 to 0xFF are Latin-1, and other control characters
// show in caret notation ("^D") so that nothing in a line is invisible.
QStringList DataLines(const QByteArray& bytes);

// Counts the lines of data that come in pieces (a file read in chunks), as DataLines splits
// them.
class CLineCounter {
public:
    void Add(const char* bytes, qsizetype size);
    int Lines() const { return m_nLineEnds + (m_bOpenLine ? 1 : 0); }

private:
    int m_nLineEnds = 0;
    bool m_bAfterCR = false;
    bool m_bOpenLine = false;
};

// The number of lines DataLines gives, without making them.
int CountDataLines(const char* bytes, qsizetype size);
