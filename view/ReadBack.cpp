#include "ReadBack.h"

#include "CaptureHistory.h"
#include "DeviceProtocol.h"

#include <QTimer>

// The controller of the read: as every controller, but quiet, and it ends the read when the
// lender's port is changed under it (the lender then searches the new port).
class CReadBack::CQuietView : public CKorvaView {
public:
    explicit CQuietView(CReadBack& owner) : m_owner(owner) { SetQuiet(true); }

    void OnTimer(unsigned id) override
    {
        if (id == kTimerId && m_owner.m_nResult == kRunning
            && (m_owner.m_lender.m_dlgInterface.m_nPortIndex != m_owner.m_nPortIndex
                || m_owner.m_lender.m_dlgInterface.m_nDeviceRevision != m_owner.m_nDeviceRevision)) {
            m_owner.Abandon();
            return;
        }
        CKorvaView::OnTimer(id);
    }

private:
    CReadBack& m_owner;
};

CReadBack::CReadBack(CKorvaDoc& lender, CKorvaView& lenderView, const DownloadKind& kind)
    : m_lender(lender), m_lenderView(lenderView), m_kind(kind), m_pView(std::make_unique<CQuietView>(*this)),
      m_pProgress(std::make_unique<QTimer>())
{
    QObject::connect(m_pProgress.get(), &QTimer::timeout, [this] {
        if (m_fnOnProgress)
            m_fnOnProgress(*this);
    });
    m_pView->SetDocument(&m_doc);
    m_pView->m_fnOnTransferEnd = [this](const CTransferEnd& end) { OnTransferEnd(end); };
}

// A read cut short leaves the device sending: the lender's next command waits for the rest.
CReadBack::~CReadBack()
{
    if (m_nResult == kRunning) {
        m_pView->OnActivateView(0, nullptr, m_pView.get());
        m_doc.AbandonReceive();
        m_doc.MoveLinkTo(m_lender);
    } else if (m_bFinishing) {
        ReturnLink();
    }
}

bool CReadBack::Start()
{
    if (m_nResult != kNotStarted || !m_lenderView.IsIdle())
        return false;
    m_nPortIndex = m_lender.m_dlgInterface.m_nPortIndex;
    m_nDeviceRevision = m_lender.m_dlgInterface.m_nDeviceRevision;
    m_doc.m_dlgInterface.m_nPortIndex = m_nPortIndex;
    m_doc.m_dlgInterface.m_nDeviceRevision = m_nDeviceRevision;
    m_lender.MoveLinkTo(m_doc);
    m_nResult = kRunning;
    // The device answered the lender's search; the read begins with the request.
    m_pView->m_bIdentified = 1;
    m_pView->StartDownload(m_kind);
    m_pView->OnActivateView(1, m_pView.get(), nullptr);
    if (m_fnOnProgress)
        m_fnOnProgress(*this);
    m_pProgress->start(kProgressMs);
    return true;
}

// Recorded inside the controller's tick: the tick is left to end before the link moves.
void CReadBack::OnTransferEnd(const CTransferEnd& end)
{
    if (m_nResult != kRunning)
        return;
    m_end = end;
    m_nResult = ResultOf(end);
    m_pView->OnActivateView(0, nullptr, m_pView.get());
    m_bFinishing = true;
    QTimer::singleShot(0, &m_context, [this] { Finish(); });
}

void CReadBack::Abandon()
{
    m_pView->OnActivateView(0, nullptr, m_pView.get());
    m_doc.ClosePort();
    m_end = CTransferEnd();
    m_nResult = kFailed;
    m_bFinishing = true;
    QTimer::singleShot(0, &m_context, [this] { Finish(); });
}

void CReadBack::ReturnLink()
{
    m_pProgress->stop();
    m_bFinishing = false;
    m_doc.MoveLinkTo(m_lender);
}

void CReadBack::Finish()
{
    if (!m_bFinishing)
        return;
    ReturnLink();
    if (m_fnOnDone)
        m_fnOnDone(*this);
}

CReadBack::Result CReadBack::ResultOf(const CTransferEnd& end)
{
    switch (end.nOutcome) {
    case kOutcomeCaptured: return kComplete;
    case kOutcomeIncomplete: return kIncomplete;
    case kOutcomeDamaged: return kDamaged;
    case kOutcomeTimedOut: return kTimedOut;
    case kOutcomeNoDevice:
    case kOutcomeNoAnswer: return kNoDevice;
    default: return kFailed;
    }
}

QString CReadBack::Failure() const
{
    const CTransferEnd& end = m_end;
    switch (m_nResult) {
    case kNotStarted: return QStringLiteral("the device is busy with another transfer");
    case kNoDevice: return QStringLiteral("the device sent no data");
    case kIncomplete: return QStringLiteral("the device's data ended without their end line");
    case kTimedOut: return QStringLiteral("time-out while the device's data came");
    case kDamaged:
        return QStringLiteral("the device's data arrived damaged (%1)").arg(DescribeDamage(end.damage));
    case kFailed:
        if (end.nOutcome == kOutcomeNone)
            return QStringLiteral("the port was changed");
        if (const char* why = ReceiveErrorText(end.nCode))
            return QStringLiteral("port error: %1").arg(QLatin1String(why));
        return end.nOutcome == kOutcomeOverflow ? QStringLiteral("the data did not fit into working storage")
                                                : QStringLiteral("the port failed");
    case kRunning:
    case kComplete: break;
    }
    return QString();
}

QByteArray CReadBack::Data() const
{
    return m_doc.FileBytes();
}

int32_t CReadBack::LinesReceived() const
{
    return m_pView->m_nLines;
}

QString CReadBack::CapturePath() const
{
    return m_pView->LastCapture();
}

const DownloadKind& KindOfWorkingStorage(const CKorvaDoc& doc)
{
    if (const DownloadKind* kind = doc.DataKind())
        return *kind;
    CCapture capture;
    if (!doc.GetPathName().isEmpty() && CCaptureHistory().Describe(doc.GetPathName(), &capture)) {
        if (const DownloadKind* kind = DownloadKindForDeviceCommand(capture.kind.toStdString()))
            return *kind;
    }
    return *DownloadKindForCommand(ID_ALL_DATA);
}
