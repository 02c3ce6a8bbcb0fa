#pragma once
// korva without a window: a download into a file, or a data file put into the device. The
// window's own controller and link do the work, unseen: the search on the configured port (or
// the one given), the request, the receive and the capture history, or the upload. On a
// terminal the progress goes to stderr; a failure ends with one clear line there.
#include <QString>
#include <QStringList>

#include <cstdint>

struct DownloadKind;

struct CTransferJob {
    const DownloadKind* pDownload = nullptr;  // a download of this kind into strOutput, or
    QString strUpload;                        // this data file put into the device
    QString strOutput;
    int32_t nPort = -1;                       // 0 to 15 for COM1 to COM16; -1: the configured port
};

// The program's exit status of a command line.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// The usage lines of the transfers, with the kinds of download the device offers.
QString TransferUsage();

// Makes a job of the options' values; false with the reason when they do not make one.
bool MakeTransferJob(const QString& download, const QString& output, const QString& upload, const QString& port,
                     CTransferJob* job, QString* error);

// Runs the job in the application that exists; the exit status.
int RunTransferJob(const CTransferJob& job);
