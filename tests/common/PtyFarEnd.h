#pragma once
// The far end of a serial line, played by a test: a pseudo-terminal pair whose slave the
// program opens as a port, while the test writes and reads the master side, at once or by a
// script on a thread of its own.
#include "PtyPair.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class PtyFarEnd : public PtyPair {
public:
    // With a port name ("COM1"), V24_<name> names the slave while the far end lives, so that
    // the port library opens it for that port. With an empty name the variable is left alone.
    explicit PtyFarEnd(const std::string& portName = "COM1") : PtyPair(portName) {}
    ~PtyFarEnd();

    // Bytes, then a pause before the next step.
    struct Step {
        std::string bytes;
        int pauseMs = 0;
    };
    // Plays the steps on a thread of their own, for far ends that pause or send more than the
    // line holds at once. finish() (or the destructor) waits for the end.
    void play(std::vector<Step> steps);
    void finish();

private:
    std::thread m_player;
    std::atomic<bool> m_stop{false};
};
