// A device as a transfer log recorded it: for each line the program sent (a TX event), the
// bytes the device sent after it (the RX events up to the next TX) and when. The log's text is
// read as korva writes it (one event a line: time in ms, a blank, the kind in 8 columns, a
// blank, the text; '#' lines are remarks; control characters by name such as <CR>, any byte as
// <0xHH>; blanks at the end of a line are no bytes), so that a log saved by a user with a real
// device, or edited by hand, plays that device.
#pragma once

#include <chrono>
#include <cstddef>
#include <istream>
#include <string>
#include <unordered_map>
#include <vector>

namespace sim {

struct RecordedAnswer {
    std::chrono::milliseconds after{0};  // since the line that it answers was sent
    std::string bytes;
};

struct RecordedExchange {
    std::string line;  // as the program sent it, without its line end
    std::vector<RecordedAnswer> answer;
};

class ReplayScript {
public:
    // Reads a log; false with `error` ("LOG:12: ...") for a file that cannot be read, or a
    // line that is neither a remark nor an event, or a TX or RX event whose text has an escape
    // that means no byte.
    static bool load(const std::string& path, ReplayScript& script, std::string& error);
    static bool parse(std::istream& in, const std::string& name, ReplayScript& script, std::string& error);

    const std::vector<RecordedExchange>& exchanges() const { return m_exchanges; }
    // The exchange of a line the program sent: the first recorded at or after `next`, or else
    // the first of all; `next` then stands behind it. nullptr when the log never shows the line.
    const RecordedExchange* find(const std::string& line, std::size_t& next) const;

private:
    void addLine(std::string line, std::chrono::milliseconds at);

    std::vector<RecordedExchange> m_exchanges;
    std::unordered_map<std::string, std::vector<std::size_t>> m_byLine;
    // While reading: the sent bytes of a line not yet ended, and when the last line was sent.
    std::string m_pendingLine;
    bool m_lastWasCr = false;
    std::chrono::milliseconds m_lastSentAt{0};
};

// The bytes a TX or RX event's text stands for; false for an escape that means no byte.
bool unescapeLogText(const std::string& text, std::string& bytes, std::string& error);

}  // namespace sim
