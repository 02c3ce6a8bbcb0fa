// The device link of the document: the port, commands, the buffer sent line by line and the
// device's text received into the buffer one read at a time.
#include "KorvaDoc.h"

#include "DeviceProtocol.h"
#include "LinkErrors.h"
#include "PortNames.h"
#include "v24.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
// The device's line: 115200 baud, 7 data bits, odd parity, 2 stop bits, XON/XOFF, and no
// other program on the port while we hold it.
constexpr int32_t kBaudRate = 115200;
constexpr int32_t kDataBits = 7;
constexpr int32_t kParity = 'O';
constexpr int32_t kStopBits = 2;
constexpr int32_t kHandshake = PORT_HS_XONXOFF2;
constexpr int32_t kExclusive = 1;

// The device ends every transfer to the PC with EOT; the test looks at the byte as it came,
// so 0x84 is a character, not an end.
constexpr unsigned char kEot = 0x04;
// The line is 7 bits wide; whatever the eighth bit carries is noise.
constexpr unsigned char kSevenBits = 0x7F;
// Empty reads that pass before silence ends a receive, counting down to 0 first.
constexpr int32_t kIdleReads = 3;

// Program-wide like the idle countdown: a line leaves in pieces of this size, so that a line
// of any length needs no allocation. One document on one thread uses it.
constexpr int32_t kSendLineSize = 300;
char g_sendLine[kSendLineSize];

using Clock = std::chrono::steady_clock;

// The end of a wait of ms from now; the largest wait stands for no limit.
Clock::time_point WaitEnd(Clock::time_point now, uint32_t ms)
{
    return ms == CKorvaDoc::kWaitWithoutLimit ? Clock::time_point::max() : now + std::chrono::milliseconds(ms);
}

// Milliseconds from now to until, at least 1 so that a wait is never a busy loop.
uint32_t MsUntil(Clock::time_point until, Clock::time_point now)
{
    if (until == Clock::time_point::max())
        return CKorvaDoc::kWaitWithoutLimit;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    return static_cast<uint32_t>(std::clamp<long long>(ms, 1, CKorvaDoc::kWaitWithoutLimit - 1));
}

bool HoldsEot(const char* bytes, uint32_t count)
{
    return std::memchr(bytes, kEot, count) != nullptr;
}
}  // namespace

int32_t CKorvaDoc::s_nIdleCountdown = kIdleReads;

void CKorvaDoc::ResetIdleCountdown()
{
    s_nIdleCountdown = kIdleReads;
}

void CKorvaDoc::OpenPort()
{
    if (m_bPortOpen == 1)
        return;
    // Marked open whatever the outcome: a failed open leaves its negative code as the handle,
    // which the next receive reports as a wrong handle, and that receive closes the port.
    m_bPortOpen = 1;
    const char* name = PortNameForIndex(m_dlgInterface.m_nPortIndex);
    m_hPort = PortOpen(name, kExclusive);
    m_strOpenFailure = m_hPort < 0 ? OpenFailureText(name) : QString();
    PortSetFormat(m_hPort, kBaudRate, kDataBits, kParity, kStopBits);
    PortSetHandshake(m_hPort, kHandshake);
    RecordOpen(name);
}

void CKorvaDoc::OpenLink()
{
    OpenPort();
    // A device that went away while the port stood open (an adapter pulled out and plugged
    // in again while the program rested) refuses the purge: the port is opened afresh, so
    // that the transfer reaches the device that is there now.
    if (m_hPort >= 0 && PortPurge(m_hPort, PORT_INPUT) == PORT_E_API) {
        ClosePort();
        OpenPort();
    }
    PurgePort();
    ResetCursors();
}

void CKorvaDoc::ClosePort()
{
    ResetCursors();
    // Whatever the device still had to send stays on the old line.
    m_bTransferUnfinished = false;
    m_bDraining = false;
    m_pRequestedDownload = nullptr;
    if (m_bPortOpen != 1)
        return;
    RecordClose();
    m_bPortOpen = 0;
    PortClose(m_hPort);
}

void CKorvaDoc::PurgePort()
{
    RecordPurge();
    PortPurge(m_hPort, PORT_INPUT);
    PortPurge(m_hPort, PORT_OUTPUT);
}

