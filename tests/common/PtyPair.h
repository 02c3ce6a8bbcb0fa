#pragma once
// A pseudo-terminal pair in place of a serial line: the slave is the device file a program
// opens as its port, the master is the far end a test or the simulator plays. The slave is
// raw and stays open while the pair lives, so that the master sees no hang-up between the
// program's opens. No Qt: the port library's and the simulator's tests use it as well.
#include <atomic>
#include <cstddef>
#include <limits>
#include <string>

class PtyPair {
public:
    // With a port name ("COM1"), V24_<name> names the slave while the pair lives, so that the
    // port library opens it for that port; with an empty name the environment is left alone.
    // Throws std::runtime_error when no pair can be had.
    explicit PtyPair(const std::string& portName = "");
    // Takes over a pair opened elsewhere (the simulator's line set-up), named as above.
    PtyPair(int master, int slave, std::string slavePath, const std::string& portName);
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return m_master; }
    int slave() const { return m_slave; }
    const std::string& slavePath() const { return m_slavePath; }

    // Hands the master to a new owner that closes it (the simulator's engine); send, receive
    // and hangUp then no longer reach it.
    int releaseMaster();

    // Writes all bytes to the master, waiting while the line is full; throws
    // std::runtime_error when the line does not take them all.
    void send(const std::string& bytes);
    // Reads from the master until count bytes have come, nothing came for quietMs, or the
    // line hung up.
    std::string receive(std::size_t count, int quietMs = 5000);
    // Everything the program sent until the line has been quiet for quietMs.
    std::string receiveQuiet(int quietMs = 100) { return receive(kAll, quietMs); }
    // Closes the master: for the program the device is gone.
    void hangUp();

    static constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

private:
    void name(const std::string& portName);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_variable;
};

// Writes all bytes to fd. A full line is waited for, in steps that look at stop, and given
// up after a while without progress, so that a reader that stopped cannot hang the writer.
// Whether every byte went.
bool WriteAll(int fd, const std::string& bytes, const std::atomic<bool>* stop = nullptr);
// What one read of fd brings, at most `most` bytes; empty when nothing came for quietMs, or
// when the line hung up (then *hungUp is set).
std::string ReadSome(int fd, int quietMs, std::size_t most = 4096, bool* hungUp = nullptr);
