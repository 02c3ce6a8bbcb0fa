// Far ends for the port library's tests: a pseudo-terminal pair per test, or the fake
// platform; both clean up every port they leave open.
#pragma once

#include "v24.h"
#include "platform/comm_fake.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

namespace v24test {

// Waits (bounded) until pred holds; for hand-overs between threads, never for timing.
bool WaitUntil(const std::function<bool()>& pred, int ms = 3000);

// A pseudo-terminal whose slave is reachable as the port `name` through V24_<name>.
class Pty {
public:
    explicit Pty(const char* name = "COM7");
    ~Pty();
    void send(const std::string& bytes);
    // Everything the port sent until the line has been quiet for quietMs.
    std::string receive(int quietMs = 100);
    void hangUp();
    int master() const { return m_master; }

private:
    int m_master = -1;
    std::string m_var;
};

// Closes every port at the end of a test so that no test sees another's slots.
void CloseAllPorts();

// A pty test: its own pair and port, opened exclusively with a short time-out.
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { CloseAllPorts(); }
    Pty pty;
    int32_t h = -1;
};

// A fake-platform test: lines are added by path, "\\.\COM1" is there from the start.
class FakeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    int32_t openCom1(int32_t exclusive = 1);
    v24::FakeComm fake;
    v24::FakeLine* line = nullptr;
    v24::CommPlatform* previous = nullptr;
};

// Records what the library posts; safe to call from a watch thread.
struct Post {
    PortWindow window;
    uint32_t message;
    intptr_t wParam;
};
void StartRecordingPosts();
std::vector<Post> Posts();

} // namespace v24test