void CKorvaDoc::SendCommand(const char* text)
{
    // The device takes no command while it sends; the rest of a transfer cut short would be
    // taken for the answer. The controller drains it beforehand without blocking.
    DrainUnfinishedTransfer(kWaitWithoutLimit);
    if (const DownloadKind* kind = DownloadKindForDeviceCommand(text)) {
        m_bTransferUnfinished = true;
        m_pRequestedDownload = kind;
        m_pCutShortDownload = nullptr;
    }
    if (IsTransferCommand(text))
        BeginTransferRecord();
    RecordWrite(PortWriteString(m_hPort, text), static_cast<int32_t>(std::strlen(text)));
    PortWriteChar(m_hPort, kCR);
    PortWriteChar(m_hPort, kLF);
}

bool CKorvaDoc::SendNextLine()
{
    int32_t result;
    while ((result = PollSendLine(kWaitWithoutLimit)) == kSendPending) {
    }
    return result == 1;
}

// The next line in pieces of the send line buffer: what the driver takes is written at once,
// and the rest waits only as long as waitMs allows, so that a device that holds the line with
// XOFF never holds the caller.
int32_t CKorvaDoc::PollSendLine(uint32_t waitMs)
{
    if (!m_bLineOpen && !BeginLine())
        return 0;
    Clock::time_point now = Clock::now();
    const Clock::time_point waitEnd = WaitEnd(now, waitMs);
    for (;;) {
        const int32_t taken = PortWriteBlockPart(m_hPort, g_sendLine + m_nPieceSent, m_nPieceLength - m_nPieceSent);
        // A refused write took fewer characters than the line has, as one that stalls does.
        if (taken < 0)
            return taken == PORT_E_API ? FailSend(PORT_E_WRITE, kLinkHungUp) : FailSend(taken, kLinkFailureUnknown);
        now = Clock::now();
        if (taken > 0) {
            m_nPieceSent += taken;
            m_tLastProgress = now;
        }
        if (m_nPieceSent == m_nPieceLength) {
            if (m_nLinePos > m_nLineEnd)
                return EndLine();
            FillPiece();
            continue;
        }
        // A line of at most 300 characters takes far less than the port's time-out on the
        // line, so a driver that takes nothing for that long has a device that holds it.
        const Clock::time_point stall = WaitEnd(m_tLastProgress, static_cast<uint32_t>(PortGetTimeout(m_hPort)));
        if (now >= stall)
            return FailSend(PORT_E_WRITE, kLinkHeldXoff);
        if (now >= waitEnd)
            return kSendPending;
        PortWaitOutput(m_hPort, MsUntil(std::min(stall, waitEnd), now));
    }
}

// Finds the next whole line; false at the end of the data, where the cursor walks one past
// them: characters after the last CR are never sent.
bool CKorvaDoc::BeginLine()
{
    m_nLastWriteResult = 0;
    if (m_nCursor >= kDataCapacity)
        return false;
    const int32_t end = std::min(m_nDataSize, kDataCapacity);
    const void* cr = m_nCursor < end ? std::memchr(m_data + m_nCursor, kCR, end - m_nCursor) : nullptr;
    if (!cr) {
        m_nCursor = std::min(std::max(m_nCursor, m_nDataSize) + 1, kDataCapacity);
        return false;
    }
    m_bLineOpen = true;
    m_nLinePos = m_nCursor;
    m_nLineEnd = static_cast<int32_t>(static_cast<const char*>(cr) - m_data);
    m_tLastProgress = Clock::now();
    FillPiece();
    return true;
}

// The next piece of the line: its characters with the eighth bit cleared (a byte 0x8D goes
// out as CR within the line), and CR LF once the line's end fits. m_nLinePos passes the
// line's CR when the piece holds the end.
void CKorvaDoc::FillPiece()
{
    int32_t count = 0;
    while (m_nLinePos < m_nLineEnd && count < kSendLineSize)
        g_sendLine[count++] = static_cast<char>(m_data[m_nLinePos++] & kSevenBits);
    if (m_nLinePos == m_nLineEnd && count <= kSendLineSize - 2) {
        g_sendLine[count++] = kCR;
        g_sendLine[count++] = kLF;
        ++m_nLinePos;
    }
    m_nPieceLength = count;
    m_nPieceSent = 0;
}

int32_t CKorvaDoc::EndLine()
{
    m_bLineOpen = false;
    m_nCursor = m_nLineEnd + 1;
    return 1;
}

