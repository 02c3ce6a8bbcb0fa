// Construction, the command table, the command handlers, the enable groups and activation.
#include "KorvaView.h"

#include "DeviceProtocol.h"
#include "KorvaDoc.h"
#include "MessageBox.h"
#include "ViewAccessible.h"
#include "resource.h"

namespace {
constexpr const char* kDeliveryModeWarning = "All Data of VEQ will be destroyed !!!";
}  // namespace

int32_t CKorvaView::s_nLastPortIndex = 0;
int32_t CKorvaView::s_nLastDeviceRevision = 0;
int32_t CKorvaView::s_nProgressStep = 0;
QString CKorvaView::s_strTitleLine;

void CKorvaView::ResetProgramWide()
{
    s_nLastPortIndex = 0;
    s_nLastDeviceRevision = 0;
    s_nProgressStep = 0;
    s_strTitleLine.clear();
}

CKorvaView::CKorvaView(QWidget* parent) : framework::CView(parent)
{
    DisableCommands();
    RegisterCommands();
    InstallViewAccessibility();
}

CKorvaView::~CKorvaView() = default;

CKorvaDoc* CKorvaView::GetDocument() const
{
    Q_ASSERT(dynamic_cast<CKorvaDoc*>(framework::CView::GetDocument()));
    return static_cast<CKorvaDoc*>(framework::CView::GetDocument());
}

void CKorvaView::RegisterCommands()
{
    RegisterCommand(ID_PUT_DATA, [this] { OnPutData(); }, &m_bEnableUpload);
    RegisterCommand(ID_ALL_DATA, [this] { OnAllData(); }, &m_bEnableDownload);
    RegisterCommand(ID_HISTORICAL_TEMPERAMENTS, [this] { OnHistoricalTemperaments(); }, &m_bEnableDownload);
    RegisterCommand(ID_ADJUSTMENT_DATA, [this] { OnAdjustmentData(); }, &m_bEnableDownload);
    RegisterCommand(ID_ACTUAL_INSTRUMENT, [this] { OnActualInstrument(); }, &m_bEnableDownload);
    RegisterCommand(ID_DELIVERY_MODE, [this] { OnDeliveryMode(); }, &m_bEnableDeliveryMode);
    // File New is always available, and the view's handler comes before the framework's.
    RegisterCommand(ID_FILE_NEW, [this] { OnFileNew(); }, nullptr);
}

void CKorvaView::RegisterCommand(unsigned id, std::function<void()> handler, const int32_t* enabledBy)
{
    OnCommand(id, std::move(handler));
    if (enabledBy)
        OnUpdateCommandUI(id, [enabledBy](framework::CCmdUI* pCmdUI) { pCmdUI->Enable(*enabledBy != 0); });
}

// Data captured from the device and not yet saved are not replaced unasked.
bool CKorvaView::CanReplaceData()
{
    return GetDocument()->SaveModified();
}

// Once a download begins, the buffer no longer holds what the user was asked about.
bool CKorvaView::CanStartDownload()
{
    if (!CanReplaceData())
        return false;
    GetDocument()->SetModifiedFlag(false);
    return true;
}

void CKorvaView::DisableCommands()
{
    m_bEnableDownload = 0;
    m_bEnableUpload = 0;
    m_bEnableDeliveryMode = 0;
}

void CKorvaView::EnableDeviceCommands()
{
    m_bEnableDownload = 1;
    m_bEnableUpload = 0;
    m_bEnableDeliveryMode = 1;
}

void CKorvaView::EnableUploadOnly()
{
    m_bEnableDownload = 0;
    m_bEnableUpload = 1;
    m_bEnableDeliveryMode = 0;
}

void CKorvaView::OnPutData()
{
    if (!m_fnBeforeErase || !m_fnBeforeErase(ID_PUT_DATA, [this] { BeginPutData(); }))
        BeginPutData();
}

void CKorvaView::BeginPutData()
{
    m_nLines = 0;
    m_nTicks = 0;
    GetDocument()->SetTransferState(kStateUpload);
}

// Each download's state, command and full scale come from its row of the table of downloads.
void CKorvaView::OnAllData()
{
    StartDownload(*DownloadKindForCommand(ID_ALL_DATA));
}

void CKorvaView::OnHistoricalTemperaments()
{
    StartDownload(*DownloadKindForCommand(ID_HISTORICAL_TEMPERAMENTS));
}

void CKorvaView::OnAdjustmentData()
{
    StartDownload(*DownloadKindForCommand(ID_ADJUSTMENT_DATA));
}

void CKorvaView::OnActualInstrument()
{
    StartDownload(*DownloadKindForCommand(ID_ACTUAL_INSTRUMENT));
}

// The two long downloads leave delivery mode enabled until their receive begins.
void CKorvaView::StartDownload(const DownloadKind& kind)
{
    if (!CanStartDownload())
        return;
    m_nLines = 0;
    if (kind.keepsDeliveryMode) {
        m_bEnableDownload = 0;
        m_bEnableUpload = 0;
    } else {
        DisableCommands();
    }
    GetDocument()->SetTransferState(kind.requestState);
    m_nTicks = 0;
}

void CKorvaView::OnDeliveryMode()
{
    CKorvaDoc* pDoc = GetDocument();
    // Enter pressed by reflex must not erase the device.
    const int answer = framework::MessageBoxWithCaption(QString::fromLatin1(kDeliveryModeWarning), "",
                                                        framework::MB_OKCANCEL | framework::MB_DEFBUTTON2);
    if (answer == framework::IDCANCEL || m_bIdentified != 1) {
        pDoc->SetTransferState(kStateIdle);
        return;
    }
    if (!m_fnBeforeErase || !m_fnBeforeErase(ID_DELIVERY_MODE, [this] { BeginDeliveryReset(); }))
        BeginDeliveryReset();
}

void CKorvaView::BeginDeliveryReset()
{
    CKorvaDoc* pDoc = GetDocument();
    // State 10 sends the reset only when it starts from a cleared tick counter, which this
    // handler leaves alone (given again during the reset, or while a download is requested,
    // nothing goes out); the data are discarded only for a reset that goes out.
    if (m_nTicks == 0)
        pDoc->OnNewDocument();
    pDoc->SetTransferState(kStateDeliveryReset);
}

void CKorvaView::OnFileNew()
{
    if (!CanReplaceData())
        return;
    GetDocument()->SetTransferState(kStateNewDocument);
    RedrawStatusLine();
}

void CKorvaView::OnActivateView(int activate, framework::CView* pActivateView, framework::CView* pDeactiveView)
{
    if (activate == 1)
        SetTimer(kTimerId, kTimerPeriodMs);
    else
        KillTimer(kTimerId);
    framework::CView::OnActivateView(activate, pActivateView, pDeactiveView);
}
