#include "engine.h"

#include "protocol.h"
#include "replay.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

constexpr std::size_t kPacedBurst = 16;       // about a UART's FIFO
constexpr std::size_t kFastBurst = 256;
constexpr std::size_t kMaxLineLength = 4096;  // longer input lines are cut
constexpr std::size_t kMaxStoredChars = 1 << 20;
constexpr std::chrono::milliseconds kHangUpBackOff{100};
constexpr std::chrono::hours kNoDeadline{1};
// A pseudo-terminal discards what its far side has not read yet when the device side
// closes; a real line has carried the bytes before it drops, so the device lingers.
constexpr std::chrono::milliseconds kHangUpLinger{300};

std::size_t burstFor(const Settings& s) { return s.charsPerSecond > 0 ? kPacedBurst : kFastBurst; }

}  // namespace

Engine::Engine(int fd, Settings settings)
    : m_fd(fd), m_settings(std::move(settings)),
      m_pacer(m_settings.charsPerSecond, burstFor(m_settings)), m_data(factoryData())
{
}

Engine::~Engine()
{
    stop();
    if (m_fd >= 0)
        ::close(m_fd);
}

void Engine::start()
{
    if (m_thread.joinable())
        return;
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_thread = std::thread([this] { run(); });
}

void Engine::stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const char c = 0;
    [[maybe_unused]] ssize_t n = ::write(m_wakeWrite, &c, 1);
    m_thread.join();
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

Lines Engine::storedData() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_data;
}

std::vector<LogEntry> Engine::log() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void Engine::run()
{
    while (!m_stop && !m_hungUp) {
        processInbox();
        if (m_stop || m_hungUp)
            break;
        const Clock::time_point deadline =
            m_uploading ? m_lastInput + m_settings.uploadSilence : Clock::now() + kNoDeadline;
        if (waitIo(false, deadline) == Wake::Deadline && m_uploading &&
            Clock::now() >= m_lastInput + m_settings.uploadSilence)
            finishUpload();
    }
    m_finished = true;
}

void Engine::processInbox()
{
    // Sending a reply reads on (for XON/XOFF), so new bytes may arrive while a chunk is taken.
    while (!m_inbox.empty() && !m_stop && !m_hungUp) {
        std::string chunk;
        chunk.swap(m_inbox);
        for (char c : chunk) {
            if (m_stop || m_hungUp)
                return;
            onByte(c);
        }
    }
}

void Engine::onByte(char c)
{
    // A lone CR or a lone LF ends a line as well as CR LF does.
    if (c == protocol::kLf && m_lastWasCr) {
        m_lastWasCr = false;
        return;
    }
    m_lastWasCr = c == protocol::kCr;
    if (c == protocol::kCr || c == protocol::kLf) {
        std::string line;
        line.swap(m_line);
        onLine(line);
        return;
    }
    if (m_line.size() < kMaxLineLength)
        m_line += c;
}

void Engine::onLine(const std::string& line)
{
    if (m_settings.replay)
        onReplayLine(line);
    else if (m_uploading)
        onUploadLine(line);
    else if (!line.empty())
        onCommand(line);
}

void Engine::onCommand(const std::string& command)
{
    record(LogEntry::Kind::Command, command);
    namespace p = protocol;
    if (command == p::kCmdIdentity) {
        send(composeAnswer(m_settings.identity));
    } else if (command == p::kCmdAllData) {
        send(composeTransfer(storedData(), m_settings));
    } else if (command == p::kCmdAdjustment || command == p::kCmdInstrument ||
               command == p::kCmdTemperaments) {
        const std::string_view title = command == p::kCmdAdjustment   ? p::kTitleAdjustment
                                       : command == p::kCmdInstrument ? p::kTitleInstrument
                                                                      : p::kTitleTemperaments;
        send(composeTransfer(sectionOf(storedData(), title), m_settings));
    } else if (command == p::kCmdUpload) {
        m_uploading = true;
        m_uploadLines = 0;
        m_upload.clear();
        m_lastInput = Clock::now();
    } else if (command == p::kCmdDeliveryMode) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_data = factoryData();
    }
    // Anything else is ignored: the program waits for no answer to it.
}

// The answer the log recorded after the line, each piece as long after the line as it came then.
void Engine::onReplayLine(const std::string& line)
{
    if (!line.empty())
        record(LogEntry::Kind::Command, line);
    const RecordedExchange* exchange = m_settings.replay->find(line, m_replayNext);
    if (!exchange || m_settings.faults.mute)
        return;
    const Clock::time_point start = Clock::now();
    for (const RecordedAnswer& piece : exchange->answer) {
        if (m_settings.replayPaced) {
            const auto wait = start + piece.after - Clock::now();
            if (wait > Clock::duration::zero() &&
                !pauseFor(std::chrono::ceil<std::chrono::milliseconds>(wait)))
                return;
        }
        if (!sendBytes(piece.bytes) || m_hungUp)
            return;
    }
}

