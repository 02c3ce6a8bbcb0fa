#pragma once
// The program's one document: the device's text in a fixed buffer, its counters and cursor,
// the transfer state that drives the dialogue with the device, the port handle and the
// interface settings.
#include "Document.h"
#include "Einstell1.h"
#include "LinkErrors.h"
#include "LinkRecord.h"
#include "TransferState.h"

#include <chrono>
#include <cstdint>

namespace framework { class CArchive; }
struct DownloadKind;

class CKorvaDoc : public framework::CDocument {
public:
    // What a receive may store.
    static constexpr int32_t kDataCapacity = 400000;
    // A load stores as much as a receive may, so that every file a save writes opens again.
    static constexpr int32_t kLoadLimit = kDataCapacity;
    // The marker's CR stands at index kLoadLimit - 1 at the latest; the empty line a load adds
    // after it takes one place more.
    static constexpr int32_t kBufferSize = kLoadLimit + 1;
    static constexpr int32_t kRxAreaSize = 500;
    static constexpr char kCR = 0x0D;
    static constexpr char kLF = 0x0A;
    static constexpr const char* kNewTitle = "VEQ_32_C_DATA";
    // ReceiveBlock's own result for a buffer that cannot take the next character.
    static constexpr int32_t kBufferFull = -20;
    // PollReceive's result while its read has not ended, PollSendLine's while its line has
    // not gone out whole.
    static constexpr int32_t kReadPending = 2;
    static constexpr int32_t kSendPending = 2;
    // A wait in milliseconds that has no limit.
    static constexpr uint32_t kWaitWithoutLimit = 0xFFFFFFFFu;

    CKorvaDoc();
    ~CKorvaDoc() override;

    bool OnNewDocument() override;
    void Serialize(framework::CArchive& ar) override;
    // Before the data are replaced, the port is changed or the program ends: an upload under
    // way is stopped only when the user says so, then modified data ask to be saved.
    bool SaveModified() override;
    // From the upload command until its last line has gone out.
    bool IsUploading() const { return m_nTransferState == kStateUpload; }
    // The data end with the device's end-marker line (a loaded file's with the empty line
    // the load adds): only such data are whole, and only they may go back into the device.
    bool HoldsCompleteData() const;
    // The data as a data file of them holds them: the bytes a save writes.
    QByteArray FileBytes() const;
    // Whether the bytes of a data file hold whole data: a load finds their end-marker line,
    // and no character before it is a NUL (what a line error leaves).
    static bool IsWholeDataFile(const QByteArray& bytes);

    // How many bytes of m_data working storage holds now: while a download arrives, the lines
    // received so far (each closed by CR; what the buffer held before is being overwritten),
    // otherwise the data.
    int32_t HeldDataSize() const { return m_nTransferState == kStateReceiving ? m_nCursor : m_nDataSize; }
    bool IsReceiving() const { return m_nTransferState == kStateReceiving; }

    void ResetCursors();
    void ResetData();
    int32_t GetLineCount() const { return m_nLineCount; }
    int32_t GetTransferState() const { return m_nTransferState; }
    void SetTransferState(int32_t state) { m_nTransferState = state; }

    // Menu "Adjustment", item "&Interface": the interface settings, run modally.
    void OnInterface();

