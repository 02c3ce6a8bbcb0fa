#include "KorvaDoc.h"

#include "Archive.h"
#include "MessageBox.h"
#include "resource.h"

#include <algorithm>
#include <cstring>

namespace {
// A data file ends with a line whose last eleven characters are "END" and eight underscores.
constexpr char kEndMarker[] = "END________";
constexpr int32_t kEndMarkerLength = sizeof kEndMarker - 1;
// The marker's CR must stand at this index or later to be recognised.
constexpr int32_t kFirstMarkerEnd = 13;
constexpr const char* kStopUploadQuestion =
    "The device is receiving data. If you stop now it keeps incomplete data. Stop the transfer?";
// Any negative handle is refused by the port library as a wrong handle.
constexpr int32_t kNoHandle = -1;

// Whether the CR at data[p] closes the end-marker line.
bool MarkerEndsAt(const char* data, int32_t p)
{
    return p >= kFirstMarkerEnd && data[p] == CKorvaDoc::kCR
        && std::memcmp(&data[p - kEndMarkerLength], kEndMarker, kEndMarkerLength) == 0;
}
}  // namespace

CKorvaDoc::CKorvaDoc() : m_hPort(kNoHandle), m_dlgInterface(nullptr)
{
    m_nTransferState = kStateSearch;
    ResetData();
    m_bPortOpen = 0;
    OnCommand(ID_ADJUSTMENT_INTERFACE, [this] { OnInterface(); });
}

CKorvaDoc::~CKorvaDoc()
{
    ClosePort();
}

bool CKorvaDoc::OnNewDocument()
{
    if (!framework::CDocument::OnNewDocument())
        return false;
    SetTitle(QString::fromLatin1(kNewTitle));
    ResetData();
    return true;
}

void CKorvaDoc::ResetCursors()
{
    m_nCursor = 0;
    m_nRxLines = 0;
    m_bLineOpenAtLimit = false;
    m_bLineOpen = false;
    AbandonReceive();
}

void CKorvaDoc::ResetData()
{
    m_nLineCount = 0;
    m_nDataSize = 0;
    m_pDataKind = nullptr;
    ResetCursors();
}

bool CKorvaDoc::SaveModified()
{
    if (IsUploading()
        && framework::AfxMessageBox(QString::fromLatin1(kStopUploadQuestion),
                                    framework::MB_YESNO | framework::MB_ICONEXCLAMATION | framework::MB_DEFBUTTON2)
            != framework::IDYES)
        return false;
    return framework::CDocument::SaveModified();
}

// A new port restarts the search, whose answer is read into working storage: what it holds is
// saved or given up first (Abbrechen keeps the old port), and then it starts anew, so that
// nothing of the answer is ever saved as data. A new device file for the port counts as a new
// port.
void CKorvaDoc::OnInterface()
{
    const int32_t previous = m_dlgInterface.m_nPortIndex;
    const int32_t previousDevice = m_dlgInterface.m_nDeviceRevision;
    if (m_dlgInterface.DoModal() != framework::IDOK
        || (m_dlgInterface.m_nPortIndex == previous && m_dlgInterface.m_nDeviceRevision == previousDevice))
        return;
    if (!SaveModified()) {
        m_dlgInterface.ChoosePort(previous);
        if (m_dlgInterface.m_nDeviceRevision != previousDevice)
            m_dlgInterface.UndoDeviceChoice();
        return;
    }
    if (m_nDataSize > 0)
        OnNewDocument();
}

bool CKorvaDoc::HoldsCompleteData() const
{
    const int32_t last = m_nDataSize - 1;
    return EndsWithMarker(last) || (last >= 0 && m_data[last] == kCR && EndsWithMarker(last - 1));
}

void CKorvaDoc::Serialize(framework::CArchive& ar)
{
    if (ar.IsStoring())
        StoreData(ar);
    else
        LoadData(ar);
}

void CKorvaDoc::StoreData(framework::CArchive& ar) const
{
    for (const char b : FileBytes())
        ar.WriteByte(static_cast<unsigned char>(b));
}

// Every CR of the buffer goes out as CR LF.
QByteArray CKorvaDoc::FileBytes() const
{
    QByteArray bytes;
    bytes.reserve(m_nDataSize + m_nLineCount + 1);
    for (int32_t p = 0; p < m_nDataSize; ++p) {
        bytes += m_data[p];
        if (m_data[p] == kCR)
            bytes += kLF;
    }
    return bytes;
}

bool CKorvaDoc::EndsWithMarker(int32_t p) const
{
    return MarkerEndsAt(m_data, p);
}

// Read as a load reads: line ends CR alone, the marker within the load limit. A NUL is a
// character the line damaged.
bool CKorvaDoc::IsWholeDataFile(const QByteArray& bytes)
{
    QByteArray data;
    data.reserve(std::min<qsizetype>(bytes.size(), kLoadLimit));
    for (const char b : bytes) {
        if (b == kLF)
            continue;
        if (b == '\0' || data.size() == kLoadLimit)
            return false;
        data += b;
        if (MarkerEndsAt(data.constData(), static_cast<int32_t>(data.size() - 1)))
            return true;
    }
    return false;
}

void CKorvaDoc::LoadData(framework::CArchive& ar)
{
    m_pDataKind = nullptr;
    m_nDataSize = 0;
    m_nLineCount = 0;
    for (int32_t p = 0; p < kLoadLimit;) {
        unsigned char b;
        if (!ar.ReadByte(b))
            return;  // the file ended before its marker: the archive reports the failed load
        if (b == kLF)
            continue;  // line ends are CR alone in memory
        m_data[p] = static_cast<char>(b);
        if (b == kCR)
            ++m_nLineCount;
        if (EndsWithMarker(p)) {
            // The stored data end with an extra empty line, which the size includes.
            m_data[p + 1] = kCR;
            m_nDataSize = p + 2;
            m_nTransferState = kStateCaptured;
            return;
        }
        ++p;
    }
    // A file that fills the buffer without a marker is no data file of ours.
    ar.FailFormat();
}
