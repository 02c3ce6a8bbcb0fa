#pragma once
// korva without a window: a download into a file, a data file put into the device, or the
// device's data compared with a data file (after the upload, or alone). The window's own
// controller and link do the work, unseen: the search on the configured port (or the one
// given), the request, the receive and the capture history, the upload, the read of the device
// into a buffer of its own. On a terminal the progress goes to stderr; a failure ends with one
// clear line there.
#include <QString>
#include <QStringList>

#include <cstdint>

struct DownloadKind;

struct CTransferJob {
    const DownloadKind* pDownload = nullptr;  // a download of this kind into strOutput, or
    QString strUpload;                        // this data file put into the device
    QString strOutput;
    QString strVerify;                        // the data file the device's data are compared with,
                                              // after the upload or alone; empty: no comparison
    int32_t nPort = -1;                       // 0 to 15 for COM1 to COM16; -1: the configured port
    bool bNoBackup = false;                   // no automatic backup before the upload, even
                                              // with the setting on
};

// The values of the transfer options as the command line gave them.
struct CTransferOptions {
    QString strDownload;
    QString strOutput;
    QString strUpload;
    QString strPort;
    bool bVerify = false;
    bool bNoBackup = false;
    QStringList files;  // the arguments that are no options
};

// The program's exit status of a command line.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// The usage lines of the transfers, with the kinds of download the device offers.
QString TransferUsage();

// Makes a job of the options' values; false with the reason when they do not make one.
bool MakeTransferJob(const CTransferOptions& options, CTransferJob* job, QString* error);
// The port a --port name stands for: 0 to 15, -1 for none given; false with the reason for a
// name that is no port.
bool PortOption(const QString& port, int32_t* index, QString* error);

// Runs the job in the application that exists; the exit status. With the automatic backups on,
// an upload reads all data from the device into the capture history first (unless bNoBackup),
// and a backup that fails ends the job before anything is uploaded.
int RunTransferJob(const CTransferJob& job);
