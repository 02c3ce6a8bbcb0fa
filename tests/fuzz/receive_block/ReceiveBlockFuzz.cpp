// ReceiveBlock fed by a scripted far end on the port library's in-memory platform. The input is
// a script of what the device sends between two reads; the document's receive runs until it
// ends (EOT, silence, full buffer or a failed read) and after every call it must agree with a
// model of the receive rules: result, state, counters, the characters stored, and the receive
// area holding the read's raw bytes and its NUL, which also guards the end of the buffer.
#include "FuzzCheck.h"
#include "KorvaDoc.h"
#include "comm_fake.h"
#include "v24.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kCapacity = CKorvaDoc::kDataCapacity;
constexpr size_t kReadMax = CKorvaDoc::kRxAreaSize;
constexpr unsigned char kCR = 0x0D;
constexpr unsigned char kLF = 0x0A;
constexpr unsigned char kEot = 0x04;
constexpr unsigned char kSevenBits = 0x7F;
constexpr int32_t kIdleReads = 3;
// Enough calls for more than 400000 characters in lines of one chunk each.
constexpr int kMaxCalls = 6000;
// A repeat runs its chunk this many times per step of its count byte, so that one short
// script can send far more than the buffer holds.
constexpr int kRepeatStep = 8;
constexpr int32_t kPreviousSizeStep = 1568;
constexpr const char* kDevicePath = "\\\\.\\COM1";

// Script opcodes, the low three bits of an opcode byte.
enum Op : uint8_t {
    kChunkRead0, kChunkRead1, kChunkRead2, kChunkRead3,  // length byte, bytes; then one read
    kRead,      // one read of whatever is queued, silence when nothing is
    kRepeat,    // count byte: the last chunk and its read again, (count + 1) * kRepeatStep times
    kHangUp,    // the far end hangs up; then one read
    kFeed,      // length byte, bytes; queued without a read, so that lines span chunks
};

class CScript {
public:
    CScript(const uint8_t* bytes, size_t size) : m_pBytes(bytes), m_nSize(size) {}
    bool AtEnd() const { return m_nPos >= m_nSize; }
    uint8_t Byte() { return AtEnd() ? 0 : m_pBytes[m_nPos++]; }
    std::string Chunk()
    {
        const size_t length = std::min<size_t>(Byte(), m_nSize - m_nPos);
        std::string chunk(reinterpret_cast<const char*>(m_pBytes + m_nPos), length);
        m_nPos += length;
        return chunk;
    }

private:
    const uint8_t* m_pBytes;
    size_t m_nSize;
    size_t m_nPos = 0;
};

// The model's copy of the buffer; one for the whole run, as the document's is.
std::vector<char>& Buffer()
{
    static std::vector<char> buffer(kCapacity);
    return buffer;
}

// The receive as the device link promises it, with the port read of a zero time-out: a read
// delivers what is queued up to a CR (taken, not stored) or 500 characters, and a hung-up
// line with nothing queued fails. At the buffer's end a line that filled the last place stays
// without its CR, and a receive that ends then counts all of its characters.
struct CReceiveModel {
    // What the far end sent and no read has taken yet: pending from nHead on.
    std::string pending;
    size_t nHead = 0;
    bool bHungUp = false;
    int32_t nIdle = kIdleReads;
    int32_t nCursor = 0, nRxLines = 0, nDataSize = 0, nLineCount = 0, nState = kStateReceiving;
    bool bOpenAtLimit = false;
    std::vector<char>& data = Buffer();
    std::string lastRead;
    int32_t nLow = 0, nHigh = 0;  // the buffer places the last call wrote

    int32_t Read()
    {
        lastRead.clear();
        const size_t queued = pending.size() - nHead;
        if (queued == 0)
            return bHungUp ? PORT_E_API : 0;
        size_t n = 0;
        while (n < kReadMax && n < queued && static_cast<unsigned char>(pending[nHead + n]) != kCR)
            ++n;
        lastRead = pending.substr(nHead, n);
        const bool bTookCr = n < kReadMax && n < queued;
        nHead += n + (bTookCr ? 1 : 0);
        return static_cast<int32_t>(n);
    }

