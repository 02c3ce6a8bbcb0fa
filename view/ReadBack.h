#pragma once
// A read of the device into a buffer of its own: a download of one kind through the same link
// and the same controller rules as every other, while working storage, its title, its unsaved
// state and the enabled commands stay as they are. The read borrows the link of a resting
// controller's document (the window's, or the command line's), runs a document and an unseen,
// quiet controller of its own on it, and gives the link back when the download has ended; the
// lender's controller runs no step meanwhile, so that a command given then waits. The download
// is an ordinary one on the line (its request, its EOT) and goes into the capture history like
// any other.
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "TransferOutcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

struct DownloadKind;
class QTimer;

class CReadBack {
public:
    enum Result {
        kNotStarted,
        kRunning,
        kComplete,    // the data with their end line, undamaged
        kIncomplete,  // the device's EOT came before the end line
        kDamaged,     // the line altered characters, or the receive split lines
        kTimedOut,    // the device fell silent after some lines
        kNoDevice,    // nothing came at all
        kFailed,      // the port failed, the data did not fit, or the port was changed meanwhile
    };

    CReadBack(CKorvaDoc& lender, CKorvaView& lenderView, const DownloadKind& kind);
    ~CReadBack();
    CReadBack(const CReadBack&) = delete;
    CReadBack& operator=(const CReadBack&) = delete;

    // Borrows the link and sends the request; false, and nothing sent, unless the lender's
    // controller rests (CKorvaView::IsIdle).
    bool Start();
    Result GetResult() const { return m_nResult; }
    // From Start until the link is back with the lender (m_fnOnDone is then called).
    bool IsRunning() const { return m_nResult == kRunning || m_bFinishing; }
    // How the download ended, as the controller recorded it.
    const CTransferEnd& End() const { return m_end; }
    const DownloadKind& Kind() const { return m_kind; }
    // The data read, as a data file of them holds them; empty when none came.
    QByteArray Data() const;
    // The lines received so far, while the read runs.
    int32_t LinesReceived() const;
    // Why the read did not end complete, in the user's words ("the device sent no data", ...);
    // empty while it runs and once it has.
    QString Failure() const;
    // The read's file in the capture history; empty when none was kept.
    QString CapturePath() const;

    // Called from the event loop once the read has ended and the link is back with the lender.
    std::function<void(const CReadBack&)> m_fnOnDone;
    // Called when the read starts and every kProgressMs while it runs (a status bar's count
    // of lines).
    static constexpr int kProgressMs = 250;
    std::function<void(const CReadBack&)> m_fnOnProgress;

private:
    class CQuietView;

    void OnTransferEnd(const CTransferEnd& end);
    // The lender's port changed under the read: the read ends, and its port is closed.
    void Abandon();
    void ReturnLink();
    void Finish();
    static Result ResultOf(const CTransferEnd& end);

    CKorvaDoc& m_lender;
    CKorvaView& m_lenderView;
    const DownloadKind& m_kind;
    CKorvaDoc m_doc;
    std::unique_ptr<CQuietView> m_pView;
    Result m_nResult = kNotStarted;
    CTransferEnd m_end;
    int32_t m_nPortIndex = 0;
    int32_t m_nDeviceRevision = 0;
    bool m_bFinishing = false;
    std::unique_ptr<QTimer> m_pProgress;
    // The end is finished from the event loop, and not at all once the read is gone.
    QObject m_context;
};

// The kind of data working storage holds, which a comparison with the device reads: that of
// the download they came from, or of the capture in the history they were opened from; all
// data when neither is known.
const DownloadKind& KindOfWorkingStorage(const CKorvaDoc& doc);
