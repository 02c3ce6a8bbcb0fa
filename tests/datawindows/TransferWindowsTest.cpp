// The windows of the line's truth in the running program: the transfer log following a
// download, saved and cleared; "Compare with device" after a download (identical), with other
// data in working storage and against a device whose data changed (lines differ); and the
// support report on the clipboard.
#include "AppFixture.h"

#include "CmdTarget.h"
#include "CompareWnd.h"
#include "DeviceComparison.h"
#include "TransferLog.h"
#include "TransferLogWnd.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>

namespace {

template <class TWindow>
TWindow* ChildWindow(const QObject* owner)
{
    for (QObject* child : owner->children()) {
        if (auto* window = dynamic_cast<TWindow*>(child))
            return window;
    }
    return nullptr;
}

QByteArray FileOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TransferWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        CTransferLog::Program().Clear();
    }
    bool Give(unsigned id) { return framework::ExecuteCommand(*frame, id); }
    // Compare with device, run to its window; nullptr when none showed.
    CCompareWnd* CompareWithDevice()
    {
        Idle();
        if (!Give(ID_COMPARE_DEVICE))
            return nullptr;
        WaitUntil([] { return theApp.Comparison() && !theApp.Comparison()->IsRunning(); }, 20000);
        return theApp.Comparison() ? theApp.Comparison()->Window() : nullptr;
    }
};

TEST_F(TransferWindowTest, TheLogWindowFollowsADownloadAndSavesAndClearsTheLog)
{
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(Identify());
    ASSERT_TRUE(Give(ID_HELP_TRANSFER_LOG));
    auto* window = ChildWindow<CTransferLogWnd>(frame);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Text()->toPlainText().contains(QStringLiteral("TX       R<CR><LF>")));
    Idle();
    Click(ID_ADJUSTMENT_DATA);
    TickToIdle();
    // While it is open it takes in what the download brought.
    ASSERT_TRUE(WaitUntil([&] { return window->Text()->toPlainText().contains(QStringLiteral("<EOT>")); }));
    const QString text = window->Text()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("TRANSFER adjustment data (DD)")));
    EXPECT_TRUE(text.contains(QStringLiteral("TX       DD<CR><LF>")));
    EXPECT_TRUE(text.contains(QStringLiteral("RX       ADJUSTMENT DATA<CR><LF>")));
    EXPECT_EQ(text, QString::fromUtf8(CTransferLog::Program().Text()));

    const QString saved = QString::fromStdString(dir.file("line.log"));
    fileAnswers.push_back(saved);
    window->OnSaveAs();
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_FALSE(fileRequests[0].open);
    EXPECT_EQ(FileOf(saved), CTransferLog::Program().Text());

    // The support report carries the last transfer's log.
    ASSERT_TRUE(Give(ID_HELP_SUPPORT_REPORT));
    const QString report = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(report.startsWith(QStringLiteral("korva support report, "))) << report.left(200).toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Last transfer's log:\n")));
    EXPECT_TRUE(report.contains(QStringLiteral("TRANSFER adjustment data (DD)\n")));
    EXPECT_TRUE(frame->m_wndStatusBar.GetPaneText(0).startsWith(QStringLiteral("The support report is on the clipboard")));

    window->OnClear();
    EXPECT_FALSE(window->Text()->toPlainText().contains(QStringLiteral("TX ")));
    EXPECT_EQ(window->Summary(),
              QStringLiteral("0 events since the log was cleared"));
    // A second command brings it to the front again, as it stands.
    window->hide();
    ASSERT_TRUE(Give(ID_HELP_TRANSFER_LOG));
    EXPECT_EQ(ChildWindow<CTransferLogWnd>(frame), window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TransferWindowTest, CompareWithDeviceNeedsDataAndTheDevice)
{
    ASSERT_TRUE(Start());
    Idle();
    EXPECT_FALSE(frame->MenuAction(ID_COMPARE_DEVICE)->isEnabled());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    EXPECT_FALSE(frame->MenuAction(ID_COMPARE_DEVICE)->isEnabled()) << "working storage holds nothing yet";
    Click(ID_ADJUSTMENT_DATA);
    TickToIdle();
    Idle();
    EXPECT_TRUE(frame->MenuAction(ID_COMPARE_DEVICE)->isEnabled());
    Click(ID_PUT_DATA);
    Tick(5);
    Idle();
    EXPECT_FALSE(frame->MenuAction(ID_COMPARE_DEVICE)->isEnabled()) << "not while a transfer runs";
    TickToIdle();
}

TEST_F(TransferWindowTest, AfterADownloadTheDeviceHoldsIdenticalData)
{
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(CaptureData());
    const QByteArray stored = doc->FileBytes();
    const size_t boxesBefore = boxes.boxes.size();
    CCompareWnd* window = CompareWithDevice();
    ASSERT_NE(window, nullptr) << boxes.texts.back().toStdString();
    EXPECT_EQ(window->Summary(), QStringLiteral("identical"));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Compare with device")));
    // The read was an ordinary download of the same kind, and left working storage alone.
    EXPECT_EQ(device->Commands().back(), "DD");
    EXPECT_EQ(doc->FileBytes(), stored);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(boxes.boxes.size(), boxesBefore);
    EXPECT_TRUE(frame->m_wndStatusBar.GetPaneText(0).trimmed().isEmpty());
}

TEST_F(TransferWindowTest, OtherDataThanTheDevicesAreShownLineByLine)
{
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(CaptureData());
    const QString capture = view->LastCapture();
    // The device takes other adjustment data...
    const std::string changed = WriteDataFile("changed.txt", {"ADJUSTMENT DATA", "A4 442.0 Hz", "DATA END________"});
    fileAnswers.push_back(QString::fromStdString(changed));
    doc->SetModifiedFlag(false);
    ASSERT_TRUE(Give(ID_FILE_OPEN));
    TickToIdle();
    Idle();
    Click(ID_PUT_DATA);
    TickToIdle();
    ASSERT_EQ(boxes.texts.back(), kStoredMessage);
    // ...and identical data after the upload.
    CCompareWnd* same = CompareWithDevice();
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->Summary(), QStringLiteral("identical"));
    EXPECT_EQ(device->Commands().back(), "DA");
    same->close();

    // The capture of the first download against the changed device: its kind is read.
    ASSERT_TRUE(theApp.OpenDocumentFile(capture));
    TickToIdle();
    CCompareWnd* differs = CompareWithDevice();
    ASSERT_NE(differs, nullptr);
    EXPECT_EQ(device->Commands().back(), "DD");
    // The 18 lines between title and end line became one: 18 rows differ, the first a change.
    EXPECT_EQ(differs->Summary(), QStringLiteral("18 lines differ"));
}
