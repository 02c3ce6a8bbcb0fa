// The built korva in the two kinds of desktop session, as the desktop sees it: on X (Xvfb) its
// window's class and icon, read with xprop; under a Wayland compositor (weston's headless
// backend) the whole demonstration, with the application id the program gives the compositor.
// Both name the desktop entry, org.korva.Korva. The Wayland test is skipped where weston or
// Qt's Wayland platform is not installed.
#include "ChildProcess.h"
#include "DataText.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "factory_data.h"

#include <QLibraryInfo>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr const char* kDesktopId = "org.korva.Korva";

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korva-session-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_tmp = pattern;
        for (const char* sub : {"work", "config", "data", "runtime"})
            std::filesystem::create_directory(m_tmp + "/" + sub);
        std::filesystem::permissions(m_tmp + "/runtime", std::filesystem::perms::owner_all);
        m_env = CurrentEnvironment();
        m_env.erase("QT_QPA_PLATFORM");
        m_env.erase("DISPLAY");
        m_env.erase("WAYLAND_DISPLAY");
        m_env["XDG_CONFIG_HOME"] = m_tmp + "/config";
        m_env["XDG_DATA_HOME"] = m_tmp + "/data";
        m_env["XDG_RUNTIME_DIR"] = m_tmp + "/runtime";
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "--- korva's output:\n" << ReadWholeFile(m_tmp + "/korva.log").substr(0, 4000) << "\n";
        m_korva.reset();
        m_compositor.reset();
        m_display.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_tmp, ec);
    }

    void StartKorva(const std::vector<std::string>& arguments)
    {
        LaunchRequest request;
        request.argv = {KORVA_PATH};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.env = m_env;
        request.workDir = m_tmp + "/work";
        request.logFile = m_tmp + "/korva.log";
        m_korva = std::make_unique<ChildProcess>(request);
    }

    static bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(200ms);
        }
        return true;
    }

    std::string m_tmp;
    Environment m_env;
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<ChildProcess> m_compositor;
    std::unique_ptr<ChildProcess> m_korva;
};

TEST_F(DesktopSession, OnXTheWindowsClassAndIconNameTheDesktopEntry)
{
    m_display = std::make_unique<VirtualDisplay>(m_tmp + "/xvfb.log");
    m_env["DISPLAY"] = m_display->Name();
    m_env["V24_COM1"] = m_tmp + "/no-such-port";
    StartKorva({});
    std::string window;
    ASSERT_TRUE(WaitFor(
        [&] {
            const ToolResult found = RunTool({"xdotool", "search", "--onlyvisible", "--name", "DATA-TRANSFER$"}, m_env);
            window = found.exitCode == 0 ? found.output.substr(0, found.output.find('\n')) : std::string();
            return !window.empty();
        },
        20s))
        << "no main window";
    const ToolResult props = RunTool({"xprop", "-id", window, "WM_CLASS", "_KDE_NET_WM_DESKTOP_FILE", "_NET_WM_ICON"}, m_env);
    ASSERT_EQ(props.exitCode, 0);
    EXPECT_NE(props.output.find("WM_CLASS(STRING) = \"org.korva.Korva\", \"org.korva.Korva\""), std::string::npos)
        << props.output.substr(0, 200);
    EXPECT_NE(props.output.find("_KDE_NET_WM_DESKTOP_FILE(UTF8_STRING) = \"org.korva.Korva\""), std::string::npos);
    // The drawing's large images beside the two small ones.
    for (const char* size : {"Icon (16 x 16)", "Icon (32 x 32)", "Icon (128 x 128)"})
        EXPECT_NE(props.output.find(size), std::string::npos) << size;
}

TEST_F(DesktopSession, UnderAWaylandCompositorTheDemonstrationRunsWithTheDesktopEntrysAppId)
{
    const std::string plugin =
        QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms/libqwayland-generic.so";
    if (RunTool({"sh", "-c", "command -v weston"}, m_env).exitCode != 0 || !std::filesystem::exists(plugin))
        GTEST_SKIP() << "needs weston and Qt's Wayland platform (qt6-wayland)";

    const std::string socket = "korva-test-wayland";
    LaunchRequest compositor;
    compositor.argv = {"weston", "--backend=headless-backend.so", "--socket=" + socket, "--idle-time=0"};
    compositor.env = m_env;
    compositor.logFile = m_tmp + "/weston.log";
    m_compositor = std::make_unique<ChildProcess>(compositor);
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(m_tmp + "/runtime/" + socket); }, 20s))
        << ReadWholeFile(m_tmp + "/weston.log");

    m_env["WAYLAND_DISPLAY"] = socket;
    m_env["QT_QPA_PLATFORM"] = "wayland";
    // The client's side of the protocol goes to its log: what the compositor is told.
    m_env["WAYLAND_DEBUG"] = "client";
    StartKorva({"--simulate", "--demo"});
    const std::optional<int> status = m_korva->Wait(150s);
    ASSERT_TRUE(status.has_value()) << "the demonstration did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;

    const std::string log = ReadWholeFile(m_tmp + "/korva.log");
    EXPECT_NE(log.find(std::string("set_app_id(\"") + kDesktopId + "\")"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(m_tmp + "/work/korva-demo.txt"), AsFileText(sim::factoryData()));
    EXPECT_TRUE(std::filesystem::exists(m_tmp + "/work/korva-demo.png"));
}

}  // namespace