    // The device link (DeviceLink.cpp); nothing else in the program calls the port library.
    // Opens the configured port with the device's line settings unless it is open already.
    void OpenPort();
    // OpenPort, then purges both directions and resets the cursor and received-line count.
    void OpenLink();
    // Why the last open of the port failed, in the user's words; empty after one that succeeded.
    const QString& OpenFailure() const { return m_strOpenFailure; }
    // Resets the cursor and received-line count and closes the port if it is open.
    void ClosePort();
    void PurgePort();
    // Sends the text followed by CR LF; the results are not examined. The rest of a transfer
    // cut short is read and dropped first (DrainUnfinishedTransfer without a limit), as the
    // device takes no command while it sends; the controller drains it beforehand without
    // blocking, so that in the window this wait is already over.
    void SendCommand(const char* text);
    // Sends the buffer line at the cursor whole, as its characters (eighth bit cleared) and
    // CR LF. True while more lines follow; false at the end of the data (characters after
    // the last CR are never sent) and after a failed write, which also closes the port.
    // Blocks until the line is out: the window's controller uses PollSendLine instead; the
    // link's tests and its fuzz target call this form.
    bool SendNextLine();
    // The same line, waiting at most waitMs in all: kSendPending while it has not gone out
    // whole (the next call goes on with it), 1 when it has, 0 at the end of the data or after
    // a failure (GetLastWriteResult tells which).
    int32_t PollSendLine(uint32_t waitMs);
    // One port read appended to the buffer as one line. 1: a line was stored or the receive
    // ended (EOT: state 1; silence: state 2, or 15 when no line came); 0: nothing arrived
    // and the receive goes on; kBufferFull: the buffer overflowed (state 0); a negative
    // port-library code: the read failed (state 3) and the port is closed. Waits for the
    // read to end: up to the port's time-out for each byte. The window's controller uses
    // PollReceive instead; the link's tests and its fuzz target call this form.
    int32_t ReceiveBlock();
    // The same read, waiting at most waitMs in all: kReadPending while it has not ended (the
    // next call goes on with it), else what ReceiveBlock answers. An EOT ends the read at once.
    int32_t PollReceive(uint32_t waitMs);
    // Forgets a read that has not ended; the transfer it belonged to counts as cut short.
    void AbandonReceive();
    // A read has begun and not ended (for the link's tests).
    bool IsReceiveOpen() const { return m_bReadOpen; }
    // Forgets a line that has not gone out whole.
    void AbandonSend() { m_bLineOpen = false; }
    // The download whose data the last receive ended with (EOT, or silence after lines), once:
    // the next call answers nullptr, as does a receive that ended without data of a download.
    const DownloadKind* TakeEndedDownload();
    // A download was requested and has not ended with its EOT or silence: the device may still
    // be sending it, and takes no command until it has.
    bool HasUnfinishedTransfer() const { return m_bTransferUnfinished; }
    // Bytes wait on the line that no read has taken (beyond the LF of a line just read): after
    // a purge, or behind an answer, the device is sending more than it was asked for.
    bool IsLineBusy() const;
    // The device is sending a transfer that was not asked for here (another program's, cut
    // short): it is drained as one of ours would be before the next command.
    void ExpectRestOfTransfer() { m_bTransferUnfinished = true; }
    // Reads and discards the rest of such a transfer until its EOT comes or the line stays
    // silent for the port's time-out, waiting at most waitMs: true once it has ended.
    bool DrainUnfinishedTransfer(uint32_t waitMs);
    // The outcome of the last SendNextLine: 0 when its line went out whole or it sent
    // nothing, the library's negative code when a write answered one, PORT_E_WRITE (-9)
    // when the driver took fewer characters than the line has.
    int32_t GetLastWriteResult() const { return m_nLastWriteResult; }
    // Why the last failed read or write of a transfer failed, where the port library tells.
    LinkFailure LastLinkFailure() const { return m_nLinkFailure; }
    // After a port error cut a download short: the lines it brought become the data, as a
    // time-out would have left them, and TakeEndedDownload answers the download, so that the
    // lines can be kept. The download; nullptr when no download was cut short with lines.
    const DownloadKind* EndCutShortDownload();

    // What the line did to the transfer since its command (a download's request, "DE" or
    // "DU"): the errors the port reported, NUL characters received, lines split at the read's
    // limit or by a pause. Takes the port's errors not yet read first; the transfer's count then
    // starts again.
    CLineDamage TakeTransferDamage();
    // The errors and damage of the whole run, for the support report.
    const CLineDamage& RunDamage() const { return m_runDamage; }
    // The open port's line settings and modem lines as it reports them; false with only port
    // and device file filled when no port is open.
    bool ReadLineState(CLineState* state) const;
    // The download whose data working storage holds; nullptr for data from a file or none.
    const DownloadKind* DataKind() const { return m_pDataKind; }