// A write that fails or stalls closes the port, so that the next OpenLink opens it afresh.
int32_t CKorvaDoc::FailSend(int32_t code, LinkFailure cause)
{
    RecordWrite(code, m_nPieceLength - m_nPieceSent);
    m_bLineOpen = false;
    m_nLastWriteResult = code;
    m_nLinkFailure = cause;
    ClosePort();
    return 0;
}

int32_t CKorvaDoc::ReceiveBlock()
{
    int32_t result;
    while ((result = PollReceive(kWaitWithoutLimit)) == kReadPending) {
    }
    return result;
}

// One read, what ReceiveBlock answers once it has ended.
int32_t CKorvaDoc::PollReceive(uint32_t waitMs)
{
    const int32_t read = ContinueRead(WaitEnd(Clock::now(), waitMs));
    if (read == kReadPending)
        return kReadPending;
    return read < 0 ? FailReceive(read) : FinishRead(read == 0);
}

// One read in pieces: the bytes waiting are taken at once, and the read waits for more only
// until waitEnd. It ends at CR, at 500 characters, at an EOT (a CR already waiting behind it
// is taken with it) or when no byte came for the port's time-out. kReadPending while it goes
// on, a negative code when the port failed, else 1 when it ended at its end and 0 when it ended
// by the time-out, with the read in m_rxArea and m_nRxCount.
int32_t CKorvaDoc::ContinueRead(Clock::time_point waitEnd)
{
    Clock::time_point now = Clock::now();
    if (!m_bReadOpen) {
        m_bReadOpen = true;
        m_nRxCount = 0;
        m_tLastArrival = now;
    }
    for (;;) {
        const uint32_t before = m_nRxCount;
        const int32_t part = PortReadLinePart(m_hPort, m_rxArea, kRxAreaSize, kCR, &m_nRxCount);
        if (part < 0) {
            m_bReadOpen = false;
            return part;
        }
        now = Clock::now();
        if (m_nRxCount > before)
            m_tLastArrival = now;
        const bool ended = part == 1 || HoldsEot(m_rxArea + before, m_nRxCount - before);
        const Clock::time_point readEnd = WaitEnd(m_tLastArrival, static_cast<uint32_t>(PortGetTimeout(m_hPort)));
        if (ended || now >= readEnd) {
            m_bReadOpen = false;
            return ended ? 1 : 0;
        }
        const Clock::time_point until = std::min(readEnd, waitEnd);
        if (now >= until)
            return kReadPending;
        PortWaitInput(m_hPort, MsUntil(until, now));
    }
}

int32_t CKorvaDoc::FinishRead(bool endedBySilence)
{
    m_bReadOpen = false;
    const int32_t count = static_cast<int32_t>(m_nRxCount);
    m_nRxCount = 0;
    RecordRead(static_cast<uint32_t>(count), endedBySilence);
    return count == 0 ? CountSilence() : AppendRead(count);
}

const DownloadKind* CKorvaDoc::TakeEndedDownload()
{
    return std::exchange(m_pEndedDownload, nullptr);
}

void CKorvaDoc::AbandonReceive()
{
    m_bReadOpen = false;
    m_nRxCount = 0;
}

// The LF behind a line just read is part of it, not more of the device's sending.
bool CKorvaDoc::IsLineBusy() const
{
    if (m_hPort < 0)
        return false;
    const int32_t waiting = PortQueueCount(m_hPort, PORT_INPUT);
    return waiting > 1 || (waiting == 1 && PortPeekChar(m_hPort) != kLF);
}

// The old transfer's lines are read as a receive reads them, and dropped.
bool CKorvaDoc::DrainUnfinishedTransfer(uint32_t waitMs)
{
    if (!m_bTransferUnfinished)
        return true;
    if (!m_bDraining) {
        AbandonReceive();
        m_bDraining = true;
    }
    const Clock::time_point waitEnd = WaitEnd(Clock::now(), waitMs);
    for (;;) {
        const int32_t read = ContinueRead(waitEnd);
        if (read == kReadPending)
            return false;
        const uint32_t count = std::exchange(m_nRxCount, 0);
        // A failed port brings nothing more; the next transfer opens it afresh. An empty line
        // is no silence: the read cut short may have stopped just before its CR.
        if (read <= 0 || HoldsEot(m_rxArea, count))
            return EndDrain();
        if (Clock::now() >= waitEnd)
            return false;
    }
}

