#include "CommandLine.h"

#include "CmdTarget.h"
#include "DataLines.h"
#include "DeviceProtocol.h"
#include "DocTemplate.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "LinkErrors.h"
#include "MessageBox.h"
#include "PortDevices.h"
#include "PortNames.h"
#include "StringTable.h"
#include "TransferMessages.h"
#include "WinApp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kPollMs = 20;
constexpr qint64 kProgressEveryMs = 250;

QString Plain(const QString& text)
{
    return text.simplified();
}

// A port error in the words of the window's box; a code that has no box is named by number.
QString PortErrorText(const CTransferEnd& end)
{
    const char* text = end.nOutcome == kOutcomeSendError ? WriteErrorText(end.nCode) : ReceiveErrorText(end.nCode);
    return text ? QString::fromLatin1(text) : QStringLiteral("port library error %1").arg(end.nCode);
}

// The data file's checks and messages, without touching anything of the run: a file that does
// not open as a data file is refused before the device is looked for.
bool OpensAsDataFile(const QString& path, QString* message)
{
    CKorvaDoc doc;
    framework::CSingleDocTemplate docTemplate(QString::fromLatin1(kDocTypeString), doc);
    framework::SetMessageBoxHandler([message](const framework::MessageBoxRequest& box) {
        *message = box.text;
        return static_cast<int>(framework::IDOK);
    });
    const bool opened = docTemplate.OpenDocumentFile(path);
    framework::SetMessageBoxHandler({});
    return opened;
}

// One transfer from the command line: the controller runs as in the window, unseen; this
// watches it and answers its messages.
class CTransferRun {
public:
    explicit CTransferRun(const CTransferJob& job);
    ~CTransferRun();
    int Run();

private:
    enum class Phase { search, load, transfer };

    void OnPoll();
    void OnTransferEnd(const CTransferEnd& end);
    void OnStop();
    void StartTransfer();
    void EndDownload(int status, const QString& what);
    void Finish(int status, const QString& line = QString());
    void ShowProgress(bool last);
    QString PortText() const;
    QString NoDeviceLine() const { return QStringLiteral("no device found on %1").arg(PortText()); }
    int32_t LinesOfData() const;
    bool IsDownload() const { return m_job.pDownload != nullptr; }

    CTransferJob m_job;
    CKorvaDoc m_doc;
    framework::CSingleDocTemplate m_template;
    CKorvaView m_view;
    QEventLoop m_loop;
    QTimer m_poll;
    QElapsedTimer m_clock;
    Phase m_phase = Phase::search;
    int m_nStatus = kExitFailed;
    bool m_bFinished = false;
    bool m_bTerminal;
    bool m_bProgressShown = false;
    qint64 m_nLastProgressMs = -kProgressEveryMs;
};

CTransferRun::CTransferRun(const CTransferJob& job)
    : m_job(job), m_template(QString::fromLatin1(kDocTypeString), m_doc), m_bTerminal(::isatty(STDERR_FILENO) == 1)
{
    m_template.OnFileNew();
    if (m_job.nPort >= 0)
        m_doc.m_dlgInterface.m_nPortIndex = m_job.nPort;
    m_view.SetDocument(&m_doc);
    m_view.m_fnOnTransferEnd = [this](const CTransferEnd& end) { OnTransferEnd(end); };
    // Nobody is there to read the boxes: each is answered with OK, and the ends they tell of
    // reach OnTransferEnd first.
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest&) { return static_cast<int>(framework::IDOK); });
    QObject::connect(&m_poll, &QTimer::timeout, [this] { OnPoll(); });
}

CTransferRun::~CTransferRun()
{
    framework::SetMessageBoxHandler({});
}

int CTransferRun::Run()
{
    framework::WatchStopSignals([this] { OnStop(); });
    m_view.OnActivateView(1, &m_view, nullptr);
    m_poll.start(kPollMs);
    m_loop.exec();
    m_poll.stop();
    m_view.OnActivateView(0, nullptr, &m_view);
    return m_nStatus;
}

