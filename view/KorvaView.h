#pragma once
// The transfer controller: timer 101 drives one step per tick over the document's transfer
// state and so carries out every dialogue with the device (search, the four downloads, the
// upload, the delivery-mode reset). The command handlers only set the state that begins a
// dialogue; the view also draws the status line and the progress bar into its client image.
#include "TransferOutcome.h"
#include "StatusLine.h"
#include "View.h"

#include <QString>
#include <cstdint>
#include <functional>

class CKorvaDoc;
struct DownloadKind;

class CKorvaView : public framework::CView {
public:
    // A read or a line sent that goes on over several ticks, and the step that waits for it.
    enum PendingIo { kNoPendingIo, kPendingIdentity, kPendingReceive, kPendingSend };

    static constexpr unsigned kTimerId = 101;
    static constexpr unsigned kTimerPeriodMs = 10;

    explicit CKorvaView(QWidget* parent = nullptr);
    ~CKorvaView() override;

    CKorvaDoc* GetDocument() const;

    void OnTimer(unsigned id) override;
    void OnActivateView(int activate, framework::CView* pActivateView,
                        framework::CView* pDeactiveView) override;

    // The commands.
    void OnPutData();
    void OnAllData();
    void OnHistoricalTemperaments();
    void OnAdjustmentData();
    void OnActualInstrument();
    void OnDeliveryMode();
    void OnFileNew();
    // The download of a kind, as its command starts it.
    void StartDownload(const DownloadKind& kind);

    // The three groups that are the only joint writers of the enable fields.
    void DisableCommands();
    void EnableDeviceCommands();
    void EnableUploadOnly();

    // Clears the client area and shows the port in use and, once identified, the device label.
    void RedrawStatusLine();
    // The progress bar for count lines against m_nProgressFull.
    void DrawProgress(int32_t count);

    // The program-wide values of the controller, shared by every view of the process. Only
    // the controller's tests read them and set them back to their values at program start
    // (they run several views in one process).
    static int32_t LastPortIndex() { return s_nLastPortIndex; }
    static const QString& TitleLine() { return s_strTitleLine; }
    static void ResetProgramWide();

    int32_t m_bEnableDeliveryMode = 0;
    int32_t m_bEnableDownload = 0;
    int32_t m_bEnableUpload = 0;
    int32_t m_nLines = 0;
    int32_t m_nProgressFull = 0;
    uint8_t m_bSending = 0;
    uint8_t m_bWasSending = 0;
    uint8_t m_bSendDone = 0;
    int32_t m_bIdentified = 0;
    int32_t m_nTicks = 0;
    uint8_t m_bInTimer = 0;
    // The capture history's file of the last download, empty when it could not be kept (or
    // no download has ended yet). For the tests; the program asks KeepUnsavedData.
    const QString& LastCapture() const { return m_strLastCapture; }
    // Where the unsaved data of the last download are kept in the capture history; written now
    // if that failed when the download ended. Empty, with the reason in *error, if they cannot be.
    QString KeepUnsavedData(QString* error);
    // A step's read or line has not ended: the ticks that come run no step until it has.
    // For the tests, which tick the controller until it has.
    bool IsWaitingForPort() const { return m_nPendingIo != kNoPendingIo; }
    // The status bar's message from the controller (empty: none).
    const QString& StatusMessage() const { return m_strStatusMessage; }
    // How the last dialogue ended; recorded before the box that tells the user is shown.
    const CTransferEnd& LastTransferEnd() const { return m_lastTransferEnd; }
    // Called with each end as it is recorded, before its box (callers without a user).
    std::function<void(const CTransferEnd&)> m_fnOnTransferEnd;
    // A quiet controller works for a caller of its own (a read of the device into a buffer of
    // its own): it shows no boxes and no status-bar texts and draws no title line.
    void SetQuiet(bool quiet) { m_bQuiet = quiet; }
    // The controller rests: idle, no read or line under way, the link its document's own. Only
    // then may another controller borrow the link.
    bool IsIdle() const;
    // Asked by PUT DATA and by delivery mode (once confirmed), with the command's id, before
    // they erase the device's data: true when it takes the command over and calls proceed once
    // the command may go on (or never, when it is cancelled); false lets it go on at once.
    std::function<bool(unsigned command, std::function<void()> proceed)> m_fnBeforeErase;
    // Called each time the search has found the device (not by a quiet controller).
    std::function<void()> m_fnOnDeviceFound;
    // What the status line and the progress bar show now, as assistive tools are told it.
    const CStatusLineShown& StatusLineShown() const { return m_statusShown; }

private:
    void RegisterCommands();
    void RegisterCommand(unsigned id, std::function<void()> handler, const int32_t* enabledBy);

