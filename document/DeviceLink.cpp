// The device link of the document: the port, commands, the buffer sent line by line and the
// device's text received into the buffer one read at a time.
#include "KorvaDoc.h"

#include "PortNames.h"
#include "v24.h"

#include <algorithm>
#include <cstring>

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
}  // namespace

int32_t CKorvaDoc::s_nIdleCountdown = kIdleReads;

void CKorvaDoc::OpenPort()
{
    if (m_bPortOpen == 1)
        return;
    // Marked open whatever the outcome: a failed open leaves its negative code as the handle,
    // which the next receive reports as a wrong handle, and that receive closes the port.
    m_bPortOpen = 1;
    m_hPort = PortOpen(PortNameForIndex(m_dlgInterface.m_nPortIndex), kExclusive);
    PortSetFormat(m_hPort, kBaudRate, kDataBits, kParity, kStopBits);
    PortSetHandshake(m_hPort, kHandshake);
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
    if (m_bPortOpen != 1)
        return;
    m_bPortOpen = 0;
    PortClose(m_hPort);
}

void CKorvaDoc::PurgePort()
{
    PortPurge(m_hPort, PORT_INPUT);
    PortPurge(m_hPort, PORT_OUTPUT);
}

void CKorvaDoc::SendCommand(const char* text)
{
    PortWriteString(m_hPort, text);
    PortWriteChar(m_hPort, kCR);
    PortWriteChar(m_hPort, kLF);
}

bool CKorvaDoc::SendNextLine()
{
    m_nLastWriteResult = 0;
    if (m_nCursor >= kDataCapacity)
        return false;
    const int32_t end = std::min(m_nDataSize, kDataCapacity);
    const void* cr = m_nCursor < end ? std::memchr(m_data + m_nCursor, kCR, end - m_nCursor) : nullptr;
    if (!cr) {
        // The cursor walks one past the data; characters after the last CR are never sent.
        m_nCursor = std::min(std::max(m_nCursor, m_nDataSize) + 1, kDataCapacity);
        return false;
    }
    return SendLine(static_cast<int32_t>(static_cast<const char*>(cr) - m_data));
}

// Sends the characters from the cursor up to crIndex, then CR LF, in pieces of the send
// line buffer. A byte 0x8D is not the line's end; it goes out as CR within the line.
bool CKorvaDoc::SendLine(int32_t crIndex)
{
    int32_t count = 0;
    for (int32_t p = m_nCursor; p < crIndex; ++p) {
        if (count == kSendLineSize && !WritePiece(count))
            return false;
        g_sendLine[count++] = static_cast<char>(m_data[p] & kSevenBits);
    }
    if (count > kSendLineSize - 2 && !WritePiece(count))
        return false;
    g_sendLine[count++] = kCR;
    g_sendLine[count++] = kLF;
    if (!WritePiece(count))
        return false;
    m_nCursor = crIndex + 1;
    return true;
}

// Writes the first count characters of the send line buffer and empties it. A write that
// fails or falls short closes the port, so that the next OpenLink opens it afresh.
bool CKorvaDoc::WritePiece(int32_t& count)
{
    // A block, not a string: a character that masks to NUL must not cut the line short.
    const int32_t written = PortWriteBlock(m_hPort, g_sendLine, count);
    if (written != count) {
        m_nLastWriteResult = written < 0 ? written : PORT_E_WRITE;
        ClosePort();
        return false;
    }
    count = 0;
    return true;
}

int32_t CKorvaDoc::ReceiveBlock()
{
    const int32_t count = PortReadLine(m_hPort, m_rxArea, kRxAreaSize, kCR);
    if (count < 0)
        return FailReceive(count);
    if (count == 0)
        return CountSilence();
    return AppendRead(count);
}

// A port that failed to open, or a device that went away, is closed so that the next
// OpenLink tries it afresh. The data and their counters stay.
int32_t CKorvaDoc::FailReceive(int32_t code)
{
    m_nTransferState = kStateSearch;
    ClosePort();
    return code;
}

// The countdown is shared across receives and the search, and only a silence end resets it.
int32_t CKorvaDoc::CountSilence()
{
    const int32_t old = s_nIdleCountdown--;
    if (old != 0)
        return 0;
    s_nIdleCountdown = kIdleReads;
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
    m_nDataSize = m_bLineOpenAtLimit ? m_nCursor : std::max(m_nCursor - 1, 0);
    // Data from the device exist nowhere else until the user saves them.
    if (m_nTransferState == kStateCaptured || m_nTransferState == kStateTimedOut)
        SetModifiedFlag(true);
    m_nCursor = 0;
    m_nRxLines = 0;
    m_bLineOpenAtLimit = false;
}
