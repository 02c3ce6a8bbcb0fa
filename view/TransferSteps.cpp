// The transfer state machine: one step of the current transfer state per tick of timer 101,
// followed by the upload step. The dialogue's timing is counted in ticks; only the waits for
// the line are bounded in clock time, so that a read or a line that has not ended goes on over
// the next ticks instead of holding the window.
#include "KorvaView.h"

#include "CaptureHistory.h"
#include "DeviceProtocol.h"
#include "DataLines.h"
#include "KorvaDoc.h"
#include "LinkErrors.h"
#include "LogFormat.h"
#include "MessageBox.h"
#include "TransferLog.h"
#include "TransferMessages.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

namespace {

// An upload's full scale leaves out the lines that make no data lines of the device.
constexpr int32_t kUploadFullMargin = 8;

// The search cycle: open the port, send the query, read the answer.
constexpr int32_t kSearchOpenTick = 101;
constexpr int32_t kSearchQueryTick = 200;
constexpr int32_t kSearchReadTick = 400;
constexpr int32_t kSearchCap = 500;
// A download request goes out on this tick of its state.
constexpr int32_t kRequestTick = 10;
constexpr int32_t kRequestCap = 30;
// Receiving counts only to mark that its entry actions are done.
constexpr int32_t kReceiveCap = 1;
// The upload announces the data, then the upload step sends one line per tick.
constexpr int32_t kUploadAnnounceTick = 100;
constexpr int32_t kUploadFirstLineTick = 200;
constexpr int32_t kUploadCap = 300;

// The progress bar is redrawn about every 200 lines: the step counter starts here, and the bar
// is drawn when it stood above the threshold (first after 3 received or 2 sent lines).
constexpr int32_t kProgressStepStart = 199;
constexpr int32_t kReceiveDrawAbove = 200;
constexpr int32_t kUploadDrawAbove = 199;

constexpr const char* kTextSearching = "searching VEQ-32-C";
constexpr const char* kTextIdentified = "VEQ-32-C identified !!";
constexpr const char* kTextWaiting = "Waiting for VEQ Data !";
constexpr const char* kTextReceiving = "Receiving data from VEQ !";
constexpr const char* kTextFirmwareReset = "VEQ-32-C firmware reset >DU< !";
// The blanks cover the longer texts that stood at the same place.
constexpr char kTextTransmitting[] = "transmitting data to VEQ !                      ";
static_assert(sizeof kTextTransmitting - 1 == 48, "26 characters and 22 blanks");

// The device's line is never waited for longer than this on a tick: a read or a line that has
// not ended by then goes on over the following ticks, which are lost to it as to a blocking
// read or write.
constexpr uint32_t kFirstWaitMs = 15;
constexpr uint32_t kPendingWaitMs = 2;
// Lines that wait complete are stored in the same tick, within this time.
constexpr auto kReceiveBatchTime = std::chrono::milliseconds(8);

constexpr const char* kTextNotKept = "The download could not be kept in the capture history: %1";

CTransferEnd EndOf(TransferOutcome outcome, int32_t code = 0, LinkFailure cause = kLinkFailureUnknown)
{
    CTransferEnd end;
    end.nOutcome = outcome;
    end.nCode = code;
    end.nCause = cause;
    return end;
}

QString Latin1(const char* text)
{
    return QString::fromLatin1(text);
}

// The dialogue that a state begins, in the transfer log's words; empty for other states.
QString TransferBegunBy(int32_t state, const CKorvaDoc& doc)
{
    if (const DownloadKind* kind = DownloadKindForState(state))
        return QStringLiteral("%1 (%2)").arg(Latin1(kind->title), Latin1(kind->deviceCommand));
    if (state == kStateUpload) {
        return QStringLiteral("upload (%1) of %2 lines")
            .arg(Latin1(kCmdUpload))
            .arg(CountDataLines(doc.m_data, doc.m_nDataSize));
    }
    if (state == kStateDeliveryReset)
        return QStringLiteral("delivery-mode reset (%1)").arg(Latin1(kCmdDeliveryMode));
    return QString();
}

}  // namespace

