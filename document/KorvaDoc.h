#pragma once
// The program's one document: the device's text in a fixed buffer, its counters and cursor,
// the transfer state that drives the dialogue with the device, the port handle and the
// interface settings.
#include "Document.h"
#include "Einstell1.h"
#include "TransferState.h"

#include <cstdint>

namespace framework { class CArchive; }

class CKorvaDoc : public framework::CDocument {
public:
    static constexpr int32_t kDataCapacity = 400000;
    // A load stops storing here, leaving room for the end marker's extra CR.
    static constexpr int32_t kLoadLimit = 399997;
    // The marker's CR is stored at index kLoadLimit - 1 at the latest, its extra CR one further.
    static_assert((kLoadLimit - 1) + 1 < kDataCapacity, "the marker's extra CR must fit in m_data");
    static constexpr int32_t kRxAreaSize = 500;
    static constexpr char kCR = 0x0D;
    static constexpr char kLF = 0x0A;
    static constexpr const char* kNewTitle = "VEQ_32_C_DATA";
    // ReceiveBlock's own result for a buffer that cannot take the next character.
    static constexpr int32_t kBufferFull = -20;

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

    // The device link (KorvaLink.cpp); nothing else in the program calls the port library.
    // Opens the configured port with the device's line settings unless it is open already.
    void OpenPort();
    // OpenPort, then purges both directions and resets the cursor and received-line count.
    void OpenLink();
    // Resets the cursor and received-line count and closes the port if it is open.
    void ClosePort();
    void PurgePort();
    // Sends the text followed by CR LF; the results are not examined.
    void SendCommand(const char* text);
    // Sends the buffer line at the cursor whole, as its characters (eighth bit cleared) and
    // CR LF. True while more lines follow; false at the end of the data (characters after
    // the last CR are never sent) and after a failed write, which also closes the port.
    bool SendNextLine();
    // One port read appended to the buffer as one line. 1: a line was stored or the receive
    // ended (EOT: state 1; silence: state 2, or 15 when no line came); 0: nothing arrived
    // and the receive goes on; kBufferFull: the buffer overflowed (state 0); a negative
    // port-library code: the read failed (state 3) and the port is closed.
    int32_t ReceiveBlock();
    // The outcome of the last SendNextLine: 0 when its line went out whole or it sent
    // nothing, the library's negative code when a write answered one, PORT_E_WRITE (-9)
    // when the driver took fewer characters than the line has.
    int32_t GetLastWriteResult() const { return m_nLastWriteResult; }

    // Empty reads left before silence ends a receive; shared by every receive and by the
    // device search, 3 at program start.
    static int32_t s_nIdleCountdown;

    int32_t m_bPortOpen = 0;
    int32_t m_nCursor = 0;
    int32_t m_nRxLines = 0;
    int32_t m_nDataSize = 0;
    int32_t m_nLineCount = 0;
    char m_data[kDataCapacity];
    char m_rxArea[kRxAreaSize + 1];
    int32_t m_hPort;
    int32_t m_nTransferState = kStateSearch;
    CEinstell1 m_dlgInterface;

private:
    void StoreData(framework::CArchive& ar) const;
    void LoadData(framework::CArchive& ar);
    bool EndsWithMarker(int32_t p) const;

    bool SendLine(int32_t crIndex);
    bool WritePiece(int32_t& count);
    int32_t FailReceive(int32_t code);
    int32_t CountSilence();
    int32_t AppendRead(int32_t count);
    int32_t Overflow();
    void CloseLine();
    void EndReceive();

    int32_t m_nLastWriteResult = 0;
    // The line that filled the buffer to its last place has no room for its CR.
    bool m_bLineOpenAtLimit = false;
};