    void Store(char c)
    {
        nLow = std::min(nLow, nCursor);
        data[nCursor++] = c;
        nHigh = std::max(nHigh, nCursor);
    }

    void End()
    {
        nDataSize = bOpenAtLimit ? nCursor : std::max(nCursor - 1, 0);
        nCursor = nRxLines = 0;
        bOpenAtLimit = false;
    }

    int32_t Receive()
    {
        nLow = kCapacity;
        nHigh = 0;
        const int32_t n = Read();
        if (n < 0) {
            nState = kStateSearch;
            nCursor = nRxLines = 0;
            bOpenAtLimit = false;
            return n;
        }
        if (n == 0) {
            if (nIdle-- != 0)
                return 0;
            nIdle = kIdleReads;
            nState = nRxLines > 0 ? kStateTimedOut : kStateNoDevice;
            End();
            return 1;
        }
        ++nRxLines;
        ++nLineCount;
        bool bEnded = false;
        for (char raw : lastRead) {
            if (static_cast<unsigned char>(raw) == kEot) {
                nState = kStateCaptured;
                bEnded = true;
                break;
            }
            const char c = static_cast<char>(raw & kSevenBits);
            if (c == kLF)
                continue;
            if (nCursor >= kCapacity) {
                nState = kStateIdentified;
                nCursor = nLineCount = nRxLines = 0;
                bOpenAtLimit = false;
                return CKorvaDoc::kBufferFull;
            }
            Store(c);
        }
        bOpenAtLimit = nCursor >= kCapacity;
        if (!bOpenAtLimit)
            Store(static_cast<char>(kCR));
        if (bEnded)
            End();
        return 1;
    }
};

CKorvaDoc* g_pDoc = nullptr;

bool IsLibraryCode(int32_t r)
{
    static constexpr int32_t kCodes[] = {PORT_E_ACCESS, PORT_E_NOPORT, PORT_E_NOMEM, PORT_E_CLOSED,
        PORT_E_VALUE, PORT_E_NOCHAR, PORT_E_COMMMASK, PORT_E_NOSLOT, PORT_E_WRITE, PORT_E_HANDLE,
        PORT_E_API, PORT_E_EVENT, PORT_E_THREAD};
    return std::find(std::begin(kCodes), std::end(kCodes), r) != std::end(kCodes);
}

bool IsReceiveState(int32_t s)
{
    return s == kStateIdentified || s == kStateCaptured
        || s == kStateTimedOut || s == kStateSearch || s == kStateReceiving
        || s == kStateNoDevice;
}

void CheckCall(int32_t result, const CReceiveModel& m, int32_t hPort)
{
    const CKorvaDoc& d = *g_pDoc;
    FUZZ_CHECK(result == 1 || result == 0 || result == CKorvaDoc::kBufferFull || IsLibraryCode(result));
    FUZZ_CHECK(IsReceiveState(d.m_nTransferState));
    FUZZ_CHECK(d.m_nDataSize >= 0 && d.m_nDataSize <= kCapacity);
    FUZZ_CHECK(d.m_nCursor >= 0 && d.m_nCursor <= kCapacity);
    FUZZ_CHECK(d.m_nLineCount >= 0 && d.m_nRxLines >= 0);
    FUZZ_CHECK(d.m_hPort == hPort);
    if (result >= 0) {
        // Right behind the buffer: the raw read and its NUL, nothing of the buffer's.
        FUZZ_CHECK(std::memcmp(d.m_rxArea, m.lastRead.data(), m.lastRead.size()) == 0);
        FUZZ_CHECK(d.m_rxArea[m.lastRead.size()] == '\0');
    }
}