    // Whether the data in working storage may be replaced: modified data make the document
    // ask whether to save them first. A download that may start leaves the data unmodified,
    // as the buffer is overwritten from then on.
    bool CanReplaceData();
    bool CanStartDownload();
    // What PUT DATA and delivery mode do once they may erase the device's data.
    void BeginPutData();
    void BeginDeliveryReset();

    // One tick of timer 101. RunStep is false when the step ended the tick early, or left it
    // to be finished once its read has ended.
    void CheckPort();
    bool RunStep(int32_t state);
    void EndTick();
    void FinishTick();
    bool DeferTick(PendingIo io);
    bool FinishPendingIo();
    bool FinishPendingSend();
    bool MustDrainBefore(int32_t state);
    bool StepDrain();
    void CountTick();
    void CapTicks(int32_t cap);

    // One step per state; StepReceiving answers false when it ended the tick early.
    bool StepSearch();
    void HandleIdentityAnswer(int32_t result);
    bool WaitForBusyLine();
    void StepIdentified();
    void StepIdle();
    void StepRequest(const DownloadKind& kind);
    bool StepReceiving();
    bool ReceiveLines(int32_t result);
    bool HandleReceived(int32_t result);
    void StepCaptured();
    void KeepCapture(CTransferEnd& end);
    void RecordEnd(TransferOutcome outcome, int32_t code = 0);
    void RecordEnd(const CTransferEnd& end);
    void RecordReceiveError(int32_t code);
    // The box that tells the user how a dialogue ended; none from a quiet controller.
    void ShowMessage(const QString& text);
    // The transfer log hears of each state a step enters, and of each dialogue that begins.
    void LogStateChange(int32_t state);
    void StepTimedOut();
    void StepNoDevice();
    void StepNewDocument();
    void StepUpload();
    void StepDeliveryReset();

    bool UploadStep();
    void HandleSent(int32_t sent);
    void BeginUpload();
    void FinishUpload(TransferOutcome outcome, int32_t code = 0);

    void DrawStatusText(const char* text);
    void DrawTitleLine();
    void DrawStatus(const QString& said, const QString& shown);
    void DrawDeviceAndPort(framework::CClientDC& dc);
    void WidenForPortName();
    // Counts one line; draws the bar when the step counter stood above drawAbove.
    void CountLine(int32_t drawAbove);

    // Shows text in the frame's status bar while no command is pointed at; empty clears it.
    void ShowStatusMessage(const QString& text);
    // The search's open step: why the port cannot be opened, or nothing once it opens. Only a
    // reason shown here is cleared here, so that the pane's other texts stay.
    void ShowOpenFailure(const QString& reason);

    PendingIo m_nPendingIo = kNoPendingIo;
    int32_t m_nPendingState = 0;
    bool m_bDraining = false;
    QString m_strStatusMessage;
    CTransferEnd m_lastTransferEnd;
    QString m_strLastCapture;
    const DownloadKind* m_pLastCaptureKind = nullptr;
    bool m_bHistoryFailed = false;
    bool m_bShowsOpenFailure = false;
    bool m_bQuiet = false;
    int32_t m_nLoggedState = -1;
    CStatusLineShown m_statusShown;

    static int32_t s_nLastPortIndex;
    static int32_t s_nLastDeviceRevision;
    static int32_t s_nProgressStep;
    static QString s_strTitleLine;
};
