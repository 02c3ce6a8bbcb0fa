#include "transfer.h"

#include "protocol.h"

#include <algorithm>

namespace sim {
namespace {

Lines oversized(const Lines& lines, std::size_t target)
{
    Lines body(lines.begin(), lines.end());
    std::string marker;
    if (!body.empty() && protocol::isEndMarkerLine(body.back())) {
        marker = body.back();
        body.pop_back();
    }
    if (body.empty())
        return lines;
    Lines out;
    std::size_t size = 0;
    for (std::size_t i = 0; size <= target; ++i) {
        out.push_back(body[i % body.size()]);
        size += out.back().size() + protocol::kLineEnd.size();
    }
    if (!marker.empty())
        out.push_back(marker);
    return out;
}

std::string stretched(const std::string& line, std::size_t length)
{
    if (protocol::isEndMarkerLine(line) || line.size() >= length)
        return line;
    std::string out = line + ' ';
    for (char c = '0'; out.size() < length; c = c == '9' ? '0' : char(c + 1))
        out += c;
    return out;
}

void appendLine(std::vector<Piece>& out, const std::string& line, int number, const Settings& s)
{
    const std::string text = s.faults.longLines ? stretched(line, s.longLineLength) : line;
    const std::size_t half = text.size() / 2;
    if (number == s.faults.pauseInLine) {
        out.push_back({text.substr(0, half), s.pauseLength, false});
        out.push_back({text.substr(half) + std::string(protocol::kLineEnd), {}, true});
        return;
    }
    if (number == s.faults.eotInLine) {
        out.push_back({text.substr(0, half) + protocol::kEot + text.substr(half) +
                           std::string(protocol::kLineEnd), {}, true});
        return;
    }
    out.push_back({text + std::string(protocol::kLineEnd), {}, true});
}

}  // namespace

std::vector<Piece> composeTransfer(const Lines& lines, const Settings& settings)
{
    const Lines sent = settings.faults.oversize ? oversized(lines, settings.oversizeChars) : lines;
    std::vector<Piece> out;
    int number = 0;
    for (const std::string& line : sent)
        appendLine(out, line, ++number, settings);
    if (!settings.faults.noEot)
        out.push_back({std::string(1, protocol::kEot), {}, false});
    return out;
}

std::vector<Piece> composeAnswer(const std::string& line)
{
    return {{line + std::string(protocol::kLineEnd), {}, true}};
}

bool isSectionTitle(std::string_view line)
{
    return line == protocol::kTitleAdjustment || line == protocol::kTitleInstrument ||
           line == protocol::kTitleTemperaments || line == protocol::kTitleStored;
}

Lines sectionOf(const Lines& data, std::string_view title)
{
    Lines out;
    auto it = std::find(data.begin(), data.end(), title);
    if (it != data.end()) {
        out.push_back(*it);
        for (++it; it != data.end() && !isSectionTitle(*it) && !protocol::isEndMarkerLine(*it); ++it)
            out.push_back(*it);
    }
    out.emplace_back(protocol::kEndMarkerLine);
    return out;
}

Pacer::Pacer(double charsPerSecond, std::size_t maxBurst) : m_maxBurst(maxBurst)
{
    if (charsPerSecond > 0)
        m_period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / charsPerSecond));
}

std::size_t Pacer::allowance(Clock::time_point now, std::size_t wanted)
{
    if (m_period == Clock::duration::zero())
        return std::min(wanted, m_maxBurst);
    // A line that stood idle does not save up credit beyond one burst.
    const Clock::time_point earliest = now - m_period * (m_maxBurst - 1);
    if (m_due < earliest)
        m_due = earliest;
    if (now < m_due)
        return 0;
    const auto due = std::size_t((now - m_due) / m_period) + 1;
    return std::min({due, wanted, m_maxBurst});
}

void Pacer::consumed(std::size_t count)
{
    m_due += m_period * count;
}

}  // namespace sim
