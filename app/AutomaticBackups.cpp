#include "AutomaticBackups.h"

#include "AutomaticBackup.h"
#include "CaptureHistory.h"
#include "CmdTarget.h"
#include "DeviceProtocol.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageBox.h"
#include "ReadBack.h"
#include "resource.h"

#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace {

constexpr const char* kTextBackingUp = "Backing up all data from the device before %1: %2 lines";
constexpr const char* kTextDaily = "Daily backup of the device: %1 lines";
constexpr const char* kTextWaiting = "Waiting for the automatic backup to finish: %1 lines";
constexpr const char* kTextWaitingForLink = "Waiting for the device's data being read to finish, then backing up before %1";
constexpr const char* kTextBackedUp = "Backup of the device in the capture history: %1";
constexpr const char* kTextDailyDone = "Daily backup of the device in the capture history: %1";
constexpr const char* kTextDailyFailed = "The daily backup of the device failed: %1. It is tried again when the device is next found.";
constexpr const char* kTextCancelled = "%1 was cancelled: the device's data are as they were.";
constexpr const char* kTextNotGivenAgain = "%1 was not carried out: the window changed while the backup ran.";
constexpr const char* kAskGoOn = "The backup of the device's data before %1 failed: %2.\n\n"
                                 "Go on without a backup? The device's data are then lost for good.";
constexpr const char* kMsgNotWritten = "The setting could not be written to the settings file.";

// How often a backup that waits for the window's link looks whether it is back.
constexpr int kLinkLookMs = 50;

QString Latin1(const char* text)
{
    return QString::fromLatin1(text);
}

QString FileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

}  // namespace

CAutomaticBackups::CAutomaticBackups(CKorvaDoc& doc, CKorvaView& view, framework::CFrameWnd& frame)
    : m_doc(doc), m_view(view), m_frame(frame), m_bOn(AutomaticBackupsOn())
{
    m_view.m_fnBeforeErase = [this](unsigned command, std::function<void()> proceed) {
        return BeforeErase(command, std::move(proceed));
    };
    m_view.m_fnOnDeviceFound = [this] { OnDeviceFound(); };
}

CAutomaticBackups::~CAutomaticBackups()
{
    m_view.m_fnBeforeErase = nullptr;
    m_view.m_fnOnDeviceFound = nullptr;
}

void CAutomaticBackups::Toggle()
{
    if (!SetAutomaticBackups(!m_bOn)) {
        framework::AfxMessageBox(Latin1(kMsgNotWritten), framework::MB_ICONEXCLAMATION);
        return;
    }
    m_bOn = !m_bOn;
    // Turned on with the device found: the first backup need not wait for the next search.
    if (m_bOn && m_view.m_bIdentified == 1)
        OnDeviceFound();
}

bool CAutomaticBackups::IsRunning() const
{
    return m_pRead && m_pRead->IsRunning();
}

QString CAutomaticBackups::CommandName() const
{
    return m_nWaitingCommand == ID_PUT_DATA ? QStringLiteral("PUT DATA") : QStringLiteral("delivery mode");
}

// The command waits for the backup: one made for it, or the daily one that runs.
bool CAutomaticBackups::BeforeErase(unsigned command, std::function<void()> proceed)
{
    // Delivery mode given during the reset or while a download is requested sends nothing.
    if (!m_bOn || (command == ID_DELIVERY_MODE && m_view.m_nTicks != 0))
        return false;
    // A second erasing command while one waits is the same wish given twice.
    if (m_fnProceed)
        return true;
    m_nWaitingCommand = command;
    m_fnProceed = std::move(proceed);
    if (IsRunning()) {
        ShowProgress();
        return true;
    }
    StartOrWait();
    return true;
}

// Another read of the device (a comparison) holds the window's link: the backup follows once
// the link is back. A controller that is busy otherwise counts as a backup that failed.
void CAutomaticBackups::StartOrWait()
{
    if (!m_fnProceed || StartRead(false))
        return;
    if (!m_doc.IsLinkLent())
        return Resume(*m_pRead);
    m_frame.SetIdleMessage(Latin1(kTextWaitingForLink).arg(CommandName()));
    QTimer::singleShot(kLinkLookMs, &m_context, [this] { StartOrWait(); });
}

bool CAutomaticBackups::StartRead(bool daily)
{
    m_pRead = std::make_unique<CReadBack>(m_doc, m_view, *DownloadKindForCommand(ID_ALL_DATA));
    m_pRead->m_fnOnDone = [this](const CReadBack& read) { OnRead(read); };
    m_pRead->m_fnOnProgress = [this](const CReadBack&) { ShowProgress(); };
    m_bDaily = daily;
    return m_pRead->Start();
}

void CAutomaticBackups::ShowProgress()
{
    if (!IsRunning())
        return;
    const int32_t lines = m_pRead->LinesReceived();
    QString text;
    if (!m_bDaily)
        text = Latin1(kTextBackingUp).arg(CommandName()).arg(lines);
    else if (m_fnProceed || m_doc.GetTransferState() != kStateIdle)
        text = Latin1(kTextWaiting).arg(lines);
    else
        text = Latin1(kTextDaily).arg(lines);
    m_frame.SetIdleMessage(text);
}

void CAutomaticBackups::OnDeviceFound()
{
    if (m_bOn && !IsRunning() && DailyBackupDue(CCaptureHistory()))
        QTimer::singleShot(0, &m_context, [this] { StartDaily(); });
}

// The search has ended its tick by now; a command given since goes first.
void CAutomaticBackups::StartDaily()
{
    if (m_bOn && !IsRunning() && !m_fnProceed && m_view.IsIdle())
        StartRead(true);
}

// A backup made for a command always has the command waiting; a daily one may have one.
void CAutomaticBackups::OnRead(const CReadBack& read)
{
    if (m_bDaily)
        OnDailyRead(read);
    if (m_fnProceed)
        Resume(read);
}

void CAutomaticBackups::OnDailyRead(const CReadBack& read)
{
    if (read.GetResult() == CReadBack::kComplete)
        m_frame.SetIdleMessage(Latin1(kTextDailyDone).arg(FileName(read.CapturePath())));
    else
        m_frame.SetIdleMessage(Latin1(kTextDailyFailed).arg(read.Failure()));
}

void CAutomaticBackups::Resume(const CReadBack& read)
{
    if (read.GetResult() == CReadBack::kComplete) {
        m_frame.SetIdleMessage(Latin1(kTextBackedUp).arg(FileName(read.CapturePath())));
        return GoOn();
    }
    const int answer = framework::AfxMessageBox(Latin1(kAskGoOn).arg(CommandName(), read.Failure()),
                                                framework::MB_YESNO | framework::MB_ICONEXCLAMATION
                                                    | framework::MB_DEFBUTTON2);
    if (answer == framework::IDYES)
        return GoOn();
    m_frame.SetIdleMessage(Latin1(kTextCancelled).arg(CommandName()));
    m_fnProceed = nullptr;
}

// The command goes on as the user gave it, unless the window has moved on meanwhile (another
// command given, the command no longer enabled).
void CAutomaticBackups::GoOn()
{
    const std::function<void()> proceed = std::exchange(m_fnProceed, nullptr);
    if (m_doc.GetTransferState() != kStateIdle || !framework::IsCommandEnabled(m_view, m_nWaitingCommand)) {
        m_frame.SetIdleMessage(Latin1(kTextNotGivenAgain).arg(CommandName()));
        return;
    }
    proceed();
}