void CKorvaView::OnTimer(unsigned id)
{
    if (id != kTimerId) {
        framework::CView::OnTimer(id);
        return;
    }
    // Ticks that a message box's own loop delivers while a step waits for it are lost.
    if (m_bInTimer == 1)
        return;
    m_bInTimer = 1;
    // So are the ticks that come while a read goes on; the one that finds it ended finishes the
    // tick that began it, as a read that blocked would have returned into it.
    if (m_nPendingIo != kNoPendingIo) {
        if (!FinishPendingIo())
            m_bInTimer = 0;
        return;
    }
    CheckPort();
    // While another controller talks to the device on this one's link, no step runs: a
    // command given meanwhile waits for the link to come back.
    if (GetDocument()->IsLinkLent()) {
        m_bInTimer = 0;
        return;
    }
    if (RunStep(GetDocument()->GetTransferState()))
        EndTick();
}

bool CKorvaView::IsIdle() const
{
    const CKorvaDoc* pDoc = GetDocument();
    return pDoc->GetTransferState() == kStateIdle && m_nPendingIo == kNoPendingIo && !m_bDraining
        && !pDoc->IsLinkLent() && !pDoc->HasUnfinishedTransfer();
}

void CKorvaView::ShowMessage(const QString& text)
{
    if (!m_bQuiet)
        framework::AfxMessageBox(text, framework::MB_OK);
}

void CKorvaView::LogStateChange(int32_t state)
{
    if (state == m_nLoggedState)
        return;
    m_nLoggedState = state;
    CTransferLog& log = CTransferLog::Program();
    // A quiet controller reads the device for a caller of its own, not into working storage.
    if (const QString transfer = TransferBegunBy(state, *GetDocument()); !transfer.isEmpty())
        log.BeginTransfer(m_bQuiet ? transfer + QStringLiteral(", into a buffer of its own") : transfer);
    log.Add(kLogState, QStringLiteral("%1 %2").arg(state).arg(Latin1(TransferStateName(state))));
}

// The work of a tick after its step: the upload step and the bookkeeping.
void CKorvaView::EndTick()
{
    if (UploadStep())
        FinishTick();
}

void CKorvaView::FinishTick()
{
    m_bWasSending = m_bSending;
    m_bInTimer = 0;
    framework::CView::OnTimer(kTimerId);
}

// The step's read or line goes on over the next ticks; the step is finished when it ends.
bool CKorvaView::DeferTick(PendingIo io)
{
    m_nPendingIo = io;
    m_nPendingState = GetDocument()->GetTransferState();
    m_bInTimer = 0;
    return false;
}

// False while the read or line goes on. Once it has ended, the step that began it is finished
// with its result and so is that step's tick (true).
bool CKorvaView::FinishPendingIo()
{
    CKorvaDoc* pDoc = GetDocument();
    const PendingIo io = m_nPendingIo;
    // A command or a port change since it began has ended the dialogue it belonged to.
    if (pDoc->GetTransferState() != m_nPendingState || pDoc->m_dlgInterface.m_nPortIndex != s_nLastPortIndex
        || pDoc->m_dlgInterface.m_nDeviceRevision != s_nLastDeviceRevision) {
        m_nPendingIo = kNoPendingIo;
        pDoc->AbandonReceive();
        pDoc->AbandonSend();
        return false;
    }
    if (io == kPendingSend)
        return FinishPendingSend();
    const int32_t result = pDoc->PollReceive(kPendingWaitMs);
    if (result == CKorvaDoc::kReadPending)
        return false;
    m_nPendingIo = kNoPendingIo;
    bool tickGoesOn = true;
    if (io == kPendingIdentity)
        HandleIdentityAnswer(result);
    else
        tickGoesOn = ReceiveLines(result);
    if (tickGoesOn)
        EndTick();
    return true;
}

bool CKorvaView::FinishPendingSend()
{
    const int32_t sent = GetDocument()->PollSendLine(kPendingWaitMs);
    if (sent == CKorvaDoc::kSendPending)
        return false;
    m_nPendingIo = kNoPendingIo;
    HandleSent(sent);
    FinishTick();
    return true;
}

