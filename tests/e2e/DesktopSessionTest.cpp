// The built korva as the desktop sees it: on X (Xvfb) its window's class, desktop entry and
// icon, read with xprop; under a Wayland compositor (weston's headless backend) the whole
// demonstration, with the application id the program gives the compositor. Both name the
// desktop entry, org.korva.Korva. The Wayland test is skipped without weston or qt6-wayland.
#include "ChildProcess.h"
#include "DataText.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "WaitUntil.h"
#include "factory_data.h"

#include <QLibraryInfo>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.file("runtime"));
        std::filesystem::permissions(dir.file("runtime"), std::filesystem::perms::owner_all);
        for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.erase(variable);
        env["XDG_CONFIG_HOME"] = dir.file("config");
        env["XDG_RUNTIME_DIR"] = dir.file("runtime");
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "--- korva's output:\n" << ReadWholeFile(dir.file("korva.log")).substr(0, 4000) << "\n";
    }

    std::unique_ptr<ChildProcess> Start(std::vector<std::string> argv, const std::string& log)
    {
        return std::make_unique<ChildProcess>(LaunchRequest{std::move(argv), env, dir.path(), dir.file(log)});
    }

    TempWorkDir dir;
    Environment env = CurrentEnvironment();
};

TEST_F(DesktopSession, OnXTheWindowsClassAndIconNameTheDesktopEntry)
{
    const VirtualDisplay display(dir.file("xvfb.log"));
    env["DISPLAY"] = display.Name();
    env["V24_COM1"] = dir.file("no-such-port");
    const auto korva = Start({KORVA_PATH}, "korva.log");
    std::string window;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const ToolResult found = RunTool({"xdotool", "search", "--onlyvisible", "--name", "DATA-TRANSFER$"}, env);
            window = found.output.substr(0, found.output.find('\n'));
            if (found.exitCode == 0 && !window.empty())
                return true;
            std::this_thread::sleep_for(200ms);  // a search is a process of its own
            return false;
        },
        20000));
    const std::string props =
        RunTool({"xprop", "-id", window, "WM_CLASS", "_KDE_NET_WM_DESKTOP_FILE", "_NET_WM_ICON"}, env).output;
    for (const char* expected : {"WM_CLASS(STRING) = \"org.korva.Korva\", \"org.korva.Korva\"",
                                 "_KDE_NET_WM_DESKTOP_FILE(UTF8_STRING) = \"org.korva.Korva\"", "Icon (16 x 16)",
                                 "Icon (32 x 32)", "Icon (128 x 128)"})
        EXPECT_NE(props.find(expected), std::string::npos) << expected << "\n" << props.substr(0, 300);
}

TEST_F(DesktopSession, UnderAWaylandCompositorTheDemonstrationRunsWithTheDesktopEntrysAppId)
{
    const std::string plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms/libqwayland-generic.so";
    if (RunTool({"sh", "-c", "command -v weston"}, env).exitCode != 0 || !std::filesystem::exists(plugin))
        GTEST_SKIP() << "needs weston and Qt's Wayland platform (qt6-wayland)";
    const auto compositor =
        Start({"weston", "--backend=headless-backend.so", "--socket=korva-test", "--idle-time=0"}, "weston.log");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(dir.file("runtime/korva-test")); }, 20000));

    env["WAYLAND_DISPLAY"] = "korva-test";
    env["QT_QPA_PLATFORM"] = "wayland";
    env["WAYLAND_DEBUG"] = "client";  // what the program tells the compositor goes to its log
    const std::optional<int> status = Start({KORVA_PATH, "--simulate", "--demo"}, "korva.log")->Wait(150s);
    ASSERT_TRUE(status.has_value()) << "the demonstration did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
    EXPECT_NE(ReadWholeFile(dir.file("korva.log")).find("set_app_id(\"org.korva.Korva\")"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(dir.file("korva-demo.txt")), AsFileText(sim::factoryData()));
    EXPECT_TRUE(FileExists(dir.file("korva-demo.png")));
}

}  // namespace
