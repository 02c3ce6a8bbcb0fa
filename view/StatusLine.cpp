// The status line and the progress bar, drawn into the view's client image outside painting.
#include "KorvaView.h"

#include "ClientDC.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "PortNames.h"

#include <algorithm>
#include <cstdint>

namespace {

using framework::CRect;
using framework::RGB;

constexpr int kStatusTextX = 10;
constexpr int kStatusTextY = 3;
constexpr int kLabelX = 280;
constexpr int kPortNameX = 420;
constexpr const char* kDeviceLabel = "VEQ-32-C found on";
constexpr const char* kUnknownPort = "????";

constexpr CRect kProgressFrame{108, 63, 452, 77};
constexpr CRect kProgressTrack{110, 65, 450, 75};
constexpr int32_t kTrackWidth = kProgressTrack.right - kProgressTrack.left;
// A bar that would end within three pixels of the track's end fills it whole.
constexpr int32_t kSnapRight = 447;

constexpr framework::COLORREF kWhite = RGB(255, 255, 255);
constexpr framework::COLORREF kFill = RGB(0, 0, 255);
constexpr framework::COLORREF kFrameDark = RGB(20, 20, 20);
constexpr framework::COLORREF kFrameLight = RGB(230, 230, 230);

QString PortText(int32_t index)
{
    if (index < 0 || index >= kPortCount)
        return QString::fromLatin1(kUnknownPort);
    return QString::fromLatin1(PortNameForIndex(index));
}

// count x 340 / full, truncated toward zero; counts whose product 32 bits cannot hold give
// the full or the empty bar instead of overflowing.
int32_t BarWidth(int32_t count, int32_t full)
{
    const int64_t w = static_cast<int64_t>(count) * kTrackWidth / full;
    return static_cast<int32_t>(std::clamp<int64_t>(w, -kTrackWidth, kTrackWidth));
}

}  // namespace

void CKorvaView::RedrawStatusLine()
{
    framework::CClientDC dc(this);
    dc.FillSolidRect(GetClientRect(), kWhite);
    dc.TextOut(kPortNameX, kStatusTextY, PortText(GetDocument()->m_dlgInterface.m_nPortIndex));
    if (m_bIdentified == 1)
        dc.TextOut(kLabelX, kStatusTextY, QString::fromLatin1(kDeviceLabel));
}

void CKorvaView::DrawProgress(int32_t count)
{
    if (m_nProgressFull == 0)
        m_nProgressFull = 1;
    int32_t w = BarWidth(count, m_nProgressFull);
    if (w + kProgressTrack.left > kSnapRight)
        w = kTrackWidth;
    framework::CClientDC dc(this);
    dc.Draw3dRect(kProgressFrame, kFrameDark, kFrameLight);
    dc.FillSolidRect(kProgressTrack, kWhite);
    // A negative count gives a negative width, which shows no fill.
    if (w > 0)
        dc.FillSolidRect(CRect{kProgressTrack.left, kProgressTrack.top, kProgressTrack.left + w,
                               kProgressTrack.bottom},
                         kFill);
}

void CKorvaView::DrawStatusText(const char* text)
{
    framework::CClientDC dc(this);
    dc.TextOut(kStatusTextX, kStatusTextY, QString::fromLatin1(text));
}

void CKorvaView::DrawTitleLine()
{
    if (m_bQuiet)
        return;
    s_strTitleLine = QStringLiteral("VEQ-FILE: <%1>").arg(GetDocument()->GetTitle());
    framework::CClientDC dc(this);
    dc.TextOut(kStatusTextX, kStatusTextY, s_strTitleLine);
}

void CKorvaView::ShowStatusMessage(const QString& text)
{
    if (m_bQuiet)
        return;
    m_strStatusMessage = text;
    if (framework::CFrameWnd* frame = GetParentFrame())
        frame->SetIdleMessage(text);
}

void CKorvaView::ShowOpenFailure(const QString& reason)
{
    if (reason.isEmpty() && !m_bShowsOpenFailure)
        return;
    m_bShowsOpenFailure = !reason.isEmpty();
    ShowStatusMessage(reason);
}
