#pragma once
// The program's one document: the device's text in a fixed buffer, its counters and cursor,
// the transfer state that drives the dialogue with the device, the port handle and the
// interface settings.
#include "Document.h"
#include "Einstell1.h"

#include <cstdint>

namespace framework { class CArchive; }

class CKorvaDoc : public framework::CDocument {
public:
    static constexpr int32_t kDataCapacity = 400000;
    // A load stops storing here, leaving room for the end marker's extra CR.
    static constexpr int32_t kLoadLimit = 399997;
    static constexpr int32_t kRxAreaSize = 500;
    static constexpr char kCR = 0x0D;
    static constexpr char kLF = 0x0A;
    static constexpr const char* kNewTitle = "VEQ_32_C_DATA";

    CKorvaDoc();
    ~CKorvaDoc() override;

    bool OnNewDocument() override;
    void Serialize(framework::CArchive& ar) override;

    void ResetCursors();
    void ResetData();
    int32_t GetLineCount() const { return m_nLineCount; }
    int32_t GetTransferState() const { return m_nTransferState; }
    void SetTransferState(int32_t state) { m_nTransferState = state; }

    // Menu "Adjustment", item "&Interface": the interface settings, run modally.
    void OnInterface();

    int32_t m_bPortOpen = 0;
    int32_t m_nCursor = 0;
    int32_t m_nRxLines = 0;
    int32_t m_nDataSize = 0;
    int32_t m_nLineCount = 0;
    char m_data[kDataCapacity];
    char m_rxArea[kRxAreaSize + 1];
    int32_t m_hPort;
    int32_t m_nTransferState = 3;
    CEinstell1 m_dlgInterface;

private:
    void StoreData(framework::CArchive& ar) const;
    void LoadData(framework::CArchive& ar);
    bool EndsWithMarker(int32_t p) const;
};