void CKorvaView::CheckPort()
{
    CKorvaDoc* pDoc = GetDocument();
    const int32_t index = pDoc->m_dlgInterface.m_nPortIndex;
    const int32_t deviceRevision = pDoc->m_dlgInterface.m_nDeviceRevision;
    if (index != s_nLastPortIndex || deviceRevision != s_nLastDeviceRevision) {
        pDoc->ClosePort();
        m_nTicks = 0;
        m_bIdentified = 0;
        // An upload under way ends here as File New ends one, so that it never moves the
        // document's cursor while the search or a later receive uses it.
        m_bSending = 0;
        m_bSendDone = 0;
        pDoc->SetTransferState(kStateSearch);
        // The port in use is shown at once, not only when the search next draws.
        RedrawStatusLine();
    }
    s_nLastPortIndex = index;
    s_nLastDeviceRevision = deviceRevision;
}

bool CKorvaView::RunStep(int32_t state)
{
    LogStateChange(state);
    if (MustDrainBefore(state))
        return StepDrain();
    switch (state) {
    case kStateSearch: return StepSearch();
    case kStateIdentified: StepIdentified(); break;
    case kStateIdle: StepIdle(); break;
    case kStateReceiving: return StepReceiving();
    case kStateCaptured: StepCaptured(); break;
    case kStateTimedOut: StepTimedOut(); break;
    case kStateNoDevice: StepNoDevice(); break;
    case kStateNewDocument: StepNewDocument(); break;
    case kStateUpload: StepUpload(); break;
    case kStateDeliveryReset: StepDeliveryReset(); break;
    default:
        if (const DownloadKind* kind = DownloadKindForState(state))
            StepRequest(*kind);
        break;
    }
    return true;
}

void CKorvaView::CountTick()
{
    // State 10 counts without a cap; stopping at the largest value keeps the count defined.
    if (m_nTicks < std::numeric_limits<int32_t>::max())
        ++m_nTicks;
}

void CKorvaView::CapTicks(int32_t cap)
{
    m_nTicks = std::min(m_nTicks, cap);
}

// A state that sends a command begins only once the rest of a transfer cut short has come.
bool CKorvaView::MustDrainBefore(int32_t state)
{
    const bool sendsCommand = state == kStateSearch || state == kStateUpload || state == kStateDeliveryReset
        || DownloadKindForState(state) != nullptr;
    return sendsCommand && m_nTicks == 0 && GetDocument()->HasUnfinishedTransfer();
}

bool CKorvaView::StepDrain()
{
    if (!m_bDraining) {
        m_bDraining = true;
        ShowStatusMessage(QString::fromLatin1(kMsgDraining));
    }
    if (GetDocument()->DrainUnfinishedTransfer(kFirstWaitMs)) {
        m_bDraining = false;
        ShowStatusMessage(QString());
    }
    return true;
}

bool CKorvaView::StepSearch()
{
    CKorvaDoc* pDoc = GetDocument();
    CountTick();
    if (m_nTicks == kSearchOpenTick) {
        DisableCommands();
        pDoc->OpenLink();
        ShowOpenFailure(pDoc->OpenFailure());
    }
    if (m_nTicks == kSearchQueryTick) {
        // The port was purged when the cycle opened it: what has come since, unasked, is the
        // rest of a transfer someone else asked for, and the query would be lost in it.
        if (pDoc->IsLineBusy())
            return WaitForBusyLine();
        pDoc->PurgePort();
        RedrawStatusLine();
        DrawStatusText(kTextSearching);
        pDoc->SendCommand(kCmdIdentity);
    }
    if (m_nTicks == kSearchReadTick) {
        const int32_t result = pDoc->PollReceive(kFirstWaitMs);
        if (result == CKorvaDoc::kReadPending)
            return DeferTick(kPendingIdentity);
        HandleIdentityAnswer(result);
    }
    CapTicks(kSearchCap);
    return true;
}

