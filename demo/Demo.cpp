#include "Demo.h"

#include "DataLines.h"
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
// The download takes about 25 s at the line's speed; five minutes mean something is wrong.
constexpr int kGiveUpPolls = 5 * 60 * 1000 / kPollMs;

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
    if (m_bDownloadFailed)
        return Finish(false, QStringLiteral("the download did not end with the device's data"));
    CKorvaDoc* doc = view->GetDocument();
    if (m_bCaptured && doc->GetTransferState() == kStateIdle) {
        const QString data = QDir::current().filePath(QLatin1String(kDataFile));
        if (!doc->DoSave(data))
            return Finish(false, QStringLiteral("the data could not be saved to %1").arg(data));
        const int lines = CountDataLines(doc->m_data, doc->m_nDataSize);
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
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest& box) {
        std::printf("korva demo: message \"%s\"\n", qPrintable(box.text.simplified()));
        std::fflush(stdout);
        return static_cast<int>(framework::IDOK);
    });
    // The end of the download is acted on at the next poll, outside the controller's step.
    DemoView()->m_fnOnTransferEnd = [this](const CTransferEnd& end) {
        if (end.nOutcome == kOutcomeCaptured)
            m_bCaptured = true;
        else if (end.nOutcome != kOutcomeNoAnswer)
            m_bDownloadFailed = true;
    };
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
    if (CKorvaView* view = DemoView())
        view->m_fnOnTransferEnd = nullptr;
    if (framework::CFrameWnd* frame = framework::AfxGetMainWnd())
        frame->close();
}
