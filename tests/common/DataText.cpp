#include "DataText.h"

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
