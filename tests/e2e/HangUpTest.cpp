// A hang-up (the terminal korva was started from closes, an ssh session drops) while the window
// puts data into the device: the upload finishes first, then the program ends, and the device
// gives back all of the data.
#include "DataText.h"
#include "KorvaDesktop.h"

#include <csignal>
#include <sys/wait.h>

namespace {

using namespace e2e;

constexpr const char* kFileCaption = "^upload\\.txt - DATA-TRANSFER$";
constexpr const char* kStopAfterUpload = "korva: waiting for the upload to the device to finish, then ending\n";
const QRgb kProgressBlue = qRgb(0, 0, 255);

bool ShowsProgress(const QImage& screen)
{
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if ((screen.pixel(x, y) & RGB_MASK) == (kProgressBlue & RGB_MASK))
                return true;
    return false;
}

TEST_F(KorvaDesktop, AHangUpDuringAnUploadLetsItFinishThenEndsTheProgram)
{
    // One line a tick: the upload takes several seconds.
    const std::vector<std::string> lines = NumberedLines(601);
    WriteWholeFile(WorkDir() + "/upload.txt", AsFileText(lines));
    const std::string port = StartSimulator({"--fast"});
    ASSERT_FALSE(port.empty()) << "veq-sim named no pseudo-terminal";
    StartKorva(port, {"upload.txt"});

    // The opened file is announced as captured data; then PUT DATA is enabled.
    std::string box;
    ASSERT_TRUE(WaitForWindow(kMessageCaption, 30s, &box)) << "no message for the opened file";
    PressKeys(box, "Return");
    ASSERT_TRUE(WaitForWindow(kFileCaption, 10s));
    std::optional<QPoint> putData;
    ASSERT_TRUE(WaitUntil([&] { return (putData = FindOnScreen(ButtonPicture(kCellPutData))).has_value(); }, 20s))
        << "PUT DATA is not enabled";
    Click(*putData + QPoint(kCellWidth / 2, kCellHeight / 2));
    // The bar is first drawn after the second line.
    ASSERT_TRUE(WaitUntil([&] { return ShowsProgress(m_display->Grab()); }, 20s, 50ms)) << "the upload did not begin";

    ::kill(m_korva->Pid(), SIGHUP);

    const std::optional<int> status = m_korva->Wait(60s);
    ASSERT_TRUE(status.has_value()) << "korva did not end";
    ASSERT_TRUE(WIFEXITED(*status)) << "korva was ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_NE(ReadWholeFile(m_tmp + "/korva.log").find(kStopAfterUpload), std::string::npos);

    // Read back from the device: it gives back what it took.
    LaunchRequest readBack;
    readBack.argv = {KORVA_PATH, "--download", "all", "--output", "back.txt"};
    readBack.env = CurrentEnvironment();
    readBack.env["V24_COM1"] = port;
    readBack.env["XDG_CONFIG_HOME"] = m_tmp + "/config";
    readBack.env["XDG_DATA_HOME"] = m_tmp + "/data";
    readBack.workDir = WorkDir();
    readBack.logFile = m_tmp + "/read-back.log";
    ChildProcess download(readBack);
    const std::optional<int> downloaded = download.Wait(60s);
    ASSERT_TRUE(downloaded && WIFEXITED(*downloaded) && WEXITSTATUS(*downloaded) == 0)
        << ReadWholeFile(m_tmp + "/read-back.log");
    EXPECT_EQ(ReadWholeFile(WorkDir() + "/back.txt"), AsFileText(lines));
}

}  // namespace