void Engine::onUploadLine(const std::string& line)
{
    const int holdAfter = m_settings.faults.xoffAfterLines;
    // The XOFF leaves before the line is logged: whoever sees the line knows it is on its way.
    const bool held = holdAfter > 0 && ++m_uploadLines == holdAfter && sendFlowControl(protocol::kXoff);
    record(LogEntry::Kind::DataLine, line);
    std::size_t stored = 0;
    for (const std::string& l : m_upload)
        stored += l.size();
    if (stored + line.size() <= kMaxStoredChars)
        m_upload.push_back(line);
    if (protocol::isEndMarkerLine(line))
        finishUpload();
    if (held)
        holdOffInput();
}

// A device whose input buffer is full: the line stays stopped for xoffLength, then goes on.
void Engine::holdOffInput()
{
    if (pauseFor(m_settings.xoffLength))
        sendFlowControl(protocol::kXon);
}

// Flow control goes out as it is, whatever the device's output faults or pacing.
bool Engine::sendFlowControl(char c)
{
    for (;;) {
        if (m_stop || m_fd < 0)
            return false;
        const ssize_t written = ::write(m_fd, &c, 1);
        if (written == 1)
            return true;
        if (written < 0 && errno == EAGAIN) {
            if (waitIo(true, Clock::now() + kNoDeadline) == Wake::Stop)
                return false;
        } else if (!(written < 0 && errno == EINTR)) {
            return false;
        }
    }
}

void Engine::finishUpload()
{
    m_uploading = false;
    if (!m_line.empty()) {   // a last line cut off by the silence
        std::string line;
        line.swap(m_line);
        record(LogEntry::Kind::DataLine, line);
        m_upload.push_back(line);
    }
    // An upload in which nothing arrived leaves the old data in place.
    if (m_upload.empty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_data.swap(m_upload);
    m_upload.clear();
}

void Engine::record(LogEntry::Kind kind, const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.push_back({kind, text});
}

void Engine::send(const std::vector<Piece>& pieces)
{
    if (m_settings.faults.mute)
        return;
    for (const Piece& piece : pieces) {
        if (!sendBytes(piece.bytes))
            return;
        if (piece.endsLine)
            countLine();
        if (m_hungUp || (piece.pauseAfter.count() > 0 && !pauseFor(piece.pauseAfter)))
            return;
    }
}

bool Engine::sendBytes(std::string bytes)
{
    if (m_settings.faults.eighthBit)
        for (char& c : bytes)
            c = char(c | 0x80);
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (m_stop)
            return false;
        if (m_paused) {
            if (waitIo(false, Clock::now() + kNoDeadline) == Wake::Stop)
                return false;
            continue;
        }
        const std::size_t n = m_pacer.allowance(Clock::now(), bytes.size() - done);
        if (n == 0) {
            waitIo(false, m_pacer.nextDue());
            continue;
        }
        const ssize_t written = ::write(m_fd, bytes.data() + done, n);
        if (written > 0) {
            m_pacer.consumed(std::size_t(written));
            done += std::size_t(written);
            readInput();   // an XOFF must stop the output after this chunk
        } else if (written < 0 && errno == EAGAIN) {
            if (waitIo(true, Clock::now() + kNoDeadline) == Wake::Stop)
                return false;
        } else if (!(written < 0 && errno == EINTR)) {
            return false;   // the far side is gone; this transfer is lost
        }
    }
    return true;
}

bool Engine::pauseFor(std::chrono::milliseconds length)
{
    const Clock::time_point end = Clock::now() + length;
    while (Clock::now() < end)
        if (waitIo(false, end) == Wake::Stop)
            return false;
    return true;
}

void Engine::countLine()
{
    ++m_linesSent;
    if (m_settings.faults.hangUpAfterLines > 0 && m_linesSent >= m_settings.faults.hangUpAfterLines)
        hangUp();
}

void Engine::hangUp()
{
    // Told before the line drops, so that whoever sees the hang-up also sees why.
    m_hungUp = true;
    ::tcdrain(m_fd);
    pauseFor(kHangUpLinger);
    ::close(m_fd);
    m_fd = -1;
}

Engine::Wake Engine::waitIo(bool wantOutput, Clock::time_point deadline)
{
    const Clock::time_point now = Clock::now();
    // With the far side closed the descriptor reports hang-up at once; look again later
    // instead of polling it in a tight loop.
    const bool watchLine = !m_lineDown || now >= m_retryAt;
    if (watchLine && m_lineDown)
        m_lineDown = false;
    if (!watchLine && m_retryAt < deadline)
        deadline = m_retryAt;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    const int timeout = int(std::max<long long>(0, wait.count()));

    pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {watchLine ? m_fd : -1, short(POLLIN | (wantOutput ? POLLOUT : 0)), 0}};
    const int ready = ::poll(fds, 2, timeout);
    if (m_stop || (fds[0].revents & POLLIN))
        return Wake::Stop;
    if (ready <= 0)
        return Wake::Deadline;
    if (fds[1].revents & POLLIN)
        readInput();
    if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN))
        lineDown();
    return Wake::Ready;
}

void Engine::readInput()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_lastInput = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                // Flow control acts at once, even in the middle of a transfer.
                if (buf[i] == protocol::kXoff)
                    m_paused = true;
                else if (buf[i] == protocol::kXon)
                    m_paused = false;
                else
                    m_inbox += buf[i];
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EIO)
            lineDown();
        return;
    }
}

void Engine::lineDown()
{
    m_lineDown = true;
    m_retryAt = Clock::now() + kHangUpBackOff;
}

}  // namespace sim