void CKorvaView::HandleIdentityAnswer(int32_t result)
{
    CKorvaDoc* pDoc = GetDocument();
    if (result == 1 && std::strncmp(pDoc->m_rxArea, kIdentity, kIdentityLength) == 0) {
        RedrawStatusLine();
        m_bIdentified = 1;
        DrawStatusText(kTextIdentified);
        pDoc->SetTransferState(kStateIdentified);
        return;
    }
    // A line that is no answer with more behind it: the device is in the middle of a transfer.
    if (result == 1 && pDoc->GetTransferState() == kStateSearch && pDoc->IsLineBusy()) {
        WaitForBusyLine();
        return;
    }
    pDoc->PurgePort();
    m_nTicks = 0;
    RecordEnd(kOutcomeNoAnswer);
}

// The cycle starts again once the device has finished what it sends: until its EOT, or a
// second of silence, the step drains the line (StepDrain).
bool CKorvaView::WaitForBusyLine()
{
    GetDocument()->ExpectRestOfTransfer();
    m_nTicks = 0;
    RecordEnd(kOutcomeLineBusy);
    return true;
}

void CKorvaView::StepIdentified()
{
    RedrawStatusLine();
    EnableDeviceCommands();
    GetDocument()->SetTransferState(kStateIdle);
    if (m_fnOnDeviceFound && !m_bQuiet)
        m_fnOnDeviceFound();
}

void CKorvaView::StepIdle()
{
    m_nTicks = 0;
}

void CKorvaView::StepRequest(const DownloadKind& kind)
{
    CKorvaDoc* pDoc = GetDocument();
    CountTick();
    if (m_nTicks == 1) {
        RedrawStatusLine();
        DrawStatusText(kTextWaiting);
        pDoc->OpenLink();
    }
    if (m_nTicks == kRequestTick) {
        pDoc->SendCommand(kind.deviceCommand);
        pDoc->SetTransferState(kStateReceiving);
        m_nProgressFull = kind.fullScale;
        m_nTicks = 0;
    }
    CapTicks(kRequestCap);
}

bool CKorvaView::StepReceiving()
{
    CountTick();
    if (m_nTicks == 1) {
        DrawStatusText(kTextReceiving);
        s_nProgressStep = kProgressStepStart;
        m_bEnableDeliveryMode = 0;
    }
    CapTicks(kReceiveCap);
    const int32_t result = GetDocument()->PollReceive(kFirstWaitMs);
    if (result == CKorvaDoc::kReadPending)
        return DeferTick(kPendingReceive);
    return ReceiveLines(result);
}

// The tick's read, then the lines that already wait complete, each stored and counted as a
// read of its own tick would be. The reads themselves set the state that ends the receive (EOT,
// silence, error, overflow); nothing is read after it. False when the tick ended here.
bool CKorvaView::ReceiveLines(int32_t result)
{
    CKorvaDoc* pDoc = GetDocument();
    const auto batchEnd = std::chrono::steady_clock::now() + kReceiveBatchTime;
    for (;;) {
        if (!HandleReceived(result))
            return false;
        if (result != 1 || pDoc->GetTransferState() != kStateReceiving
            || std::chrono::steady_clock::now() >= batchEnd)
            return true;
        // A line that is not complete yet is read on at the next tick.
        result = pDoc->PollReceive(0);
        if (result == CKorvaDoc::kReadPending)
            return true;
    }
}

bool CKorvaView::HandleReceived(int32_t result)
{
    if (result == 1)
        CountLine(kReceiveDrawAbove);
    if (result >= 0)
        return true;
    if (result == CKorvaDoc::kBufferFull)
        RecordEnd(kOutcomeOverflow);
    else
        RecordReceiveError(result);
    if (const char* text = ReceiveErrorText(result))
        ShowMessage(Latin1(text));
    GetDocument()->SetTransferState(kStateNewDocument);
    m_nTicks = 0;
    m_bInTimer = 0;
    return false;
}

