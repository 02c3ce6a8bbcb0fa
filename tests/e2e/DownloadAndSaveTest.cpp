// The built korva on a private X server against veq-sim on a pseudo-terminal: the data saved
// through the file dialog must be the device's, byte for byte.
#include "DataText.h"
#include "KorvaDesktop.h"
#include "factory_data.h"

#include <sstream>

namespace {

using namespace e2e;

constexpr const char* kSaveDialogCaption = "^Speichern unter$";
constexpr const char* kSavedName = "e2e-download";
constexpr const char* kSavedCaption = "^e2e-download\\.txt - DATA-TRANSFER$";

const QRgb kProgressBlue = qRgb(0, 0, 255);

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

}  // namespace
