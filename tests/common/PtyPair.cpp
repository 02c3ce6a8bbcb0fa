#include "PtyPair.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {
// A write waits for the line in steps of kPollMs and gives up after kWriteGiveUpMs without
// progress.
constexpr int kPollMs = 50;
constexpr int kWriteGiveUpMs = 10000;
}  // namespace

PtyPair::PtyPair(const std::string& portName)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char path[128];
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || ::ptsname_r(m_master, path, sizeof path) != 0) {
        hangUp();
        throw std::runtime_error("pseudo-terminal not available");
    }
    m_slavePath = path;
    m_slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        hangUp();
        throw std::runtime_error("pseudo-terminal slave not available");
    }
    termios t{};
    ::tcgetattr(m_slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slave, TCSANOW, &t);
    // Writes and reads of the far end wait with poll, never in the call.
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    name(portName);
}

PtyPair::PtyPair(int master, int slave, std::string slavePath, const std::string& portName)
    : m_master(master), m_slave(slave), m_slavePath(std::move(slavePath))
{
    name(portName);
}

PtyPair::~PtyPair()
{
    if (!m_variable.empty())
        ::unsetenv(m_variable.c_str());
    hangUp();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPair::name(const std::string& portName)
{
    if (portName.empty())
        return;
    m_variable = "V24_" + portName;
    ::setenv(m_variable.c_str(), m_slavePath.c_str(), 1);
}

int PtyPair::releaseMaster()
{
    const int master = m_master;
    m_master = -1;
    return master;
}

void PtyPair::send(const std::string& bytes)
{
    if (!WriteAll(m_master, bytes))
        throw std::runtime_error("the line took not all bytes");
}

std::string PtyPair::receive(std::size_t count, int quietMs)
{
    std::string got;
    while (got.size() < count) {
        const std::string more = ReadSome(m_master, quietMs, std::min<std::size_t>(4096, count - got.size()));
        if (more.empty())
            break;
        got += more;
    }
    return got;
}

void PtyPair::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool WriteAll(int fd, const std::string& bytes, const std::atomic<bool>* stop)
{
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < bytes.size() && !(stop && *stop) && waitedMs < kWriteGiveUpMs) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            waitedMs = 0;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, kPollMs);
            waitedMs += kPollMs;
        }
    }
    return done == bytes.size();
}

std::string ReadSome(int fd, int quietMs, std::size_t most, bool* hungUp)
{
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            return {};
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, most));
        if (n > 0)
            return std::string(buf, static_cast<std::size_t>(n));
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (hungUp)
            *hungUp = true;
        return {};
    }
}
