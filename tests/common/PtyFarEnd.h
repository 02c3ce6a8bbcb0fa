#pragma once
// The far end of a serial line, played by a test: a pseudo-terminal pair whose slave the
// program opens as a port, while the test writes and reads the master side.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class PtyFarEnd {
public:
    // With a port name ("COM1"), V24_<name> names the slave while the far end lives, so that
    // the port library opens it for that port. With an empty name the variable is left alone.
    explicit PtyFarEnd(const std::string& portName = "COM1");
    ~PtyFarEnd();
    PtyFarEnd(const PtyFarEnd&) = delete;
    PtyFarEnd& operator=(const PtyFarEnd&) = delete;

    const std::string& slavePath() const { return m_slavePath; }

    // Writes all bytes to the line, waiting while the line is full.
    void send(const std::string& bytes);

    // Bytes, then a pause before the next step.
    struct Step {
        std::string bytes;
        int pauseMs = 0;
    };
    // Plays the steps on a thread of their own, for far ends that pause or send more than the
    // line holds at once. finish() (or the destructor) waits for the end.
    void play(std::vector<Step> steps);
    void finish();

    // Reads until count bytes have come, or nothing came for timeoutMs.
    std::string receive(std::size_t count, int timeoutMs = 5000);

    // Closes the master (after the script has finished): for the program the device is gone.
    void hangUp();

private:
    bool writeAll(const std::string& bytes);

    int m_master = -1;
    // Held open so that the master sees no hang-up between the program's opens.
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_variable;
    std::thread m_player;
    std::atomic<bool> m_stop{false};
};
