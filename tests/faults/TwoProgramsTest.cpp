// Two korva programs started on one port, as a user who starts the program twice: the built
// program, not a test double, against the simulated device. The second never reaches the
// device while the first holds the port, shows no message box, and finds the device once the
// first has ended. Windows are counted on a virtual X server where there is one.
#include "ChildProcess.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A search cycle of the program lasts 400 ticks of 10 ms: the second program is watched for
// two and a half, and given generous time-outs for its start and its search on a busy machine.
constexpr auto kTwoCycles = 10s;
constexpr auto kStartUp = 30s;
constexpr auto kSearch = 30s;

constexpr const char* kXdotool = "/usr/bin/xdotool";

size_t IdentityQueries(const std::vector<std::string>& commands)
{
    return static_cast<size_t>(std::count(commands.begin(), commands.end(), "R"));
}

// A virtual X server where Xvfb and xdotool are at hand; none otherwise.
std::unique_ptr<VirtualDisplay> StartDisplayIfAny(const std::string& folder)
{
    if (::access(kXdotool, X_OK) != 0)
        return nullptr;
    try {
        return std::make_unique<VirtualDisplay>(folder + "/xvfb.log");
    } catch (const std::runtime_error&) {
        return nullptr;
    }
}

class TwoProgramsTest : public ::testing::Test {
protected:
    void SetUp() override { m_display = StartDisplayIfAny(dir.path()); }

    Environment ProgramEnvironment() const
    {
        Environment env = CurrentEnvironment();
        env["V24_COM1"] = device.SlavePath();
        env["HOME"] = dir.path();
        env["XDG_CONFIG_HOME"] = dir.path() + "/config";
        env["XDG_DATA_HOME"] = dir.path() + "/data";
        if (m_display) {
            env["QT_QPA_PLATFORM"] = "xcb";
            env["DISPLAY"] = m_display->Name();
        } else {
            env["QT_QPA_PLATFORM"] = "offscreen";
        }
        return env;
    }

    // The built program in a process group of its own that dies with the test and is ended
    // with its object; its output goes to <name>.log, which a failing test shows.
    std::unique_ptr<ChildProcess> StartKorva(const std::string& name)
    {
        LaunchRequest request;
        request.argv = {KORVA_PATH};
        request.env = ProgramEnvironment();
        request.logFile = dir.file(name + ".log");
        return std::make_unique<ChildProcess>(request);
    }

    std::string Log(const std::string& name) const { return ReadWholeFile(dir.file(name + ".log")); }

    size_t QueriesTaken() const { return IdentityQueries(device.Commands()); }

    bool WaitForQueries(size_t count, std::chrono::milliseconds timeout) const
    {
        return WaitUntil([&] { return QueriesTaken() >= count; }, static_cast<int>(timeout.count()));
    }

    // The program's windows that are shown: its main window, and a message box if it shows one.
    std::optional<size_t> ShownWindows(const ChildProcess& program)
    {
        Environment env = CurrentEnvironment();
        env["DISPLAY"] = m_display->Name();
        const ToolResult found =
            RunTool({kXdotool, "search", "--onlyvisible", "--pid", std::to_string(program.Pid())}, env, 10s);
        if (found.exitCode < 0)
            return std::nullopt;
        // One window number a line.
        size_t windows = 0;
        bool digitsOnly = true, any = false;
        for (char c : found.output) {
            if (c == '\n') {
                windows += any && digitsOnly ? 1 : 0;
                digitsOnly = true;
                any = false;
            } else {
                digitsOnly = digitsOnly && c >= '0' && c <= '9';
                any = true;
            }
        }
        return windows;
    }

    bool WaitForShownWindow(const ChildProcess& program)
    {
        const int startUpMs = int(std::chrono::milliseconds(kStartUp).count());
        return WaitUntil([&] { return ShownWindows(program).value_or(0) > 0; }, startUpMs, 100);
    }

    TempWorkDir dir;
    SimDevice device;
    std::unique_ptr<VirtualDisplay> m_display;
};

TEST_F(TwoProgramsTest, SecondProgramWaitsSilentlyWhileTheFirstHoldsThePortAndFindsTheDeviceAfterIt)
{
    if (!m_display)
        std::fprintf(stderr, "no virtual X server: windows are not counted\n");
    std::unique_ptr<ChildProcess> first = StartKorva("first");
    ASSERT_TRUE(WaitForQueries(1, kStartUp)) << Log("first");

    std::unique_ptr<ChildProcess> second = StartKorva("second");
    if (m_display) {
        ASSERT_TRUE(WaitForShownWindow(*second)) << Log("second");
    }
    std::this_thread::sleep_for(kTwoCycles);
    // The second program never got the port: the device saw no query from it.
    EXPECT_EQ(QueriesTaken(), 1u);
    ASSERT_TRUE(first->Running()) << Log("first");
    ASSERT_TRUE(second->Running()) << Log("second");
    if (m_display) {
        EXPECT_EQ(ShownWindows(*first), 1u) << "the first program shows a message box";
        EXPECT_EQ(ShownWindows(*second), 1u) << "the second program shows a message box";
    }

    // The port is free once the first has ended; the second finds the device.
    first->Stop();
    EXPECT_TRUE(WaitForQueries(2, kSearch)) << Log("second");
    ASSERT_TRUE(second->Running()) << Log("second");
    if (m_display) {
        EXPECT_EQ(ShownWindows(*second), 1u) << "the second program shows a message box";
    }
    second->Stop();
    EXPECT_FALSE(second->Running());
}

}  // namespace