// What came behind the EOT of the transfer cut short is not for the next command either.
bool CKorvaDoc::EndDrain()
{
    m_bDraining = false;
    m_bTransferUnfinished = false;
    PurgePort();
    return true;
}

// A port that failed to open, or a device that went away, is closed so that the next
// OpenLink tries it afresh. The data and their counters stay; where a download was under way,
// how far it came is noted, so that its lines need not be lost.
int32_t CKorvaDoc::FailReceive(int32_t code)
{
    RecordFailedRead(code);
    // A read fails with an error of the platform only when the device hung up or went away.
    m_nLinkFailure = code == PORT_E_API ? kLinkHungUp : kLinkFailureUnknown;
    m_pCutShortDownload = m_nRxLines > 0 ? m_pRequestedDownload : nullptr;
    m_nCutShortSize = m_bLineOpenAtLimit ? m_nCursor : std::max(m_nCursor - 1, 0);
    m_nTransferState = kStateSearch;
    ClosePort();
    return code;
}

const DownloadKind* CKorvaDoc::EndCutShortDownload()
{
    const DownloadKind* kind = std::exchange(m_pCutShortDownload, nullptr);
    if (kind) {
        m_nDataSize = m_nCutShortSize;
        m_pEndedDownload = kind;
        m_pDataKind = kind;
    }
    return kind;
}

// The countdown is shared across receives and the search, and only a silence end resets it.
int32_t CKorvaDoc::CountSilence()
{
    const int32_t old = s_nIdleCountdown--;
    if (old != 0)
        return 0;
    ResetIdleCountdown();
    m_nTransferState = m_nRxLines > 0 ? kStateTimedOut : kStateNoDevice;
    EndReceive();
    return 1;
}

// Appends one read as one line: LF dropped, the eighth bit cleared, closed by CR. An EOT ends
// the receive and discards the rest of its read.
int32_t CKorvaDoc::AppendRead(int32_t count)
{
    ++m_nRxLines;
    ++m_nLineCount;
    bool bEnded = false;
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char raw = static_cast<unsigned char>(m_rxArea[i]);
        if (raw == kEot) {
            m_nTransferState = kStateCaptured;
            bEnded = true;
            break;
        }
        const char c = static_cast<char>(raw & kSevenBits);
        if (c == kLF)
            continue;
        if (m_nCursor >= kDataCapacity)
            return Overflow();
        m_data[m_nCursor++] = c;
    }
    CloseLine();
    if (bEnded)
        EndReceive();
    return 1;
}

// The partly received data are abandoned; the size of the data before stays.
int32_t CKorvaDoc::Overflow()
{
    m_nTransferState = kStateIdentified;
    m_nCursor = 0;
    m_nLineCount = 0;
    m_nRxLines = 0;
    m_bLineOpenAtLimit = false;
    return kBufferFull;
}

// A line that filled the buffer to its last place stays without its CR: nothing is stored
// past the buffer, and a receive that ends now keeps every character of it.
void CKorvaDoc::CloseLine()
{
    m_bLineOpenAtLimit = m_nCursor >= kDataCapacity;
    if (!m_bLineOpenAtLimit)
        m_data[m_nCursor++] = kCR;
}

// The size leaves out the CR last appended: after an EOT the one closing the EOT's read,
// after silence the last line's. A line left open at the limit has no CR to leave out.
// Captured data mark the document modified, so that nothing replaces them unasked.
void CKorvaDoc::EndReceive()
{
    // The device has sent its EOT, or fallen silent: nothing more of this transfer comes.
    m_bTransferUnfinished = false;
    m_nDataSize = m_bLineOpenAtLimit ? m_nCursor : std::max(m_nCursor - 1, 0);
    // Data from the device exist nowhere else until the user saves them.
    if (m_nTransferState == kStateCaptured || m_nTransferState == kStateTimedOut) {
        SetModifiedFlag(true);
        m_pEndedDownload = m_pRequestedDownload;
        m_pDataKind = m_pRequestedDownload;
    }
    m_pRequestedDownload = nullptr;
    m_nCursor = 0;
    m_nRxLines = 0;
    m_bLineOpenAtLimit = false;
}
