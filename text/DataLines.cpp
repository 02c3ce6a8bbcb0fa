#include "DataLines.h"

namespace {

constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;
// A control character shows as "^" and the character it is typed with: the same code with
// bit 6 flipped (EOT 0x04 as "^D", DEL 0x7F as "^?").
constexpr unsigned char kCaretFlip = 0x40;
constexpr unsigned char kDelete = 0x7F;

QString LineText(const char* begin, const char* end)
{
    QString line;
    line.reserve(static_cast<qsizetype>(end - begin));
    for (const char* p = begin; p < end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if ((byte < 0x20 && byte != '\t') || byte == kDelete)
            line += QLatin1Char('^') + QChar(static_cast<char16_t>(byte ^ kCaretFlip));
        else
            line += QChar(static_cast<char16_t>(byte));  // Latin-1
    }
    return line;
}

}  // namespace

QStringList DataLines(const QByteArray& bytes)
{
    QStringList lines;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != kCR && *lineEnd != kLF)
            ++lineEnd;
        lines << LineText(p, lineEnd);
        p = lineEnd;
        if (p < end && *p == kCR)
            ++p;
        if (p < end && *p == kLF)
            ++p;
    }
    return lines;
}

void CLineCounter::Add(const char* bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        // The LF of a CR LF ends no line of its own, even when a chunk ends between the two.
        if (c == kLF && m_bAfterCR) {
            m_bAfterCR = false;
            continue;
        }
        const bool lineEnd = c == kCR || c == kLF;
        m_nLineEnds += lineEnd ? 1 : 0;
        m_bOpenLine = !lineEnd;
        m_bAfterCR = c == kCR;
    }
}

int CountDataLines(const char* bytes, qsizetype size)
{
    CLineCounter counter;
    counter.Add(bytes, size);
    return counter.Lines();
}
