#include "LogFormat.h"

#include <cstring>

namespace {

// The names of the control characters 0x00 to 0x1F; XON and XOFF by what they do on this line.
const char* const kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",   "VT", "FF", "CR", "SO", "SI",
    "DLE", "XON", "DC2", "XOFF", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US",
};
constexpr unsigned char kDelete = 0x7F;
constexpr int kTimeWidth = 8;
constexpr int kKindWidth = 8;

void AppendHex(QByteArray& out, unsigned char c)
{
    static const char kDigits[] = "0123456789ABCDEF";
    const char hex[] = {'<', '0', 'x', kDigits[c >> 4], kDigits[c & 0xF], '>'};
    out.append(hex, sizeof hex);
}

}  // namespace

QByteArray EscapeBytes(const char* data, qsizetype size)
{
    QByteArray out;
    out.reserve(size + size / 4 + 8);
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c < 0x20) {
            out += '<';
            out += kControlNames[c];
            out += '>';
        } else if (c == kDelete) {
            out += "<DEL>";
        } else if (c >= 0x80 || c == '<' || (c == ' ' && i == size - 1)) {
            AppendHex(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

QByteArray EventLine(qint64 ms, const char* kind, const QByteArray& text)
{
    QByteArray line = QByteArray::number(ms).rightJustified(kTimeWidth, ' ');
    line += ' ';
    line += QByteArray(kind).leftJustified(kKindWidth, ' ');
    if (!text.isEmpty()) {
        line += ' ';
        line += text;
    }
    line += '\n';
    return line;
}

namespace {

// The kind of an event line; empty for a remark or anything else.
QByteArray KindOf(const QByteArray& line)
{
    const QByteArray fields = line.trimmed();
    if (fields.isEmpty() || fields.startsWith('#'))
        return QByteArray();
    const qsizetype space = fields.indexOf(' ');
    if (space < 0)
        return QByteArray();
    const QByteArray rest = fields.mid(space).trimmed();
    const qsizetype end = rest.indexOf(' ');
    return end < 0 ? rest : rest.left(end);
}

}  // namespace

QByteArray LastTransferOf(const QByteArray& logText)
{
    qsizetype lineEnd = logText.size();
    while (lineEnd > 0) {
        // The line's own '\n' (or, without one, its last character) stands at lineEnd - 1.
        const qsizetype last = lineEnd - 1;
        const qsizetype searchFrom = logText.at(last) == '\n' ? last - 1 : last;
        const qsizetype start = searchFrom < 0 ? 0 : logText.lastIndexOf('\n', searchFrom) + 1;
        if (KindOf(logText.mid(start, lineEnd - start)) == kLogTransfer)
            return logText.mid(start);
        lineEnd = start;
    }
    return QByteArray();
}
