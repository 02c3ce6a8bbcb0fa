#include "CommandLine.h"

#include "Archive.h"
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
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kPollMs = 20;
constexpr qint64 kProgressEveryMs = 250;

// --output names this for the data on standard output.
constexpr const char* kStandardOutput = "-";

// Why the port failed, in the words the port library has for it: the cause where it tells one,
// else the window's box's text; a code that has neither is named by number.
QString PortErrorText(const CTransferEnd& end)
{
    if (const char* cause = LinkFailureText(end.nCause))
        return QString::fromLatin1(cause);
    const char* text = end.nOutcome == kOutcomeSendError ? WriteErrorText(end.nCode) : ReceiveErrorText(end.nCode);
    return text ? QString::fromLatin1(text) : QStringLiteral("port library error %1").arg(end.nCode);
}

// What a refused access says about a file or folder, in the program's words (the system's
// own text would come in the user's locale).
QString RefusalText(int error)
{
    switch (error) {
    case EROFS: return QStringLiteral("read-only");
    case EACCES:
    case EPERM: return QStringLiteral("write-protected");
    default: return QStringLiteral("not writable");
    }
}

// Whether the safe write can put the data at path: it writes a new file beside the old one and
// renames it over, so the folder must take a new file, and a file that is there must be a
// regular file that may be replaced. A link is written through, so it must lead somewhere.
bool CanWriteOutput(const QString& path, QString* reason)
{
    if (path == QLatin1String(kStandardOutput))
        return true;
    const QFileInfo given(path);
    if (given.isSymLink() && !given.exists()) {
        *reason = QStringLiteral("the file %1 is a link to %2, which does not exist").arg(path, given.symLinkTarget());
        return false;
    }
    const QFileInfo target(given.exists() ? given.canonicalFilePath() : given.absoluteFilePath());
    if (target.exists() && !target.isFile()) {
        *reason = QStringLiteral("the file %1 cannot be replaced: it is no regular file").arg(path);
        return false;
    }
    if (target.exists() && ::access(QFile::encodeName(target.filePath()).constData(), W_OK) != 0) {
        *reason = QStringLiteral("the file %1 cannot be replaced: it is %2").arg(path, RefusalText(errno));
        return false;
    }
    if (::access(QFile::encodeName(target.absolutePath()).constData(), W_OK | X_OK) != 0) {
        *reason = QStringLiteral("the file %1 cannot be written: the folder %2 is %3")
                      .arg(path, target.absolutePath(), RefusalText(errno));
        return false;
    }
    return true;
}

// The data file's checks, without touching anything of the run: a file that does not open as
// a data file is refused before the device is looked for, with the reason.
bool CanUploadFile(const QString& path, QString* reason)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("the file %1 cannot be opened").arg(path);
        return false;
    }
    // An empty file opens without changing working storage, which would then hold nothing to
    // put into the device.
    if (file.size() == 0) {
        *reason = QStringLiteral("the file %1 holds no data").arg(path);
        return false;
    }
    CKorvaDoc doc;
    framework::CSingleDocTemplate docTemplate(QString::fromLatin1(kDocTypeString), doc);
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest&) { return static_cast<int>(framework::IDOK); });
    const bool opened = docTemplate.OpenDocumentFile(path);
    framework::SetMessageBoxHandler({});
    if (!opened) {
        *reason = QStringLiteral("the file %1 is no data file (no end line within %2 characters)")
                      .arg(path)
                      .arg(CKorvaDoc::kLoadLimit);
    }
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
    void OnSearchEnd(const CTransferEnd& end);
    void OnStop();
    void StartTransfer();
    void EndDownload(const CTransferEnd& end);
    void EndIncompleteDownload(const CTransferEnd& end, const QString& what);
    QString PlaceIncompleteLines(const CTransferEnd& end);
    bool WriteOutput(QString* error);
    bool WriteToStandardOutput(QString* error);
    void EndUpload(const CTransferEnd& end);
    void Note(const QString& line);
    void Finish(int status, const QString& line = QString());
    void ShowProgress(bool last);
    QString PortText() const;
    QString NoDeviceLine() const { return QStringLiteral("no device found on %1").arg(PortText()); }
    int32_t LinesOfData() const;
    bool IsDownload() const { return m_job.pDownload != nullptr; }
    bool OutputIsStandardOutput() const { return m_job.strOutput == QLatin1String(kStandardOutput); }

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
    bool m_bToldBusyLine = false;
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
    if (m_phase == Phase::search)
        return OnSearchEnd(end);
    switch (end.nOutcome) {
    case kOutcomeCaptured:
    case kOutcomeIncomplete:
    case kOutcomeTimedOut:
    case kOutcomeReceiveError: return EndDownload(end);
    case kOutcomeNoDevice: return Finish(kExitFailed, NoDeviceLine());
    case kOutcomeStored:
    case kOutcomeSendError: return EndUpload(end);
    case kOutcomeOverflow:
        return Finish(kExitFailed, QStringLiteral("the data did not fit into working storage (%1 characters)")
                                       .arg(CKorvaDoc::kDataCapacity));
    default: return;
    }
}

