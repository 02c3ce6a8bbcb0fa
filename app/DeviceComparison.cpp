#include "DeviceComparison.h"

#include "DeviceProtocol.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "LinkErrors.h"
#include "MessageBox.h"
#include "ReadBack.h"

#include <QTime>

namespace {

constexpr const char* kTextReading = "Reading %1 from the device for the comparison: %2 lines";
constexpr const char* kCaption = "Compare with device - %1";
constexpr const char* kSame = "identical";
constexpr const char* kMsgNothingRead = "The device sent no data: nothing was compared.";
constexpr const char* kMsgReadFailed = "The device's data could not be read: %1";
constexpr const char* kMsgPortChanged = "the port was changed";

QString Latin1(const char* text)
{
    return QString::fromLatin1(text);
}

// Why the read brought data that are not the device's whole and true data.
QString NoteOn(const CReadBack& read)
{
    switch (read.GetResult()) {
    case CReadBack::kIncomplete:
        return QStringLiteral("The device's data ended without their end line: the comparison shows what arrived.");
    case CReadBack::kTimedOut:
        return QStringLiteral("The device fell silent before the end of its data: the comparison shows what arrived.");
    case CReadBack::kDamaged:
        return QStringLiteral("The device's data arrived damaged (%1): lines may differ that the device holds alike. "
                              "Compare again.")
            .arg(DescribeDamage(read.End().damage));
    default: return QString();
    }
}

}  // namespace

CDeviceComparison::CDeviceComparison(CKorvaDoc& doc, CKorvaView& view, framework::CFrameWnd& frame)
    : m_doc(doc), m_frame(frame), m_pRead(std::make_unique<CReadBack>(doc, view, KindOfWorkingStorage(doc)))
{
    m_pRead->m_fnOnDone = [this](const CReadBack& read) { OnRead(read); };
    m_pRead->m_fnOnProgress = [this](const CReadBack&) { ShowProgress(); };
}

CDeviceComparison::~CDeviceComparison() = default;

bool CDeviceComparison::Start()
{
    // Working storage as the command found it, whatever happens to it while the device is read.
    m_stored = {m_doc.GetTitle(), m_doc.FileBytes()};
    return m_pRead->Start();
}

bool CDeviceComparison::IsRunning() const
{
    return m_pRead->IsRunning();
}

void CDeviceComparison::ShowProgress()
{
    m_frame.SetIdleMessage(Latin1(kTextReading).arg(Latin1(m_pRead->Kind().title)).arg(m_pRead->LinesReceived()));
}

void CDeviceComparison::OnRead(const CReadBack& read)
{
    m_frame.SetIdleMessage(QString());
    const CReadBack::Result result = read.GetResult();
    if (result == CReadBack::kNoDevice || result == CReadBack::kFailed) {
        const char* why = read.End().nOutcome == kOutcomeNone ? kMsgPortChanged : ReceiveErrorText(read.End().nCode);
        framework::AfxMessageBox(result == CReadBack::kNoDevice || !why ? Latin1(kMsgNothingRead)
                                                                        : Latin1(kMsgReadFailed).arg(Latin1(why)),
                                 framework::MB_ICONEXCLAMATION);
        return;
    }
    CCompareLabels labels;
    labels.strCaption = Latin1(kCaption).arg(m_doc.GetTitle());
    labels.strLeft = QStringLiteral("Working storage: ");
    labels.strRight = QStringLiteral("The device: ");
    labels.strSame = Latin1(kSame);
    labels.strNote = NoteOn(read);
    labels.bIgnoreEmptyEnd = true;
    const CCompareSide device{QStringLiteral("%1 (%2), read at %3")
                                  .arg(Latin1(read.Kind().title), Latin1(read.Kind().deviceCommand),
                                       QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))),
                              read.Data()};
    m_pWindow = new CCompareWnd(m_stored, device, labels, &m_frame);
    QObject::connect(m_pWindow, &QObject::destroyed, &m_context, [this] { m_pWindow = nullptr; });
    m_pWindow->show();
    m_pWindow->raise();
    m_pWindow->activateWindow();
}
