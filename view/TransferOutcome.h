#pragma once
// How a dialogue with the device ended, as a value: the view records it before it shows the
// box that tells the user, so that callers without a user (the command line, the
// demonstration) act on what happened rather than on the words of the box.
#include "LinkErrors.h"
#include "LinkRecord.h"

#include <QString>
#include <cstdint>

struct DownloadKind;

enum TransferOutcome : int32_t {
    kOutcomeNone,          // nothing has ended yet
    kOutcomeNoAnswer,      // a search cycle ended without the device's answer; the status bar
                           // says why when the port cannot be opened
    kOutcomeLineBusy,      // a search cycle found the device sending what nobody here asked
                           // for (the rest of another program's transfer): the search waits
                           // for it to end, then asks again
    kOutcomeNoDevice,      // "!!! NO TUNING SET FOUND !!!": silence before any line
    kOutcomeCaptured,      // a download ended with its end line, or a data file was opened
    kOutcomeIncomplete,    // the device's EOT came before the end line
    kOutcomeDamaged,       // a download whose characters the line altered, or whose lines
                           // the receive split; damage tells how
    kOutcomeTimedOut,      // the device fell silent after some lines
    kOutcomeOverflow,      // the download did not fit into working storage (no box)
    kOutcomeReceiveError,  // the port failed during a download; nCode tells how
    kOutcomeStored,        // the upload's last line has gone out
    kOutcomeSendError,     // a line of the upload did not go out; nCode tells how
};

struct CTransferEnd {
    TransferOutcome nOutcome = kOutcomeNone;
    // The port library's negative code of a receive or send error, else 0.
    int32_t nCode = 0;
    // Why the port failed (receive and send errors), where the port library tells.
    LinkFailure nCause = kLinkFailureUnknown;
    // The download that ended (captured, incomplete, damaged, timed out, cut short by a receive
    // error); nullptr for an opened file and for every other outcome.
    const DownloadKind* pDownload = nullptr;
    // The capture history's file of the download's lines; empty when it brought none, or when
    // they could not be kept, which strCaptureError then says why.
    QString strCapture;
    QString strCaptureError;
    // What the line did to a download or an upload that ended (any outcome of theirs).
    CLineDamage damage;
};
