#include "PtyFarEnd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {
// Waits for the line to take more are bounded, so that a test that stops reading cannot
// hang its far end; the stop flag is looked at between them.
constexpr int kPollMs = 50;
constexpr int kWriteGiveUpMs = 10000;
}  // namespace

PtyFarEnd::PtyFarEnd(const std::string& portName)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || ::ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("pseudo-terminal not available");
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        throw std::runtime_error("pseudo-terminal slave not available");
    termios t{};
    ::tcgetattr(m_slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slave, TCSANOW, &t);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (!portName.empty()) {
        m_variable = "V24_" + portName;
        ::setenv(m_variable.c_str(), m_slavePath.c_str(), 1);
    }
}

PtyFarEnd::~PtyFarEnd()
{
    m_stop = true;
    finish();
    if (!m_variable.empty())
        ::unsetenv(m_variable.c_str());
    hangUp();
    ::close(m_slave);
}

void PtyFarEnd::send(const std::string& bytes)
{
    if (!writeAll(bytes))
        throw std::runtime_error("the line took not all bytes");
}

bool PtyFarEnd::writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < bytes.size() && !m_stop && waitedMs < kWriteGiveUpMs) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            waitedMs = 0;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, kPollMs);
            waitedMs += kPollMs;
        }
    }
    return done == bytes.size();
}

void PtyFarEnd::play(std::vector<Step> steps)
{
    finish();
    m_player = std::thread([this, steps = std::move(steps)] {
        for (const Step& step : steps) {
            if (!writeAll(step.bytes))
                return;
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.pauseMs);
            while (!m_stop && std::chrono::steady_clock::now() < end)
                ::poll(nullptr, 0, 5);
        }
    });
}

void PtyFarEnd::finish()
{
    if (m_player.joinable())
        m_player.join();
}

std::string PtyFarEnd::receive(std::size_t count, int timeoutMs)
{
    std::string got;
    char buf[4096];
    while (got.size() < count) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        const ssize_t n = ::read(m_master, buf, std::min(sizeof buf, count - got.size()));
        if (n > 0)
            got.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

void PtyFarEnd::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
