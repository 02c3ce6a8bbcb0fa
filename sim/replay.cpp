#include "replay.h"

#include "protocol.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace sim {
namespace {

// The names of the control characters 0x00 to 0x1F as the log shows them.
const char* const kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",   "VT", "FF", "CR", "SO", "SI",
    "DLE", "XON", "DC2", "XOFF", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US",
};

bool byteNamed(const std::string& name, char& byte)
{
    for (int i = 0; i < 32; ++i) {
        if (name == kControlNames[i]) {
            byte = char(i);
            return true;
        }
    }
    // DC1 and DC3 are XON and XOFF by their standard names.
    if (name == "DC1" || name == "DC3") {
        byte = name == "DC1" ? protocol::kXon : protocol::kXoff;
        return true;
    }
    if (name == "DEL") {
        byte = char(0x7F);
        return true;
    }
    if (name.size() == 4 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(name[2])) && std::isxdigit(static_cast<unsigned char>(name[3]))) {
        byte = char(std::strtol(name.c_str() + 2, nullptr, 16));
        return true;
    }
    return false;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// The kind's columns in an event line.
constexpr std::size_t kKindWidth = 8;

struct Event {
    long long ms = 0;
    std::string kind;
    std::string text;
};

// "   12 TX       DA<CR><LF>": false for a line that is no event.
bool parseEvent(const std::string& line, Event& event)
{
    std::size_t p = line.find_first_not_of(' ');
    const std::size_t digits = line.find_first_not_of("0123456789", p);
    if (p == std::string::npos || digits == p || digits == std::string::npos || line[digits] != ' ')
        return false;
    event.ms = std::atoll(line.substr(p, digits - p).c_str());
    p = line.find_first_not_of(' ', digits);
    if (p == std::string::npos)
        return false;
    std::size_t end = p;
    while (end < line.size() && std::isupper(static_cast<unsigned char>(line[end])))
        ++end;
    if (end == p || (end < line.size() && line[end] != ' '))
        return false;
    event.kind = line.substr(p, end - p);
    // The text begins behind the kind's columns and one blank; blanks beyond them are the
    // device's (the line's last one is written <0x20>). A line written by hand with fewer
    // blanks after the kind has its text right behind them.
    std::size_t text = end < line.size() ? end + 1 : end;
    for (std::size_t pad = event.kind.size(); pad < kKindWidth && text < line.size() && line[text] == ' '; ++pad)
        ++text;
    event.text = line.substr(text);
    while (!event.text.empty() && (event.text.back() == ' ' || event.text.back() == '\t'))
        event.text.pop_back();
    return true;
}

}  // namespace

bool unescapeLogText(const std::string& text, std::string& bytes, std::string& error)
{
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') {
            bytes += text[i];
            continue;
        }
        const std::size_t close = text.find('>', i);
        char byte = 0;
        if (close == std::string::npos || !byteNamed(text.substr(i + 1, close - i - 1), byte)) {
            error = "no byte is called " + text.substr(i, close == std::string::npos ? std::string::npos : close - i + 1);
            return false;
        }
        bytes += byte;
        i = close;
    }
    return true;
}

bool ReplayScript::load(const std::string& path, ReplayScript& script, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    return parse(in, path, script, error);
}

bool ReplayScript::parse(std::istream& in, const std::string& name, ReplayScript& script, std::string& error)
{
    script = ReplayScript();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();   // a log saved with DOS line ends
        const std::string where = name + ":" + std::to_string(number) + ": ";
        if (trimmed(line).empty() || trimmed(line)[0] == '#')
            continue;
        Event event;
        if (!parseEvent(line, event)) {
            error = where + "no event of a transfer log";
            return false;
        }
        if (event.kind != "TX" && event.kind != "RX")
            continue;
        std::string bytes;
        if (!unescapeLogText(event.text, bytes, error)) {
            error = where + error;
            return false;
        }
        const std::chrono::milliseconds at(event.ms);
        if (event.kind == "TX") {
            for (char c : bytes) {
                // A lone CR or a lone LF ends a line as well as CR LF does, as for the device.
                if (c == protocol::kLf && script.m_lastWasCr) {
                    script.m_lastWasCr = false;
                    continue;
                }
                script.m_lastWasCr = c == protocol::kCr;
                if (c == protocol::kCr || c == protocol::kLf)
                    script.addLine(std::exchange(script.m_pendingLine, std::string()), at);
                else
                    script.m_pendingLine += c;
            }
        } else if (!script.m_exchanges.empty()) {
            // What the device sent before the program's first line answers nothing.
            const auto after = std::max(at - script.m_lastSentAt, std::chrono::milliseconds(0));
            script.m_exchanges.back().answer.push_back({after, bytes});
        }
    }
    return true;
}

void ReplayScript::addLine(std::string line, std::chrono::milliseconds at)
{
    m_lastSentAt = at;
    m_byLine[line].push_back(m_exchanges.size());
    m_exchanges.push_back({std::move(line), {}});
}

const RecordedExchange* ReplayScript::find(const std::string& line, std::size_t& next) const
{
    const auto it = m_byLine.find(line);
    if (it == m_byLine.end())
        return nullptr;
    const std::vector<std::size_t>& at = it->second;
    const auto later = std::lower_bound(at.begin(), at.end(), next);
    const std::size_t index = later != at.end() ? *later : at.front();
    next = index + 1;
    return &m_exchanges[index];
}

}  // namespace sim
