#include "Demo.h"

#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "resource.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPollMs = 100;
constexpr int kGiveUpPolls = 5 * 60 * 1000 / kPollMs;  // the download takes about 70 s
constexpr const char* kCapturedStart = "VEQ-Data are captured";

CKorvaView* DemoView()
{
    framework::CFrameWnd* frame = framework::AfxGetMainWnd();
    return frame ? dynamic_cast<CKorvaView*>(frame->GetActiveView()) : nullptr;
}

}  // namespace

CDemo::CDemo()
{
    m_poll.setInterval(kPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, this, [this] { OnPoll(); });
}

void CDemo::Start()
{
    std::printf("korva demo: waiting for the simulated device to be identified\n");
    std::fflush(stdout);
    m_poll.start();
}

void CDemo::OnPoll()
{
    framework::CFrameWnd* frame = framework::AfxGetMainWnd();
    CKorvaView* view = DemoView();
    if (!frame || !view)
        return;
    if (++m_nPolls > kGiveUpPolls)
        return Finish(false, QStringLiteral("gave up after five minutes"));
    if (m_step == Step::waitForDevice && framework::IsCommandEnabled(*frame, ID_ALL_DATA))
        return StartDownload();
    if (m_step != Step::downloading)
        return;
    if (!m_bPictureTaken && view->m_nLines * 2 >= view->m_nProgressFull) {
        m_bPictureTaken = frame->grab().save(QDir::current().filePath(QLatin1String(kPictureFile)));
    }
    CKorvaDoc* doc = view->GetDocument();
    if (m_bCaptured && doc->GetTransferState() == kStateIdle) {
        const QString data = QDir::current().filePath(QLatin1String(kDataFile));
        if (!doc->DoSave(data))
            return Finish(false, QStringLiteral("the data could not be saved to %1").arg(data));
        const int32_t lines = static_cast<int32_t>(std::count(doc->m_data, doc->m_data + doc->m_nDataSize, '\r'));
        Finish(m_bPictureTaken, QStringLiteral("%1 lines saved to %2, window picture in %3")
                                    .arg(lines)
                                    .arg(data, QDir::current().filePath(QLatin1String(kPictureFile))));
    }
}

void CDemo::StartDownload()
{
    std::printf("korva demo: device identified, downloading all data\n");
    std::fflush(stdout);
    // The program's messages are answered as a user would, and shown here.
    framework::SetMessageBoxHandler([this](const framework::MessageBoxRequest& box) {
        std::printf("korva demo: message \"%s\"\n", qPrintable(box.text.simplified()));
        std::fflush(stdout);
        if (box.text.startsWith(QLatin1String(kCapturedStart)))
            m_bCaptured = true;
        return static_cast<int>(framework::IDOK);
    });
    m_step = Step::downloading;
    framework::AfxGetMainWnd()->OnCommand(ID_ALL_DATA);
}

void CDemo::Finish(bool ok, const QString& message)
{
    m_step = Step::done;
    m_poll.stop();
    m_bSucceeded = ok;
    std::printf("korva demo: %s%s\n", ok ? "" : "failed: ", qPrintable(message));
    std::fflush(stdout);
    framework::SetMessageBoxHandler({});
    if (framework::CFrameWnd* frame = framework::AfxGetMainWnd())
        frame->close();
}
