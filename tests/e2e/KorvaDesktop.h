#pragma once
// The built korva on a private X server, used only from outside as a user would: xdotool moves
// the mouse and types, the screen is read back to find the toolbar buttons. Set
// KORVA_E2E_SCREENSHOTS to a folder to keep pictures of the steps.
#include "ChildProcess.h"
#include "KorvaResources.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "WaitUntil.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline constexpr const char* kUntitledCaption = "^VEQ_32_C_DATA - DATA-TRANSFER$";
// Message boxes without a caption of their own carry the application's name.
inline constexpr const char* kMessageCaption = "^VEQ_32_C$";

// Cells of the toolbar bitmap: New is always enabled, the others only when their command is.
inline constexpr int kCellNew = 0;
inline constexpr int kCellPutData = 3;
inline constexpr int kCellAllData = 4;
inline constexpr int kCellWidth = 29;
inline constexpr int kCellHeight = 21;

inline QImage ButtonPicture(int cell)
{
    return ToolBarBitmap().copy(cell * kCellWidth, 0, kCellWidth, kCellHeight);
}

inline std::string Tail(const std::string& path, std::size_t bytes = 2000)
{
    const std::string all = ReadWholeFile(path);
    return all.size() > bytes ? all.substr(all.size() - bytes) : all;
}

class KorvaDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korva-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_tmp = pattern;
        for (const char* sub : {"work", "config", "runtime"})
            std::filesystem::create_directory(m_tmp + "/" + sub);
        std::filesystem::permissions(m_tmp + "/runtime", std::filesystem::perms::owner_all);
        m_display = std::make_unique<VirtualDisplay>(m_tmp + "/xvfb.log");
        m_xEnv = CurrentEnvironment();
        m_xEnv["DISPLAY"] = m_display->Name();
    }

    void TearDown() override
    {
        if (HasFailure()) {
            KeepScreenshot("failure.png");
            std::cerr << "--- korva's output:\n" << Tail(m_tmp + "/korva.log") << "\n--- veq-sim's output:\n"
                      << Tail(m_tmp + "/veq-sim.log") << "\n";
        }
        m_korva.reset();
        m_simulator.reset();
        m_display.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_tmp, ec);
    }

    // The device on a pseudo-terminal; its path, or empty when it named none.
    std::string StartSimulator(const std::vector<std::string>& options = {})
    {
        LaunchRequest request;
        request.argv = {VEQ_SIM_PATH, "--pty"};
        request.argv.insert(request.argv.end(), options.begin(), options.end());
        request.env = CurrentEnvironment();
        request.logFile = m_tmp + "/veq-sim.log";
        request.captureStdout = true;
        m_simulator = std::make_unique<ChildProcess>(request);
        return m_simulator->ReadLine(10s).value_or("");
    }

    // The device, held still until the test lets it answer.
    std::string StartSuspendedSimulator()
    {
        const std::string slave = StartSimulator();
        if (!slave.empty())
            m_simulator->Suspend();
        return slave;
    }

    // korva as installed for a user: the xcb platform on our display, COM1 on the simulator's
    // line, its settings and files in the test's own folders.
    void StartKorva(const std::string& port, const std::vector<std::string>& arguments = {})
    {
        LaunchRequest request;
        request.argv = {KORVA_PATH};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.env = m_xEnv;
        request.env.erase("QT_QPA_PLATFORM");
        request.env["V24_COM1"] = port;
        request.env["XDG_CONFIG_HOME"] = m_tmp + "/config";
        request.env["XDG_DATA_HOME"] = m_tmp + "/data";
        request.env["XDG_RUNTIME_DIR"] = m_tmp + "/runtime";
        request.workDir = WorkDir();
        request.logFile = m_tmp + "/korva.log";
        m_korva = std::make_unique<ChildProcess>(request);
    }

    std::string WorkDir() const { return m_tmp + "/work"; }

    // Polls until the condition holds; gives up early when korva has ended.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout,
                   std::chrono::milliseconds interval = 250ms)
    {
        bool held = false;
        ::WaitUntil([&] { return (held = condition()) || (m_korva && !m_korva->Running()); },
                    int(std::chrono::milliseconds(timeout).count()), int(interval.count()));
        return held;
    }

    ToolResult Xdotool(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunTool(argv, m_xEnv);
    }

    // The first visible window whose title matches the pattern, or "".
    std::string VisibleWindow(const std::string& titlePattern)
    {
        const ToolResult found = Xdotool({"search", "--onlyvisible", "--name", titlePattern});
        return found.exitCode == 0 ? found.output.substr(0, found.output.find('\n')) : std::string();
    }

    bool WaitForWindow(const std::string& titlePattern, std::chrono::seconds timeout, std::string* id = nullptr)
    {
        std::string found;
        const bool ok = WaitUntil([&] { return !(found = VisibleWindow(titlePattern)).empty(); }, timeout);
        if (id)
            *id = found;
        return ok;
    }

    // Without a window manager nobody gives focus: the test does, as a click would.
    void PressKeys(const std::string& window, const std::string& keys)
    {
        ASSERT_EQ(Xdotool({"windowfocus", "--sync", window, "key", "--clearmodifiers", keys}).exitCode, 0);
    }

    void TypeText(const std::string& window, const std::string& text)
    {
        ASSERT_EQ(Xdotool({"windowfocus", "--sync", window, "type", "--delay", "30", text}).exitCode, 0);
    }

    void Click(const QPoint& at)
    {
        ASSERT_EQ(Xdotool({"mousemove", "--sync", std::to_string(at.x()), std::to_string(at.y()), "click", "1"})
                      .exitCode,
                  0);
    }

    std::optional<QPoint> FindOnScreen(const QImage& picture) { return FindPicture(m_display->Grab(), picture); }

    void KeepScreenshot(const std::string& name, const QImage& screen = QImage())
    {
        const QByteArray folder = qgetenv("KORVA_E2E_SCREENSHOTS");
        if (folder.isEmpty() || !m_display)
            return;
        (screen.isNull() ? m_display->Grab() : screen).save(QString::fromLocal8Bit(folder) + "/" + name.c_str());
    }

    std::string m_tmp;
    Environment m_xEnv;
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<ChildProcess> m_simulator;
    std::unique_ptr<ChildProcess> m_korva;
};


}  // namespace e2e
