// The window started with --log: its transfer log goes to the file as it runs, and the file is
// no data file for the window to open.
#include "KorvaDesktop.h"

namespace {

using namespace e2e;

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
