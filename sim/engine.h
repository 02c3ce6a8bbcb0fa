// The simulated device: serves one file descriptor (a pty master or a serial device)
// on a background thread.
#pragma once

#include "factory_data.h"
#include "settings.h"
#include "transfer.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

struct LogEntry {
    enum class Kind { Command, DataLine };
    Kind kind;
    std::string text;
    bool operator==(const LogEntry& o) const { return kind == o.kind && text == o.text; }
};

class Engine {
public:
    // Takes ownership of fd and closes it when destroyed (or when it hangs up).
    Engine(int fd, Settings settings);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void start();
    void stop();

    Lines storedData() const;
    // What the line carried, and whether an XOFF is in force: the tests read them.
    std::vector<LogEntry> log() const;
    bool paused() const { return m_paused; }
    bool finished() const { return m_finished; }    // the thread has ended (hang-up or stop)
    bool hungUp() const { return m_hungUp; }

private:
    enum class Wake { Ready, Deadline, Stop };

    void run();
    void processInbox();
    void onByte(char c);
    void onLine(const std::string& line);
    void onCommand(const std::string& command);
    void onUploadLine(const std::string& line);
    void onReplayLine(const std::string& line);
    void finishUpload();
    bool sendFlowControl(char c);
    void holdOffInput();
    void record(LogEntry::Kind kind, const std::string& text);

    void send(const std::vector<Piece>& pieces);
    bool sendBytes(std::string bytes);
    bool pauseFor(std::chrono::milliseconds length);
    void countLine();
    void hangUp();

    Wake waitIo(bool wantOutput, Clock::time_point deadline);
    void readInput();
    void lineDown();

    int m_fd;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    const Settings m_settings;
    Pacer m_pacer;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_hungUp{false};

    // Thread-side state.
    std::string m_inbox;        // received bytes not yet taken as commands or data
    std::string m_line;
    bool m_lastWasCr = false;
    bool m_uploading = false;
    int m_uploadLines = 0;      // lines of the upload under way, for Faults::xoffAfterLines
    Lines m_upload;
    Clock::time_point m_lastInput{};
    Clock::time_point m_retryAt{};  // while the far side is closed: when to look again
    bool m_lineDown = false;
    int m_linesSent = 0;
    std::size_t m_replayNext = 0;   // where the replay looks for the next line first

    mutable std::mutex m_mutex;     // guards m_data and m_log
    Lines m_data;
    std::vector<LogEntry> m_log;
};

}  // namespace sim