// Data that end without the device's end line came from a transfer that an EOT cut short, and
// data the line altered on the way are no true copy either: they are kept to be saved and read,
// but never go back into the device.
void CKorvaView::StepCaptured()
{
    CTransferEnd end;
    KeepCapture(end);
    if (end.pDownload)
        end.damage = GetDocument()->TakeTransferDamage();
    const bool complete = GetDocument()->HoldsCompleteData() && !end.damage.Any();
    // The bar is drawn only every 200 lines or so: a download that is whole shows it whole
    // while its message is read.
    if (end.pDownload && complete)
        DrawProgress(std::max(m_nLines, m_nProgressFull));
    if (end.damage.Any()) {
        end.nOutcome = kOutcomeDamaged;
        RecordEnd(end);
        ShowMessage(QString::fromLatin1(kMsgDamaged).arg(DescribeDamage(end.damage)));
    } else {
        end.nOutcome = complete ? kOutcomeCaptured : kOutcomeIncomplete;
        RecordEnd(end);
        ShowMessage(Latin1(complete ? kMsgCaptured : kMsgIncomplete));
    }
    RedrawStatusLine();
    DrawTitleLine();
    if (complete)
        EnableUploadOnly();
    else
        DisableCommands();
    GetDocument()->SetTransferState(kStateIdle);
}

void CKorvaView::StepTimedOut()
{
    CTransferEnd end = EndOf(kOutcomeTimedOut);
    KeepCapture(end);
    if (end.pDownload)
        end.damage = GetDocument()->TakeTransferDamage();
    RecordEnd(end);
    ShowMessage(Latin1(kMsgTimeOut));
    RedrawStatusLine();
    DrawTitleLine();
    DisableCommands();
    GetDocument()->SetTransferState(kStateIdle);
}

// The data of a download that has just ended go into the capture history before anything
// else happens, even before the user reads the message. A failure is told, and changes nothing
// of the transfer. The end gets the download that ended (none after a data file was opened)
// and where its data went.
void CKorvaView::KeepCapture(CTransferEnd& end)
{
    CKorvaDoc* pDoc = GetDocument();
    end.pDownload = pDoc->TakeEndedDownload();
    if (!end.pDownload || pDoc->m_nDataSize == 0)
        return;
    m_pLastCaptureKind = end.pDownload;
    m_strLastCapture = CCaptureHistory().Keep(*pDoc, end.pDownload->deviceCommand, &end.strCaptureError);
    end.strCapture = m_strLastCapture;
    if (!m_strLastCapture.isEmpty() && !m_bHistoryFailed)
        return;
    m_bHistoryFailed = m_strLastCapture.isEmpty();
    ShowStatusMessage(m_bHistoryFailed ? QString::fromLatin1(kTextNotKept).arg(end.strCaptureError) : QString());
}

// The lines that a port error cut short are kept in the capture history as a time-out's are,
// before the window starts a new, empty document.
void CKorvaView::RecordReceiveError(int32_t code)
{
    CTransferEnd end = EndOf(kOutcomeReceiveError, code, GetDocument()->LastLinkFailure());
    if (GetDocument()->EndCutShortDownload())
        KeepCapture(end);
    RecordEnd(end);
}

void CKorvaView::RecordEnd(TransferOutcome outcome, int32_t code)
{
    RecordEnd(EndOf(outcome, code));
}

void CKorvaView::RecordEnd(const CTransferEnd& end)
{
    m_lastTransferEnd = end;
    if (m_fnOnTransferEnd)
        m_fnOnTransferEnd(m_lastTransferEnd);
}

QString CKorvaView::KeepUnsavedData(QString* error)
{
    if (!m_strLastCapture.isEmpty() && QFileInfo::exists(m_strLastCapture))
        return m_strLastCapture;
    if (!m_pLastCaptureKind) {
        *error = QStringLiteral("they come from no download");
        return QString();
    }
    m_strLastCapture = CCaptureHistory().Keep(*GetDocument(), m_pLastCaptureKind->deviceCommand, error);
    // Only a file that is there may be named as the place of the data.
    if (!m_strLastCapture.isEmpty() && !QFileInfo::exists(m_strLastCapture)) {
        *error = QStringLiteral("%1 is gone as soon as it was written").arg(m_strLastCapture);
        m_strLastCapture.clear();
    }
    return m_strLastCapture;
}

void CKorvaView::StepNoDevice()
{
    RecordEnd(kOutcomeNoDevice);
    ShowMessage(Latin1(kMsgNoDevice));
    RedrawStatusLine();
    m_nTicks = 0;
    GetDocument()->SetTransferState(kStateSearch);
}

