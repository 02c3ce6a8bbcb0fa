#include "sim_test_line.h"

#include "protocol.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

DeviceLine::DeviceLine(const sim::Settings& settings)
{
    int master = -1;
    if (openpty(&master, &m_slave, nullptr, nullptr, nullptr) != 0)
        ADD_FAILURE() << "openpty failed";
    termios t;
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    m_engine = std::make_unique<sim::Engine>(master, settings);
    m_engine->start();
}

DeviceLine::~DeviceLine()
{
    m_engine->stop();
    ::close(m_slave);
}

sim::Settings DeviceLine::fastSettings()
{
    sim::Settings s;
    s.charsPerSecond = 0;
    return s;
}

void DeviceLine::send(const std::string& bytes)
{
    ASSERT_EQ(::write(m_slave, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string DeviceLine::read(int end, int quietMs)
{
    std::string got;
    size_t end_at = end == kNoEnd ? std::string::npos : m_pending.find(static_cast<char>(end));
    if (end_at != std::string::npos) {
        got = m_pending.substr(0, end_at + 1);
        m_pending.erase(0, end_at + 1);
        return got;
    }
    got.swap(m_pending);
    char buf[4096];
    for (;;) {
        pollfd p{m_slave, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            return got;
        ssize_t n = ::read(m_slave, buf, sizeof buf);
        if (n <= 0) {
            m_hungUp = true;
            return got;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == static_cast<char>(end) && end != kNoEnd) {
                got.append(buf, i + 1);
                m_pending.assign(buf + i + 1, n - i - 1);
                return got;
            }
        }
        got.append(buf, n);
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
