#include "DataText.h"

#include <cstdio>

std::vector<std::string> NumberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 1; i < count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "LINE %04d  C4 261.63 Hz  +0.00 cent", i);
        lines.push_back(line);
    }
    lines.push_back(kEndMarkerLine);
    return lines;
}

std::string AsBufferLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r";
    return text;
}

std::string AsFileText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string AsSaved(const std::string& buffer)
{
    std::string text;
    for (char c : buffer) {
        text += c;
        if (c == '\r')
            text += '\n';
    }
    return text;
}
