// Far ends for the port library's tests: a pseudo-terminal pair per test, or the fake
// platform; both clean up every port they leave open.
#pragma once

#include "PtyPair.h"
#include "WaitUntil.h"
#include "comm_fake.h"
#include "v24.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

namespace v24test {

// Closes every port at the end of a test so that no test sees another's slots.
void CloseAllPorts();

// A pty test: its own pair and port, opened exclusively with a short time-out.
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { CloseAllPorts(); }
    PtyPair pty{"COM7"};
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