    // The link (the open port, and a transfer the device may still be sending) goes to other,
    // which talks to the device on it until it moves the link back; this document then has
    // none and is lent out (a read of the device into a buffer of its own borrows it so).
    void MoveLinkTo(CKorvaDoc& other);
    bool IsLinkLent() const { return m_bLinkLent; }

    // Puts the countdown below back to its value at program start, as a silence end does: what
    // a fresh document finds. Tests that run several documents in one process reset it so.
    static void ResetIdleCountdown();
    // Empty reads left before silence ends a receive; shared by every receive and by the
    // device search, 3 at program start.
    static int32_t s_nIdleCountdown;

    int32_t m_bPortOpen = 0;
    int32_t m_nCursor = 0;
    int32_t m_nRxLines = 0;
    int32_t m_nDataSize = 0;
    int32_t m_nLineCount = 0;
    char m_data[kBufferSize];
    char m_rxArea[kRxAreaSize + 1];
    int32_t m_hPort;
    int32_t m_nTransferState = kStateSearch;
    CEinstell1 m_dlgInterface;

private:
    void StoreData(framework::CArchive& ar) const;
    void LoadData(framework::CArchive& ar);
    bool EndsWithMarker(int32_t p) const;

    bool BeginLine();
    void FillPiece();
    int32_t EndLine();
    int32_t FailSend(int32_t code, LinkFailure cause);
    using Clock = std::chrono::steady_clock;
    int32_t ContinueRead(Clock::time_point waitEnd);
    int32_t FinishRead(bool endedBySilence);
    bool EndDrain();
    int32_t FailReceive(int32_t code);
    int32_t CountSilence();
    int32_t AppendRead(int32_t count);
    int32_t Overflow();
    void CloseLine();
    void EndReceive();

    // The transfer log and the damage of the line (LinkRecord.cpp).
    void RecordOpen(const char* portName);
    void RecordClose();
    void RecordPurge();
    void RecordWrite(int32_t result, int32_t expected);
    void RecordFailedRead(int32_t code);
    void BeginTransferRecord();
    void RecordRead(uint32_t count, bool endedBySilence);
    void TakeLineErrors(const char* when);

    int32_t m_nLastWriteResult = 0;
    LinkFailure m_nLinkFailure = kLinkFailureUnknown;
    // The download a port error cut short, and the size of the lines it had brought.
    const DownloadKind* m_pCutShortDownload = nullptr;
    int32_t m_nCutShortSize = 0;
    QString m_strOpenFailure;
    // The line that filled the buffer to its last place has no room for its CR.
    bool m_bLineOpenAtLimit = false;
    // The read under way: its bytes so far in m_rxArea, and when the last one came.
    bool m_bReadOpen = false;
    uint32_t m_nRxCount = 0;
    std::chrono::steady_clock::time_point m_tLastArrival;
    // The line being sent: where its next characters are, where its CR is, and the piece of
    // it in the send buffer with what of it has gone out.
    bool m_bLineOpen = false;
    int32_t m_nLinePos = 0;
    int32_t m_nLineEnd = 0;
    int32_t m_nPieceLength = 0;
    int32_t m_nPieceSent = 0;
    std::chrono::steady_clock::time_point m_tLastProgress;
    bool m_bTransferUnfinished = false;
    const DownloadKind* m_pRequestedDownload = nullptr;
    const DownloadKind* m_pEndedDownload = nullptr;
    bool m_bDraining = false;
    const DownloadKind* m_pDataKind = nullptr;
    bool m_bLinkLent = false;
    CLineDamage m_transferDamage;
    CLineDamage m_runDamage;
    // The last read ended at the read's limit: a line that goes on in the next read is split.
    bool m_bReadAtLimit = false;
};