void CheckAgainstModel(int32_t result, int32_t expected, const CReceiveModel& m)
{
    const CKorvaDoc& d = *g_pDoc;
    FUZZ_CHECK(result == expected);
    FUZZ_CHECK(d.m_nTransferState == m.nState);
    FUZZ_CHECK(d.m_nCursor == m.nCursor);
    FUZZ_CHECK(d.m_nRxLines == m.nRxLines);
    FUZZ_CHECK(d.m_nLineCount == m.nLineCount);
    FUZZ_CHECK(d.m_nDataSize == m.nDataSize);
    // Shared with the next receive, which must find it as silence left it.
    FUZZ_CHECK(CKorvaDoc::s_nIdleCountdown == m.nIdle);
    if (m.nHigh > m.nLow)
        FUZZ_CHECK(std::memcmp(d.m_data + m.nLow, m.data.data() + m.nLow, m.nHigh - m.nLow) == 0);
}

// One call of the document and of the model; true while the receive goes on.
bool Step(CReceiveModel& m, int& calls)
{
    ++calls;
    const int32_t hPort = g_pDoc->m_hPort;
    const int32_t expected = m.Receive();
    const int32_t result = g_pDoc->ReceiveBlock();
    CheckCall(result, m, hPort);
    CheckAgainstModel(result, expected, m);
    return result >= 0 && g_pDoc->m_nTransferState == kStateReceiving && calls < kMaxCalls;
}

// Runs the script; false once the receive has ended.
bool RunScript(CScript& script, CReceiveModel& m, v24::FakeLine& line, int& calls)
{
    std::string lastChunk;
    while (!script.AtEnd()) {
        const uint8_t op = script.Byte() & 0x07;
        if (op <= kChunkRead3 || op == kFeed) {
            const std::string chunk = script.Chunk();
            line.feed(chunk);
            m.pending += chunk;
            if (op == kFeed)
                continue;
            lastChunk = chunk;
        } else if (op == kRepeat) {
            const int times = (script.Byte() + 1) * kRepeatStep;
            for (int i = 0; i < times; ++i) {
                line.feed(lastChunk);
                m.pending += lastChunk;
                if (!Step(m, calls))
                    return false;
            }
            continue;
        } else if (op == kHangUp) {
            line.hangUp();
            m.bHungUp = true;
        }
        if (!Step(m, calls))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No port file: the document uses COM1, the line the fake platform offers.
    EnterFuzzWorkDir();
    g_pDoc = new CKorvaDoc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    CScript script(bytes, size);
    CReceiveModel m;
    // The countdown is shared by every receive, so a receive may begin with fewer empty reads
    // left; and a full buffer leaves the size of the data before, so there are some.
    m.nIdle = script.Byte() % (kIdleReads + 1);
    m.nDataSize = script.Byte() * kPreviousSizeStep;
    CKorvaDoc::s_nIdleCountdown = m.nIdle;
    g_pDoc->ResetData();
    g_pDoc->m_nDataSize = m.nDataSize;
    std::memcpy(m.data.data(), g_pDoc->m_data, kCapacity);

    v24::FakeComm fake;
    v24::FakeLine& line = fake.addLine(kDevicePath);
    v24::CommPlatform* previous = v24::SetCommPlatform(&fake);
    g_pDoc->OpenLink();
    FUZZ_CHECK(g_pDoc->m_hPort >= 0);
    // Silence must not wait out the library's second per read: the script says when the far
    // end is quiet, and a read with a zero time-out returns what is queued at once.
    PortSetTimeout(g_pDoc->m_hPort, 0);
    g_pDoc->SetTransferState(kStateReceiving);

    int calls = 0;
    if (RunScript(script, m, line, calls)) {
        // The far end has no more to say: the queue drains, then silence ends the receive.
        while (Step(m, calls)) {
        }
    }
    if (calls < kMaxCalls && g_pDoc->m_nTransferState != kStateReceiving)
        FUZZ_CHECK(std::memcmp(g_pDoc->m_data, m.data.data(), g_pDoc->m_nDataSize) == 0);
    g_pDoc->ClosePort();
    v24::SetCommPlatform(previous);
    return 0;
}
