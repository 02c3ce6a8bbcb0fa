// Any bytes, of any length, as the content of a data file: the document loads them through its
// serialisation as Open does. Whatever the bytes, the counters stay in range; a load that
// succeeds holds exactly what the file format says and ends with the marker line and its extra
// empty line; and saving what was loaded and loading it again gives the same data.
#include "Archive.h"
#include "DataText.h"
#include "DocumentData.h"
#include "FuzzCheck.h"
#include "KorvaDoc.h"

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int32_t kCapacity = CKorvaDoc::kDataCapacity;
constexpr size_t kLoadLimit = CKorvaDoc::kLoadLimit;
// No load sets this state, so a load that leaves the state alone shows it.
constexpr int32_t kStateBefore = kStateIdle;
constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;
constexpr char kMarker[] = "END________";
constexpr size_t kMarkerLength = sizeof kMarker - 1;
// The marker's CR counts only from this store index on.
constexpr size_t kFirstMarkerEnd = 13;

struct ExpectedLoad {
    bool bLoaded = false;
    std::string data;  // the buffer after a successful load, extra CR included
    int32_t nLineCount = 0;
};

// What a load must make of the bytes, from the file format alone: LF dropped, every other byte
// stored as it is; the first CR that stands at index 13 or later behind END and eight
// underscores ends the data, and one more CR is added. A file that ends first, or that fills
// the load limit without a marker, is refused.
ExpectedLoad ExpectLoad(const std::string& file)
{
    ExpectedLoad e;
    std::string stored;
    for (char b : file) {
        if (stored.size() >= kLoadLimit)
            break;
        if (b == kLF)
            continue;
        stored += b;
        if (b != kCR)
            continue;
        ++e.nLineCount;
        const size_t p = stored.size() - 1;
        if (p >= kFirstMarkerEnd && stored.compare(p - kMarkerLength, kMarkerLength, kMarker) == 0) {
            e.bLoaded = true;
            e.data = stored + kCR;
            return e;
        }
    }
    return {};
}

CKorvaDoc* g_pDoc = nullptr;

// Loads the bytes into the reset document; true when the archive took the load.
bool Load(const QByteArray& file)
{
    g_pDoc->ResetData();
    g_pDoc->SetTransferState(kStateBefore);
    QByteArray content = file;
    QBuffer device(&content);
    device.open(QIODevice::ReadOnly);
    framework::CArchive ar(device, framework::CArchive::load);
    g_pDoc->Serialize(ar);
    return !ar.Failed();
}

QByteArray Store()
{
    QByteArray content;
    QBuffer device(&content);
    device.open(QIODevice::WriteOnly);
    {
        framework::CArchive ar(device, framework::CArchive::store);
        g_pDoc->Serialize(ar);
        FUZZ_CHECK(ar.Flush());
    }
    return content;
}

void CheckCounters()
{
    FUZZ_CHECK(g_pDoc->m_nDataSize >= 0 && g_pDoc->m_nDataSize <= kCapacity);
    FUZZ_CHECK(g_pDoc->m_nLineCount >= 0);
}

void CheckLoaded(const ExpectedLoad& e)
{
    FUZZ_CHECK(g_pDoc->GetTransferState() == kStateCaptured);
    FUZZ_CHECK(Data(*g_pDoc) == e.data);
    FUZZ_CHECK(g_pDoc->GetLineCount() == e.nLineCount);
    const std::string tail = std::string(kMarker) + kCR + kCR;
    FUZZ_CHECK(e.data.size() >= kFirstMarkerEnd + 2);
    FUZZ_CHECK(e.data.compare(e.data.size() - tail.size(), tail.size(), tail) == 0);
}

// Save writes the data with CR LF line ends; that file loads back to the same data. The buffer
// is overwritten in between so that the second load has to put every character back.
void CheckRoundTrip(const ExpectedLoad& e)
{
    const QByteArray saved = Store();
    FUZZ_CHECK(saved.toStdString() == AsSaved(e.data));
    std::memset(g_pDoc->m_data, 0, e.data.size());
    FUZZ_CHECK(Load(saved));
    CheckCounters();
    CheckLoaded(e);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The document reads the port file of the working directory; this one has none.
    EnterFuzzWorkDir();
    // One document, as in the program: a little over 400 KB, made once.
    g_pDoc = new CKorvaDoc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    const ExpectedLoad e = ExpectLoad(file.toStdString());
    const bool bLoaded = Load(file);
    CheckCounters();
    FUZZ_CHECK(bLoaded == e.bLoaded);
    if (!bLoaded) {
        // The document holds no data; the framework re-initialises it after a refused load.
        FUZZ_CHECK(g_pDoc->m_nDataSize == 0);
        FUZZ_CHECK(g_pDoc->GetTransferState() == kStateBefore);
        return 0;
    }
    CheckLoaded(e);
    CheckRoundTrip(e);
    return 0;
}