// A whole search cycle without the device's answer: it is not there, or not on this port. A
// port that cannot be opened says why in the status bar. A device still sending the rest of
// another program's transfer is waited for, as the search does.
void CTransferRun::OnSearchEnd(const CTransferEnd& end)
{
    if (end.nOutcome == kOutcomeLineBusy && !m_bToldBusyLine) {
        m_bToldBusyLine = true;
        QString text = QString::fromLatin1(kMsgDraining);
        text[0] = text[0].toLower();
        Note(text);
    }
    if (end.nOutcome == kOutcomeNoAnswer || end.nOutcome == kOutcomeNoDevice) {
        const QString why = m_view.StatusMessage();
        Finish(kExitFailed, why.isEmpty() ? NoDeviceLine() : QStringLiteral("port error: %1").arg(why));
    }
}

// Complete data go to the output; a copy is in the capture history, and a history that could
// not take it is told without changing the outcome.
void CTransferRun::EndDownload(const CTransferEnd& end)
{
    if (end.pDownload && end.strCapture.isEmpty() && !end.strCaptureError.isEmpty())
        Note(QStringLiteral("the download could not be kept in the capture history: %1").arg(end.strCaptureError));
    const QString lines = QString::number(LinesOfData());
    switch (end.nOutcome) {
    case kOutcomeCaptured: break;
    case kOutcomeIncomplete:
        return EndIncompleteDownload(end, QStringLiteral("the transfer ended without its end line after %1 lines").arg(lines));
    case kOutcomeTimedOut: return EndIncompleteDownload(end, QStringLiteral("time-out after %1 lines").arg(lines));
    default:
        if (!end.pDownload)
            return Finish(kExitFailed, QStringLiteral("port error on %1: %2").arg(PortText(), PortErrorText(end)));
        return EndIncompleteDownload(
            end, QStringLiteral("port error on %1 after %2 lines: %3").arg(PortText(), lines, PortErrorText(end)));
    }
    QString error;
    if (WriteOutput(&error))
        return Finish(kExitOk);
    QString line = QStringLiteral("the data could not be written to %1: %2").arg(m_job.strOutput, error);
    if (!end.strCapture.isEmpty())
        line += QStringLiteral("; they are kept in %1").arg(end.strCapture);
    Finish(kExitFailed, line);
}

void CTransferRun::EndIncompleteDownload(const CTransferEnd& end, const QString& what)
{
    Finish(kExitFailed, QStringLiteral("%1; %2").arg(what, PlaceIncompleteLines(end)));
}

// Lines of a download that is not complete never replace a file: a backup that is there stays
// the last good one. They are always in the capture history; a file that is not there yet gets
// them too, as it was asked for. Where they are, in words.
QString CTransferRun::PlaceIncompleteLines(const CTransferEnd& end)
{
    const QString kept = end.strCapture.isEmpty() ? QString() : QStringLiteral("kept in %1").arg(end.strCapture);
    const QFileInfo output(m_job.strOutput);
    if (OutputIsStandardOutput() || output.exists() || output.isSymLink()) {
        const QString left = OutputIsStandardOutput() ? QStringLiteral("nothing is written to standard output")
                                                      : QStringLiteral("%1 is left as it was").arg(m_job.strOutput);
        return kept.isEmpty() ? left : QStringLiteral("%1; the lines received are %2").arg(left, kept);
    }
    QString error;
    if (!WriteOutput(&error)) {
        const QString lost = QStringLiteral("the lines received could not be written to %1 (%2)").arg(m_job.strOutput, error);
        return kept.isEmpty() ? lost : QStringLiteral("%1; they are %2").arg(lost, kept);
    }
    const QString written = QStringLiteral("the lines received are written to %1").arg(m_job.strOutput);
    return kept.isEmpty() ? written : QStringLiteral("%1 and %2").arg(written, kept);
}

bool CTransferRun::WriteOutput(QString* error)
{
    if (OutputIsStandardOutput())
        return WriteToStandardOutput(error);
    return m_doc.WriteFile(m_job.strOutput, error);
}

// The bytes a save writes, through the document's serialisation.
bool CTransferRun::WriteToStandardOutput(QString* error)
{
    QFile out;
    bool written = out.open(stdout, QIODevice::WriteOnly);
    if (written) {
        framework::CArchive ar(out, framework::CArchive::store);
        m_doc.Serialize(ar);
        written = ar.Flush();
    }
    written = written && out.flush() && out.error() == QFileDevice::NoError;
    if (!written)
        *error = out.errorString();
    return written;
}

// A line that did not go out leaves the device with part of the data: the user must know to
// put them in again.
void CTransferRun::EndUpload(const CTransferEnd& end)
{
    if (end.nOutcome == kOutcomeStored)
        return Finish(kExitOk);
    Finish(kExitFailed, QStringLiteral("port error on %1: %2; the device may now hold incomplete data: repeat the upload")
                            .arg(PortText(), PortErrorText(end)));
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

// A line on stderr that does not end the run, below the progress if that is shown.
void CTransferRun::Note(const QString& line)
{
    if (m_bProgressShown)
        std::fputc('\n', stderr);
    m_bProgressShown = false;
    std::fprintf(stderr, "korva: %s\n", qPrintable(line));
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
    return QStringLiteral("Usage: korva --download %1 --output FILE|- [--port COMn] [--simulate]\n"
                          "       korva --upload FILE [--port COMn] [--simulate]\n")
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
    QString reason;
    if (!(job.strUpload.isEmpty() ? CanWriteOutput(job.strOutput, &reason) : CanUploadFile(job.strUpload, &reason))) {
        std::fprintf(stderr, "korva: %s\n", qPrintable(reason));
        return kExitFailed;
    }
    CTransferRun run(job);
    return run.Run();
}