void CKorvaView::StepNewDocument()
{
    CKorvaDoc* pDoc = GetDocument();
    RedrawStatusLine();
    m_bSendDone = 0;
    m_bSending = 0;
    m_nTicks = 0;
    pDoc->OnNewDocument();
    pDoc->ResetData();
    pDoc->PurgePort();
    m_bIdentified = 1;
    EnableDeviceCommands();
    pDoc->SetTransferState(kStateIdle);
}

void CKorvaView::StepUpload()
{
    CKorvaDoc* pDoc = GetDocument();
    CountTick();
    if (m_nTicks == 1)
        pDoc->OpenLink();
    if (m_nTicks == kUploadAnnounceTick) {
        RedrawStatusLine();
        pDoc->SendCommand(kCmdUpload);
    }
    if (m_nTicks == kUploadFirstLineTick)
        m_bSending = 1;
    CapTicks(kUploadCap);
    if (m_bSendDone == 1)
        FinishUpload(kOutcomeStored);
}

void CKorvaView::StepDeliveryReset()
{
    // The command goes out on the port the search opened; the state then waits for a command.
    CountTick();
    if (m_nTicks != 1)
        return;
    RedrawStatusLine();
    DrawStatusText(kTextFirmwareReset);
    GetDocument()->SendCommand(kCmdDeliveryMode);
}

// False when the line has not gone out whole by the end of the tick's wait: the line goes on
// over the next ticks, and this tick ends when it has.
bool CKorvaView::UploadStep()
{
    if (m_bSending != 1)
        return true;
    // An upload that a command stopped (File Open sets its own state) sends nothing more.
    if (!GetDocument()->IsUploading()) {
        m_bSending = 0;
        m_bSendDone = 0;
        return true;
    }
    if (m_bWasSending != m_bSending)
        BeginUpload();
    const int32_t sent = GetDocument()->PollSendLine(kFirstWaitMs);
    if (sent == CKorvaDoc::kSendPending)
        return DeferTick(kPendingSend);
    HandleSent(sent);
    return true;
}

void CKorvaView::HandleSent(int32_t sent)
{
    if (const int32_t written = GetDocument()->GetLastWriteResult(); written != 0) {
        // A line that did not go out whole ends the upload now; the data stay for a retry.
        FinishUpload(kOutcomeSendError, written);
        return;
    }
    if (sent == 0)
        m_bSendDone = 1;
    CountLine(kUploadDrawAbove);
}

void CKorvaView::BeginUpload()
{
    DisableCommands();
    m_nProgressFull = std::max(GetDocument()->GetLineCount() - kUploadFullMargin, kUploadFullMargin);
    m_nLines = 0;
    s_nProgressStep = kProgressStepStart;
    DrawStatusText(kTextTransmitting);
}

// The upload counts as ended before its message shows, so that nothing waits for the user to
// close the box before the program may end.
void CKorvaView::FinishUpload(TransferOutcome outcome, int32_t code)
{
    m_nTicks = 0;
    m_bSending = 0;
    m_bSendDone = 0;
    GetDocument()->SetTransferState(kStateIdle);
    CTransferEnd end =
        EndOf(outcome, code, outcome == kOutcomeSendError ? GetDocument()->LastLinkFailure() : kLinkFailureUnknown);
    end.damage = GetDocument()->TakeTransferDamage();
    RecordEnd(end);
    QString message = Latin1(outcome == kOutcomeStored ? kMsgStored : WriteErrorText(code));
    if (end.damage.AnyLineErrors())
        message += QStringLiteral("\n\n") + QString::fromLatin1(kMsgUploadLineErrors).arg(DescribeDamage(end.damage));
    ShowMessage(message);
    EnableUploadOnly();
    RedrawStatusLine();
    GetDocument()->ResetCursors();
}

void CKorvaView::CountLine(int32_t drawAbove)
{
    ++m_nLines;
    const int32_t old = s_nProgressStep++;
    if (old > drawAbove) {
        s_nProgressStep = 0;
        DrawProgress(m_nLines);
    }
}