QString CTransferRun::PortText() const
{
    const int32_t index = m_doc.m_dlgInterface.m_nPortIndex;
    const QString name = QString::fromLatin1(PortNameForIndex(index));
    const QString file = DeviceFileOfPort(index).file;
    return file.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, file);
}

int32_t CTransferRun::LinesOfData() const
{
    return CountDataLines(m_doc.m_data, m_doc.m_nDataSize);
}

void CTransferRun::OnPoll()
{
    if (m_bFinished)
        return;
    const int32_t state = m_doc.GetTransferState();
    switch (m_phase) {
    case Phase::search:
        if (m_view.m_bIdentified == 1 && state == kStateIdle)
            return StartTransfer();
        return;
    case Phase::load:
        if (state == kStateIdle && m_view.m_bEnableUpload == 1 && framework::ExecuteCommand(m_view, ID_PUT_DATA)) {
            m_phase = Phase::transfer;
            m_clock.start();
        }
        return;
    case Phase::transfer:
        return ShowProgress(false);
    }
}

void CTransferRun::StartTransfer()
{
    if (IsDownload()) {
        framework::ExecuteCommand(m_view, m_job.pDownload->commandId);
        m_phase = Phase::transfer;
        m_clock.start();
        return;
    }
    // The file is loaded only now: a load stops the search.
    if (!m_template.OpenDocumentFile(m_job.strUpload))
        return Finish(kExitFailed, QStringLiteral("%1 cannot be put into the device").arg(m_job.strUpload));
    m_phase = Phase::load;
}

void CTransferRun::OnTransferEnd(const CTransferEnd& end)
{
    if (m_bFinished || m_phase == Phase::load)
        return;
    if (m_phase == Phase::search) {
        // A whole search cycle without the device's answer: it is not there, or not on this
        // port. A port that cannot be opened says why in the status bar.
        if (end.nOutcome == kOutcomeNoAnswer || end.nOutcome == kOutcomeNoDevice) {
            const QString why = m_view.StatusMessage();
            Finish(kExitFailed, why.isEmpty() ? NoDeviceLine() : QStringLiteral("port error: %1").arg(why));
        }
        return;
    }
    switch (end.nOutcome) {
    case kOutcomeCaptured: return EndDownload(kExitOk, QString());
    case kOutcomeIncomplete:
        return EndDownload(kExitFailed, QStringLiteral("the transfer ended without its end line"));
    case kOutcomeTimedOut: return EndDownload(kExitFailed, QStringLiteral("time-out"));
    case kOutcomeNoDevice: return Finish(kExitFailed, NoDeviceLine());
    case kOutcomeStored: return Finish(kExitOk);
    case kOutcomeOverflow:
        return Finish(kExitFailed, QStringLiteral("the data did not fit into working storage (%1 characters)")
                                       .arg(CKorvaDoc::kDataCapacity));
    case kOutcomeReceiveError:
    case kOutcomeSendError:
        return Finish(kExitFailed, QStringLiteral("port error on %1: %2").arg(PortText(), PortErrorText(end)));
    default: return;
    }
}

// A download's data go to the file whatever ended it; a failure says so and names the file.
void CTransferRun::EndDownload(int status, const QString& what)
{
    QString error;
    if (!m_doc.WriteFile(m_job.strOutput, &error))
        return Finish(kExitFailed, QStringLiteral("the data could not be written to %1: %2").arg(m_job.strOutput, error));
    if (status == kExitOk)
        return Finish(kExitOk);
    Finish(status, QStringLiteral("%1 after %2 lines; the lines received are written to %3")
                       .arg(what)
                       .arg(LinesOfData())
                       .arg(m_job.strOutput));
}

// An upload is never cut short: the device would keep part of the data.
void CTransferRun::OnStop()
{
    if (!IsDownload() && m_doc.IsUploading()) {
        std::fprintf(stderr, "%s%s\n", m_bProgressShown ? "\n" : "", kMsgStopAfterUpload);
        m_bProgressShown = false;
        return;
    }
    Finish(kExitFailed, QStringLiteral("stopped"));
}

