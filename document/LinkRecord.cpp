// The device link's record of the line: every byte and event of the port into the transfer log,
// and the damage a transfer suffered on the way.
#include "KorvaDoc.h"

#include "LinkErrors.h"
#include "LogFormat.h"
#include "PortDevices.h"
#include "PortNames.h"
#include "TransferLog.h"
#include "v24.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr unsigned char kNul = 0x00;
constexpr unsigned char kEot = 0x04;
constexpr char kLF = 0x0A;

// The bytes exactly as they passed the port, whatever the reads did with them afterwards.
void TapIntoLog(void*, int32_t, int32_t direction, const void* data, uint32_t n)
{
    CTransferLog::Program().AddBytes(direction == PORT_TAP_SENT ? CTransferLog::kSent : CTransferLog::kReceived,
                                     static_cast<const char*>(data), static_cast<qsizetype>(n));
}

CTransferLog& Log()
{
    return CTransferLog::Program();
}

QString Counted(uint32_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString JoinedWithAnd(const QStringList& parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}

QString SourceWords(DeviceFileSource source, int32_t index)
{
    switch (source) {
    case DeviceFileSource::environment: return QStringLiteral("environment %1").arg(PortVariableName(index));
    case DeviceFileSource::settings: return QStringLiteral("settings");
    case DeviceFileSource::fallback: return QStringLiteral("default");
    default: return QStringLiteral("none");
    }
}

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

}  // namespace

CLineDamage& CLineDamage::operator+=(const CLineDamage& other)
{
    nParity += other.nParity;
    nFraming += other.nFraming;
    nOverrun += other.nOverrun;
    nNul += other.nNul;
    nLongLines += other.nLongLines;
    nPausedLines += other.nPausedLines;
    return *this;
}

QString DescribeDamage(const CLineDamage& damage)
{
    QStringList arrived;
    if (damage.nParity)
        arrived << Counted(damage.nParity, "parity error", "parity errors");
    if (damage.nFraming)
        arrived << Counted(damage.nFraming, "framing error", "framing errors");
    if (damage.nOverrun)
        arrived << Counted(damage.nOverrun, "overrun", "overruns");
    if (damage.nNul)
        arrived << Counted(damage.nNul, "NUL character", "NUL characters");
    QStringList parts;
    if (!arrived.isEmpty())
        parts << JoinedWithAnd(arrived) + QStringLiteral(" arrived on the line");
    if (damage.nLongLines)
        parts << (damage.nLongLines == 1
                      ? QStringLiteral("1 line longer than %1 characters was split").arg(CKorvaDoc::kRxAreaSize)
                      : QStringLiteral("%1 lines longer than %2 characters were split")
                            .arg(damage.nLongLines)
                            .arg(CKorvaDoc::kRxAreaSize));
    if (damage.nPausedLines)
        parts << (damage.nPausedLines == 1
                      ? QStringLiteral("1 line was split by a pause of the device")
                      : QStringLiteral("%1 lines were split by pauses of the device").arg(damage.nPausedLines));
    return parts.join(QStringLiteral("; "));
}

QString CountDamage(const CLineDamage& damage)
{
    return QStringList{Counted(damage.nParity, "parity error", "parity errors"),
                       Counted(damage.nFraming, "framing error", "framing errors"),
                       Counted(damage.nOverrun, "overrun", "overruns"),
                       Counted(damage.nNul, "NUL character", "NUL characters")}
        .join(QStringLiteral(", "));
}

QString DescribeLineSettings(const CLineState& state)
{
    if (!state.bFormatRead)
        return QStringLiteral("the line settings cannot be read back");
    const QString baud = state.nBaud ? QStringLiteral("%1 baud").arg(state.nBaud) : QStringLiteral("unknown speed");
    const QString parity = state.nParity == 'O'   ? QStringLiteral("odd parity")
                           : state.nParity == 'E' ? QStringLiteral("even parity")
                                                  : QStringLiteral("no parity");
    const QString handshake = state.nHandshake == PORT_HS_HARDWARE ? QStringLiteral("RTS/CTS")
                              : state.nHandshake == PORT_HS_NONE   ? QStringLiteral("no handshake")
                                                                   : QStringLiteral("XON/XOFF");
    return QStringLiteral("%1, %2 data bits, %3, %4 stop bits, %5")
        .arg(baud)
        .arg(state.nDataBits)
        .arg(parity)
        .arg(state.nStopBits)
        .arg(handshake);
}

QString DescribeModemLines(const CLineState& state)
{
    return QStringLiteral("DTR %1, RTS %2, CTS %3, DSR %4, DCD %5, RI %6")
        .arg(OnOff(state.bDtr), OnOff(state.bRts), OnOff(state.bCts), OnOff(state.bDsr), OnOff(state.bCarrier),
             OnOff(state.bRing));
}

bool CKorvaDoc::ReadLineState(CLineState* state) const
{
    const int32_t index = m_dlgInterface.m_nPortIndex;
    const OpenedDeviceFile opened = DeviceFileOfPort(index);
    *state = CLineState();
    state->strPort = QString::fromLatin1(PortNameForIndex(index));
    state->strDeviceFile = opened.file;
    state->strSource = SourceWords(opened.source, index);
    if (m_bPortOpen != 1 || m_hPort < 0)
        return false;
    state->bFormatRead =
        PortGetFormat(m_hPort, &state->nBaud, &state->nDataBits, &state->nParity, &state->nStopBits) == 0;
    state->nHandshake = PortGetHandshake(m_hPort);
    state->bDtr = PortDtr(m_hPort, PORT_LINE_QUERY) == 1;
    state->bRts = PortRts(m_hPort, PORT_LINE_QUERY) == 1;
    state->bCts = PortClearToSend(m_hPort) > 0;
    state->bDsr = PortDsr(m_hPort) > 0;
    state->bCarrier = PortCarrier(m_hPort) > 0;
    state->bRing = PortRing(m_hPort) > 0;
    return true;
}

