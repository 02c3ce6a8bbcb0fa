// The built korva on a private X server against veq-sim on a pseudo-terminal, used only from
// outside as a user would: xdotool moves the mouse and types, the screen is read back to find
// the toolbar button. The data saved through the file dialog must be the device's, byte for
// byte. Set KORVA_E2E_SCREENSHOTS to a folder to keep pictures of the steps.
#include "ChildProcess.h"
#include "DataText.h"
#include "KorvaResources.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "WaitUntil.h"
#include "factory_data.h"

#include <QImage>
#include <filesystem>
#include <iostream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kUntitledCaption = "^VEQ_32_C_DATA - DATA-TRANSFER$";
// Message boxes without a caption of their own carry the application's name.
constexpr const char* kMessageCaption = "^VEQ_32_C$";
constexpr const char* kSaveDialogCaption = "^Speichern unter$";
constexpr const char* kSavedName = "e2e-download";
constexpr const char* kSavedCaption = "^e2e-download\\.txt - DATA-TRANSFER$";

// Cells of the toolbar bitmap: New is always enabled, ALL DATA only once the device is known.
constexpr int kCellNew = 0;
constexpr int kCellAllData = 4;
constexpr int kCellWidth = 29;
constexpr int kCellHeight = 21;
const QRgb kProgressBlue = qRgb(0, 0, 255);

QImage ButtonPicture(int cell)
{
    return ToolBarBitmap().copy(cell * kCellWidth, 0, kCellWidth, kCellHeight);
}

std::string Tail(const std::string& path, std::size_t bytes = 2000)
{
    const std::string all = ReadWholeFile(path);
    return all.size() > bytes ? all.substr(all.size() - bytes) : all;
}

// Empty when equal; otherwise where and how the two differ, short enough for a test report.
std::string Difference(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return {};
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    std::ostringstream out;
    out << "sizes " << actual.size() << " and " << expected.size() << ", first difference at byte " << at
        << ": saved \"" << actual.substr(at, 40) << "\", device \"" << expected.substr(at, 40) << "\"";
    return out.str();
}

int CountPixels(const QImage& screen, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            count += (screen.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK);
    return count;
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

    // The device, held still until the test lets it answer.
    std::string StartSuspendedSimulator()
    {
        LaunchRequest request;
        request.argv = {VEQ_SIM_PATH, "--pty"};
        request.env = CurrentEnvironment();
        request.logFile = m_tmp + "/veq-sim.log";
        request.captureStdout = true;
        m_simulator = std::make_unique<ChildProcess>(request);
        const std::optional<std::string> slave = m_simulator->ReadLine(10s);
        if (slave)
            m_simulator->Suspend();
        return slave.value_or("");
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

TEST_F(KorvaDesktop, AllDataDownloadedByToolbarClickIsSavedThroughFileDialogAsTheDeviceSentIt)
{
    const QImage newButton = ButtonPicture(kCellNew);
    const QImage allDataButton = ButtonPicture(kCellAllData);
    const std::string port = StartSuspendedSimulator();
    ASSERT_FALSE(port.empty()) << "veq-sim named no pseudo-terminal";
    StartKorva(port);

    ASSERT_TRUE(WaitForWindow(kUntitledCaption, 20s)) << "no main window";
    // While the device is silent the program searches, with the device buttons disabled.
    ASSERT_TRUE(WaitUntil([&] { return FindOnScreen(newButton).has_value(); }, 20s)) << "toolbar not drawn";
    EXPECT_FALSE(FindOnScreen(allDataButton)) << "ALL DATA enabled before the device answered";
    KeepScreenshot("searching.png");

    m_simulator->Resume();
    std::optional<QPoint> allData;
    ASSERT_TRUE(WaitUntil([&] { return (allData = FindOnScreen(allDataButton)).has_value(); }, 40s))
        << "the device was not identified: ALL DATA never became enabled";
    KeepScreenshot("identified.png");

    Click(*allData + QPoint(kCellWidth / 2, kCellHeight / 2));
    ASSERT_TRUE(WaitUntil([&] { return !FindOnScreen(allDataButton); }, 10s))
        << "the click did not start a download: ALL DATA stayed enabled";

    // About 70 s at one line per tick; the progress bar is watched on the way.
    bool bProgressSeen = false;
    bool bPictureKept = false;
    const auto started = Clock::now();
    std::string box;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const QImage screen = m_display->Grab();
            bProgressSeen = bProgressSeen || CountPixels(screen, kProgressBlue) > 0;
            if (!bPictureKept && Clock::now() - started > 30s) {
                KeepScreenshot("downloading.png", screen);
                bPictureKept = true;
            }
            return !(box = VisibleWindow(kMessageCaption)).empty();
        },
        150s, 1s))
        << "no message at the end of the download";
    EXPECT_TRUE(bProgressSeen) << "no progress bar during the download";
    KeepScreenshot("captured.png");

    PressKeys(box, "Return");
    ASSERT_TRUE(WaitUntil([&] { return VisibleWindow(kMessageCaption).empty(); }, 10s)) << "Enter left the box open";

    std::string main;
    ASSERT_TRUE(WaitForWindow(kUntitledCaption, 5s, &main));
    PressKeys(main, "ctrl+s");
    std::string dialog;
    ASSERT_TRUE(WaitForWindow(kSaveDialogCaption, 20s, &dialog)) << "Ctrl+S opened no file dialog";
    KeepScreenshot("save-dialog.png");
    // The file-name field has the focus with the proposed name selected: typing replaces it.
    TypeText(dialog, kSavedName);
    PressKeys(dialog, "Return");
    ASSERT_TRUE(WaitForWindow(kSavedCaption, 20s)) << "the caption does not name the saved file";
    KeepScreenshot("saved.png");

    const std::string saved = WorkDir() + "/" + kSavedName + ".txt";
    ASSERT_TRUE(std::filesystem::exists(saved)) << saved;
    // What the device holds and sends for "DA": its lines, each ended by CR LF on the line and
    // so in the saved file.
    EXPECT_EQ(Difference(ReadWholeFile(saved), AsFileText(sim::factoryData())), "");
}

// --log FILE writes the window's transfer log as it goes; FILE is no data file for the window
// to open.
TEST_F(KorvaDesktop, TheWindowWritesItsTransferLogAsItGoes)
{
    const std::string log = WorkDir() + "/korva.log";
    const std::string port = StartSuspendedSimulator();
    ASSERT_FALSE(port.empty()) << "veq-sim named no pseudo-terminal";
    m_simulator->Resume();
    StartKorva(port, {"--log", log});
    ASSERT_TRUE(WaitForWindow(kUntitledCaption, 20s)) << "no main window";
    ASSERT_TRUE(WaitUntil([&] { return FindOnScreen(ButtonPicture(kCellAllData)).has_value(); }, 40s))
        << "the device was not identified";
    EXPECT_EQ(VisibleWindow(kMessageCaption), "") << "a box came up: the log's file was taken for a data file";
    const std::string text = ReadWholeFile(log);
    EXPECT_EQ(text.rfind("# korva transfer log", 0), 0u) << text;
    EXPECT_NE(text.find(" OPEN     COM1 " + port), std::string::npos) << text;
    EXPECT_NE(text.find(" TX       R<CR><LF>\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" RX       VEQ-32-C 3.12<CR><LF>\n"), std::string::npos) << text;
}

}  // namespace
