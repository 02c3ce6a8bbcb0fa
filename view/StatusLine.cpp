// The status line and the progress bar, drawn into the view's client image outside painting.
#include "StatusLine.h"

#include "KorvaView.h"

#include "ClientDC.h"
#include "FrameWnd.h"
#include "KorvaDoc.h"
#include "PortNames.h"
#include "ViewAccessible.h"

#include <QFontMetrics>

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

constexpr const char* kTitleLine = "VEQ-FILE: <%1>";

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

// A text's closing blanks only cover longer texts drawn before at the same place.
QString WithoutClosingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

int Gap(const QFontMetrics& fm)
{
    return fm.horizontalAdvance(QLatin1Char(' '));
}

}  // namespace

CStatusLayout LayoutStatusLine(const QFontMetrics& fm, int textRight, bool withLabel)
{
    CStatusLayout layout;
    int before = textRight;
    if (withLabel) {
        layout.nLabelX = std::max(kLabelX, before + Gap(fm));
        before = layout.nLabelX + fm.horizontalAdvance(QString::fromLatin1(kDeviceLabel));
    }
    layout.nPortX = std::max(kPortNameX, before + Gap(fm));
    return layout;
}

QString FitTitleLine(const QFontMetrics& fm, const QString& name, int right)
{
    const QString whole = QString::fromLatin1(kTitleLine).arg(name);
    const int room = right - kStatusTextX;
    if (fm.horizontalAdvance(whole) <= room)
        return whole;
    const int frame = fm.horizontalAdvance(QString::fromLatin1(kTitleLine).arg(QString()));
    return QString::fromLatin1(kTitleLine).arg(fm.elidedText(name, Qt::ElideMiddle, room - frame));
}

QString CStatusLineShown::DeviceText() const
{
    return bLabel ? QStringLiteral("%1 %2").arg(QLatin1String(kDeviceLabel), strPort) : strPort;
}

void CKorvaView::RedrawStatusLine()
{
    m_statusShown = CStatusLineShown();
    m_statusShown.bLabel = m_bIdentified == 1;
    m_statusShown.strPort = PortText(GetDocument()->m_dlgInterface.m_nPortIndex);
    m_statusShown.layout = LayoutStatusLine(QFontMetrics(font()), 0, m_statusShown.bLabel);
    {
        framework::CClientDC dc(this);
        dc.FillSolidRect(GetClientRect(), kWhite);
        DrawDeviceAndPort(dc);
    }
    WidenForPortName();
    TellAssistiveTools(this, kToldStatusLine | kToldProgress);
}

// The port name, then the label before it, at the places of the layout.
void CKorvaView::DrawDeviceAndPort(framework::CClientDC& dc)
{
    const CStatusLineShown& line = m_statusShown;
    dc.TextOut(line.layout.nPortX, kStatusTextY, line.strPort);
    if (line.bLabel)
        dc.TextOut(line.layout.nLabelX, kStatusTextY, QString::fromLatin1(kDeviceLabel));
}

// A font large enough to push the port name past the view's edge widens the view (and window).
void CKorvaView::WidenForPortName()
{
    const CStatusLineShown& line = m_statusShown;
    const int right = line.layout.nPortX + QFontMetrics(font()).horizontalAdvance(line.strPort) + kStatusTextX;
    if (line.layout.nPortX > kPortNameX && right > width())
        setMinimumWidth(right);
}

// The status text at the line's start; said is what it stands for (the title line unshortened).
void CKorvaView::DrawStatus(const QString& said, const QString& shown)
{
    const QFontMetrics fm(font());
    CStatusLineShown& line = m_statusShown;
    const CStatusLayout was = line.layout;
    line.strText = said;
    line.nTextRight = std::max(line.nTextRight, kStatusTextX + fm.horizontalAdvance(WithoutClosingBlanks(shown)));
    line.layout = LayoutStatusLine(fm, line.nTextRight, line.bLabel);
    const bool moved = line.layout != was;
    {
        framework::CClientDC dc(this);
        if (moved) {
            dc.FillSolidRect(was.nPortX, kStatusTextY, fm.horizontalAdvance(line.strPort), fm.height(), kWhite);
            if (line.bLabel)
                dc.FillSolidRect(was.nLabelX, kStatusTextY, fm.horizontalAdvance(QString::fromLatin1(kDeviceLabel)),
                                 fm.height(), kWhite);
        }
        dc.TextOut(kStatusTextX, kStatusTextY, shown);
        // The closing blanks may have covered what follows the text: it is drawn again.
        const int next = line.bLabel ? line.layout.nLabelX : line.layout.nPortX;
        if (moved || kStatusTextX + fm.horizontalAdvance(shown) > next)
            DrawDeviceAndPort(dc);
    }
    WidenForPortName();
    TellAssistiveTools(this, kToldStatusLine);
}

void CKorvaView::DrawProgress(int32_t count)
{
    if (m_nProgressFull == 0)
        m_nProgressFull = 1;
    int32_t w = BarWidth(count, m_nProgressFull);
    if (w + kProgressTrack.left > kSnapRight)
        w = kTrackWidth;
    {
        framework::CClientDC dc(this);
        dc.Draw3dRect(kProgressFrame, kFrameDark, kFrameLight);
        dc.FillSolidRect(kProgressTrack, kWhite);
        // A negative count gives a negative width, which shows no fill.
        if (w > 0)
            dc.FillSolidRect(CRect{kProgressTrack.left, kProgressTrack.top, kProgressTrack.left + w,
                                   kProgressTrack.bottom},
                             kFill);
    }
    m_statusShown.bProgress = true;
    m_statusShown.nCount = count;
    m_statusShown.nFull = m_nProgressFull;
    TellAssistiveTools(this, kToldProgress);
}

void CKorvaView::DrawStatusText(const char* text)
{
    const QString said = QString::fromLatin1(text);
    DrawStatus(WithoutClosingBlanks(said), said);
}

// A long file name is shortened before it reaches what follows it on the line.
void CKorvaView::DrawTitleLine()
{
    if (m_bQuiet)
        return;
    const QString name = GetDocument()->GetTitle();
    s_strTitleLine = QString::fromLatin1(kTitleLine).arg(name);
    const QFontMetrics fm(font());
    const CStatusLayout layout = LayoutStatusLine(fm, 0, m_statusShown.bLabel);
    const int next = m_statusShown.bLabel ? layout.nLabelX : layout.nPortX;
    DrawStatus(s_strTitleLine, FitTitleLine(fm, name, next - Gap(fm)));
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