// The times of the log count from the open; the settings are those read back from the port.
void CKorvaDoc::RecordOpen(const char* portName)
{
    PortSetTap(TapIntoLog, nullptr);
    if (m_hPort < 0) {
        Log().Add(kLogOpen, QStringLiteral("%1 failed: %2").arg(QLatin1String(portName), m_strOpenFailure));
        return;
    }
    Log().StartClock();
    CLineState state;
    ReadLineState(&state);
    Log().Add(kLogOpen, QStringLiteral("%1 %2 (%3): %4; %5")
                            .arg(state.strPort, state.strDeviceFile, state.strSource, DescribeLineSettings(state),
                                 DescribeModemLines(state)));
}

void CKorvaDoc::RecordClose()
{
    Log().Add(kLogClose, QLatin1String(PortNameForIndex(m_dlgInterface.m_nPortIndex)));
}

void CKorvaDoc::RecordPurge()
{
    Log().Add(kLogPurge, QStringLiteral("input and output"));
}

void CKorvaDoc::RecordWrite(int32_t result, int32_t expected)
{
    if (result == expected)
        return;
    if (result < 0)
        Log().Add(kLogWrite, QStringLiteral("failed: %1 (%2)").arg(QLatin1String(WriteErrorText(result))).arg(result));
    else
        Log().Add(kLogWrite, QStringLiteral("%1 of %2 characters went out").arg(result).arg(expected));
}

void CKorvaDoc::RecordFailedRead(int32_t code)
{
    const char* text = ReceiveErrorText(code);
    Log().Add(kLogRead, QStringLiteral("failed: %1 (%2)")
                            .arg(text ? QLatin1String(text) : QLatin1String("port library error"))
                            .arg(code));
}

// Errors that came before the transfer's command are not the transfer's.
void CKorvaDoc::BeginTransferRecord()
{
    TakeLineErrors("before the transfer");
    m_transferDamage = CLineDamage();
    m_bReadAtLimit = false;
}

// Each read is looked at as it came, before its eighth bits are cleared and its LFs dropped.
void CKorvaDoc::RecordRead(uint32_t count, bool endedBySilence)
{
    if (endedBySilence) {
        Log().Add(kLogTimeout, QStringLiteral("no character for %1 ms; the read ends with %2 characters")
                                   .arg(PortGetTimeout(m_hPort))
                                   .arg(count));
    }
    if (count == 0) {
        // A read that ended at the limit and is followed by its CR alone held the whole line.
        m_bReadAtLimit = false;
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_rxArea);
    CLineDamage damage;
    damage.nNul = static_cast<uint32_t>(std::count(bytes, bytes + count, kNul));
    if (damage.nNul)
        Log().Add(kLogDamage, QStringLiteral("%1 in the line: characters damaged on the line")
                                  .arg(Counted(damage.nNul, "NUL character", "NUL characters")));
    if (m_bReadAtLimit && bytes[0] != kEot) {
        damage.nLongLines = 1;
        Log().Add(kLogDamage, QStringLiteral("a line longer than %1 characters is split here").arg(kRxAreaSize));
    }
    const bool holdsText = std::any_of(bytes, bytes + count, [](unsigned char c) { return c != kLF; });
    if (endedBySilence && holdsText) {
        damage.nPausedLines = 1;
        Log().Add(kLogDamage, QStringLiteral("the device paused inside a line: the line is split here"));
    }
    m_bReadAtLimit = !endedBySilence && count == kRxAreaSize;
    m_transferDamage += damage;
    m_runDamage += damage;
    TakeLineErrors("in the line");
}

void CKorvaDoc::TakeLineErrors(const char* when)
{
    if (m_bPortOpen != 1 || m_hPort < 0)
        return;
    PortLineErrorCounts counts{};
    if (PortGetLineErrorCounts(m_hPort, &counts) <= 0)
        return;
    CLineDamage errors;
    errors.nParity = counts.parity;
    errors.nFraming = counts.framing;
    errors.nOverrun = counts.overrun;
    m_transferDamage += errors;
    m_runDamage += errors;
    Log().Add(kLogErrors, QStringLiteral("%1 %2").arg(DescribeDamage(errors), QLatin1String(when)));
}

CLineDamage CKorvaDoc::TakeTransferDamage()
{
    TakeLineErrors("at the end of the transfer");
    return std::exchange(m_transferDamage, CLineDamage());
}

void CKorvaDoc::MoveLinkTo(CKorvaDoc& other)
{
    other.m_hPort = std::exchange(m_hPort, -1);
    other.m_bPortOpen = std::exchange(m_bPortOpen, 0);
    other.m_bTransferUnfinished = std::exchange(m_bTransferUnfinished, false);
    other.m_strOpenFailure = m_strOpenFailure;
    other.m_bDraining = false;
    m_bDraining = false;
    m_bLinkLent = true;
    other.m_bLinkLent = false;
    ResetCursors();
    other.ResetCursors();
}
