// The transfer state machine: one step of the current transfer state per tick of timer 101,
// followed by the upload step. All protocol timing is counted in ticks, never in clock time.
#include "KorvaView.h"

#include "DeviceProtocol.h"
#include "KorvaDoc.h"
#include "LinkErrors.h"
#include "MessageBox.h"

#include <algorithm>
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

constexpr const char* kMsgCaptured = "VEQ-Data are captured in working storage! \nNow you can save this data to disc "
                                     "\nor you can save this data to VEQ !";
constexpr const char* kMsgTimeOut = "TimeOut !!! \n ";
constexpr const char* kMsgNoDevice = "!!! NO TUNING SET FOUND !!!";
constexpr const char* kMsgStored = "Data are stored to VEQ !";

void ShowMessage(const char* text)
{
    framework::AfxMessageBox(QString::fromLatin1(text), framework::MB_OK);
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
    CheckPort();
    if (!RunStep(GetDocument()->GetTransferState()))
        return;
    UploadStep();
    m_bWasSending = m_bSending;
    m_bInTimer = 0;
    framework::CView::OnTimer(id);
}

void CKorvaView::CheckPort()
{
    CKorvaDoc* pDoc = GetDocument();
    const int32_t index = pDoc->m_dlgInterface.m_nPortIndex;
    if (index != s_nLastPortIndex) {
        pDoc->ClosePort();
        m_nTicks = 0;
        m_bIdentified = 0;
        // An upload under way ends here as File New ends one, so that it never moves the
        // document's cursor while the search or a later receive uses it.
        m_bSending = 0;
        m_bSendDone = 0;
        pDoc->SetTransferState(kStateSearch);
    }
    s_nLastPortIndex = index;
}

bool CKorvaView::RunStep(int32_t state)
{
    switch (state) {
    case kStateSearch: StepSearch(); break;
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

void CKorvaView::StepSearch()
{
    CKorvaDoc* pDoc = GetDocument();
    CountTick();
    if (m_nTicks == kSearchOpenTick) {
        DisableCommands();
        pDoc->OpenLink();
    }
    if (m_nTicks == kSearchQueryTick) {
        pDoc->PurgePort();
        RedrawStatusLine();
        DrawStatusText(kTextSearching);
        pDoc->SendCommand(kCmdIdentity);
    }
    if (m_nTicks == kSearchReadTick)
        ReadIdentityAnswer();
    CapTicks(kSearchCap);
}

void CKorvaView::ReadIdentityAnswer()
{
    CKorvaDoc* pDoc = GetDocument();
    const int32_t result = pDoc->ReceiveBlock();
    if (result == 1 && std::strncmp(pDoc->m_rxArea, kIdentity, kIdentityLength) == 0) {
        RedrawStatusLine();
        m_bIdentified = 1;
        DrawStatusText(kTextIdentified);
        pDoc->SetTransferState(kStateIdentified);
        return;
    }
    pDoc->PurgePort();
    m_nTicks = 0;
}

void CKorvaView::StepIdentified()
{
    RedrawStatusLine();
    EnableDeviceCommands();
    GetDocument()->SetTransferState(kStateIdle);
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
    CKorvaDoc* pDoc = GetDocument();
    CountTick();
    if (m_nTicks == 1) {
        DrawStatusText(kTextReceiving);
        s_nProgressStep = kProgressStepStart;
        m_bEnableDeliveryMode = 0;
    }
    CapTicks(kReceiveCap);
    // The read itself sets the state that ends the receive (EOT, silence, error, overflow).
    const int32_t result = pDoc->ReceiveBlock();
    if (result == 1)
        CountLine(kReceiveDrawAbove);
    if (result >= 0)
        return true;
    if (const char* text = ReceiveErrorText(result))
        ShowMessage(text);
    pDoc->SetTransferState(kStateNewDocument);
    m_nTicks = 0;
    m_bInTimer = 0;
    return false;
}

void CKorvaView::StepCaptured()
{
    ShowMessage(kMsgCaptured);
    RedrawStatusLine();
    DrawTitleLine();
    EnableUploadOnly();
    GetDocument()->SetTransferState(kStateIdle);
}

void CKorvaView::StepTimedOut()
{
    ShowMessage(kMsgTimeOut);
    RedrawStatusLine();
    DrawTitleLine();
    DisableCommands();
    GetDocument()->SetTransferState(kStateIdle);
}

void CKorvaView::StepNoDevice()
{
    ShowMessage(kMsgNoDevice);
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
        FinishUpload(kMsgStored);
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

void CKorvaView::UploadStep()
{
    if (m_bSending != 1)
        return;
    if (m_bWasSending != m_bSending)
        BeginUpload();
    CKorvaDoc* pDoc = GetDocument();
    const bool moreLines = pDoc->SendNextLine();
    if (const int32_t written = pDoc->GetLastWriteResult(); written != 0) {
        // A line that did not go out whole ends the upload now; the data stay for a retry.
        FinishUpload(WriteErrorText(written));
        return;
    }
    if (!moreLines)
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

void CKorvaView::FinishUpload(const char* message)
{
    m_nTicks = 0;
    m_bSending = 0;
    ShowMessage(message);
    m_bSendDone = 0;
    EnableUploadOnly();
    RedrawStatusLine();
    GetDocument()->ResetCursors();
    GetDocument()->SetTransferState(kStateIdle);
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
