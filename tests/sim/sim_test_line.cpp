#include "sim_test_line.h"

#include "protocol.h"

#include <gtest/gtest.h>

namespace simtest {

DeviceLine::DeviceLine(const sim::Settings& settings)
{
    m_engine = std::make_unique<sim::Engine>(m_line.releaseMaster(), settings);
    m_engine->start();
}

DeviceLine::~DeviceLine()
{
    m_engine->stop();
}

sim::Settings DeviceLine::fastSettings()
{
    sim::Settings s;
    s.charsPerSecond = 0;
    return s;
}

void DeviceLine::send(const std::string& bytes)
{
    ASSERT_TRUE(WriteAll(m_line.slave(), bytes));
}

std::string DeviceLine::read(int end, int quietMs)
{
    std::string got;
    got.swap(m_pending);
    for (size_t searched = 0;;) {
        const size_t endAt = end == kNoEnd ? std::string::npos : got.find(static_cast<char>(end), searched);
        if (endAt != std::string::npos) {
            m_pending = got.substr(endAt + 1);
            got.resize(endAt + 1);
            return got;
        }
        searched = got.size();
        const std::string more = ReadSome(m_line.slave(), quietMs, 4096, &m_hungUp);
        if (more.empty())
            return got;
        got += more;
    }
}

std::string DeviceLine::readQuiet(int quietMs)
{
    return read(kNoEnd, quietMs);
}

std::string DeviceLine::transfer(const std::string& command)
{
    send(command + "\r\n");
    return readUntil(sim::protocol::kEot);
}

sim::Lines SplitLines(const std::string& text)
{
    sim::Lines lines;
    size_t start = 0;
    for (size_t cr; (cr = text.find("\r\n", start)) != std::string::npos; start = cr + 2)
        lines.push_back(text.substr(start, cr - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace simtest