void CTransferRun::ShowProgress(bool last)
{
    if (!m_bTerminal)
        return;
    const qint64 elapsedMs = m_clock.elapsed();
    if (!last && elapsedMs - m_nLastProgressMs < kProgressEveryMs)
        return;
    m_nLastProgressMs = elapsedMs;
    // At the end the lines of the data, not the reads (the EOT's own is one) or the calls.
    const int32_t lines = !last ? m_view.m_nLines : IsDownload() ? LinesOfData() : m_doc.GetLineCount() - 1;
    const int32_t full = std::max(IsDownload() ? m_job.pDownload->fullScale : m_doc.GetLineCount(), 1);
    const int percent = last ? 100 : std::min(99, static_cast<int>(int64_t(lines) * 100 / full));
    std::fprintf(stderr, "\r%s %s: %d lines, %d%%", IsDownload() ? "download from" : "upload to",
                 qPrintable(PortText()), lines, percent);
    if (!last && lines > 0 && lines < full)
        std::fprintf(stderr, ", about %lld s left ", (full - lines) * elapsedMs / lines / 1000 + 1);
    else
        std::fprintf(stderr, "                  ");
    m_bProgressShown = true;
}

void CTransferRun::Finish(int status, const QString& line)
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_nStatus = status;
    if (m_bProgressShown || (status == kExitOk && m_bTerminal && m_phase == Phase::transfer)) {
        if (status == kExitOk)
            ShowProgress(true);
        std::fputc('\n', stderr);
    }
    if (!line.isEmpty())
        std::fprintf(stderr, "korva: %s\n", qPrintable(line));
    m_loop.exit(status);
}

}  // namespace

QString TransferUsage()
{
    QStringList kinds;
    for (const DownloadKind& kind : kDownloadKinds)
        kinds << QString::fromLatin1(kind.name);
    return QStringLiteral("Usage: korva --download %1 --output FILE [--port COMn]\n"
                          "       korva --upload FILE [--port COMn]\n")
        .arg(kinds.join(QLatin1Char('|')));
}

bool MakeTransferJob(const QString& download, const QString& output, const QString& upload, const QString& port,
                     CTransferJob* job, QString* error)
{
    if (!download.isEmpty() == !upload.isEmpty()) {
        *error = download.isEmpty() ? QStringLiteral("nothing to do: give --download or --upload")
                                    : QStringLiteral("--download and --upload go one at a time");
        return false;
    }
    if (!port.isEmpty()) {
        job->nPort = PortIndexForName(port);
        if (job->nPort < 0) {
            *error = QStringLiteral("no such port: %1 (COM1 to COM16)").arg(port);
            return false;
        }
    }
    if (!upload.isEmpty()) {
        if (!output.isEmpty()) {
            *error = QStringLiteral("--output goes with --download");
            return false;
        }
        job->strUpload = upload;
        return true;
    }
    job->pDownload = DownloadKindForName(download.toStdString());
    if (!job->pDownload) {
        *error = QStringLiteral("no such download: %1").arg(download);
        return false;
    }
    const QFileInfo file(output);
    if (output.isEmpty() || file.isDir() || !file.absoluteDir().exists()) {
        *error = output.isEmpty() ? QStringLiteral("--download needs --output FILE")
                                  : QStringLiteral("%1 is no file in a folder that exists").arg(output);
        return false;
    }
    job->strOutput = output;
    return true;
}

int RunTransferJob(const CTransferJob& job)
{
    if (!job.strUpload.isEmpty()) {
        QString message;
        if (!OpensAsDataFile(job.strUpload, &message)) {
            std::fprintf(stderr, "korva: %s: %s\n", qPrintable(job.strUpload), qPrintable(Plain(message)));
            return kExitFailed;
        }
    }
    CTransferRun run(job);
    return run.Run();
}
