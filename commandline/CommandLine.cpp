#include "CommandLine.h"

#include "Archive.h"
#include "AutomaticBackup.h"
#include "CmdTarget.h"
#include "DataComparison.h"
#include "DataLines.h"
#include "DeviceProtocol.h"
#include "DocTemplate.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "LinkErrors.h"
#include "MessageBox.h"
#include "PortDevices.h"
#include "PortNames.h"
#include "ReadBack.h"
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
#include <memory>
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
// a data file is refused before the device is looked for, with the reason. Its data as a data
// file of them holds them (up to its end line), and the kind a comparison reads, into what is
// given.
bool OpensAsDataFile(const QString& path, QString* reason, QByteArray* bytes = nullptr,
                     const DownloadKind** kind = nullptr)
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
    if (opened && bytes)
        *bytes = doc.FileBytes();
    if (opened && kind)
        *kind = &KindOfWorkingStorage(doc);
    return opened;
}

QString Quoted(const QStringList& lines, int index)
{
    return QStringLiteral("\"%1\"").arg(lines.at(index));
}

// "3 lines differ between FILE and the device; the first: line 12 of FILE "...", the device's
// line 12 "..."".
QString DifferenceLine(const CDataComparison& c, const QString& file)
{
    const CDiffRow& row = c.rows[static_cast<size_t>(c.nFirstDifference)];
    QString first;
    if (row.nLeft >= 0 && row.nRight >= 0)
        first = QStringLiteral("line %1 of %2 %3, the device's line %4 %5")
                    .arg(row.nLeft + 1)
                    .arg(file, Quoted(c.left, row.nLeft))
                    .arg(row.nRight + 1)
                    .arg(Quoted(c.right, row.nRight));
    else if (row.nLeft >= 0)
        first = QStringLiteral("line %1 of %2 %3 is not on the device").arg(row.nLeft + 1).arg(file, Quoted(c.left, row.nLeft));
    else
        first = QStringLiteral("the device's line %1 %2 is not in %3").arg(row.nRight + 1).arg(Quoted(c.right, row.nRight), file);
    const QString count = c.nDiffering == 1 ? QStringLiteral("1 line differs") : QStringLiteral("%1 lines differ").arg(c.nDiffering);
    return QStringLiteral("%1 between %2 and the device; the first: %3").arg(count, file, first);
}

// One transfer from the command line: the controller runs as in the window, unseen; this
// watches it and answers its messages.
class CTransferRun {
public:
    explicit CTransferRun(const CTransferJob& job);
    ~CTransferRun();
    int Run();

private:
    enum class Phase { search, backup, load, transfer, verify };

    void OnPoll();
    void OnTransferEnd(const CTransferEnd& end);
    void OnSearchEnd(const CTransferEnd& end);
    void OnStop();
    void StartTransfer();
    void StartBackup();
    void OnBackedUp(const CReadBack& read);
    void LoadUpload();
    void StartVerify();
    void OnVerified(const CReadBack& read);
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
    bool Verifies() const { return !m_job.strVerify.isEmpty(); }

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
    // The comparison's data file, and the read of the device it is compared with; the read
    // goes before the document and controller whose link it borrows.
    QByteArray m_reference;
    const DownloadKind* m_pVerifyKind = nullptr;
    std::unique_ptr<CReadBack> m_pReadBack;
    // The automatic backup before an upload: all data into the capture history.
    const bool m_bBackup;
    std::unique_ptr<CReadBack> m_pBackup;
};

CTransferRun::CTransferRun(const CTransferJob& job)
    : m_job(job), m_template(QString::fromLatin1(kDocTypeString), m_doc), m_bTerminal(::isatty(STDERR_FILENO) == 1),
      m_bBackup(!job.strUpload.isEmpty() && !job.bNoBackup && AutomaticBackupsOn())
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
    case Phase::backup:
        if (!m_pBackup && m_view.IsIdle())
            return StartBackup();
        return ShowProgress(false);
    case Phase::load:
        if (state == kStateIdle && m_view.m_bEnableUpload == 1 && framework::ExecuteCommand(m_view, ID_PUT_DATA)) {
            m_phase = Phase::transfer;
            m_clock.start();
        }
        return;
    case Phase::transfer:
        return ShowProgress(false);
    case Phase::verify:
        if (!m_pReadBack && m_view.IsIdle())
            return StartVerify();
        return ShowProgress(false);
    }
}

void CTransferRun::StartTransfer()
{
    if (m_job.strUpload.isEmpty() && !IsDownload()) {
        m_phase = Phase::verify;
        return;
    }
    if (IsDownload()) {
        framework::ExecuteCommand(m_view, m_job.pDownload->commandId);
        m_phase = Phase::transfer;
        m_clock.start();
        return;
    }
    if (m_bBackup) {
        m_phase = Phase::backup;
        return;
    }
    LoadUpload();
}

void CTransferRun::StartBackup()
{
    m_pBackup = std::make_unique<CReadBack>(m_doc, m_view, *DownloadKindForCommand(ID_ALL_DATA));
    m_pBackup->m_fnOnDone = [this](const CReadBack& read) { OnBackedUp(read); };
    m_clock.start();
    // A read that cannot start is a backup that failed (its failure says why).
    if (!m_pBackup->Start())
        OnBackedUp(*m_pBackup);
}

void CTransferRun::OnBackedUp(const CReadBack& read)
{
    if (m_bFinished)
        return;
    if (read.GetResult() != CReadBack::kComplete)
        return Finish(kExitFailed,
                      QStringLiteral("the backup of the device failed: %1; nothing was uploaded").arg(read.Failure()));
    Note(QStringLiteral("the device's data are backed up in %1").arg(read.CapturePath()));
    LoadUpload();
}

void CTransferRun::LoadUpload()
{
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
    case kOutcomeDamaged:
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
    case kOutcomeDamaged:
        return EndIncompleteDownload(
            end, QStringLiteral("damaged data (%1) after %2 lines").arg(DescribeDamage(end.damage), lines));
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
// put them in again. An upload to compare goes on with the comparison.
void CTransferRun::EndUpload(const CTransferEnd& end)
{
    if (end.nOutcome == kOutcomeStored && Verifies()) {
        // The progress of the upload is done; the comparison's follows.
        if (m_bProgressShown) {
            ShowProgress(true);
            std::fputc('\n', stderr);
            m_bProgressShown = false;
        }
        m_phase = Phase::verify;
        return;
    }
    // The data went out, but what came back on the line was damaged: an XOFF among it may
    // have been lost, so only a comparison tells whether the device holds the data.
    if (end.nOutcome == kOutcomeStored && end.damage.AnyLineErrors())
        return Finish(kExitFailed, QStringLiteral("the data went out, but %1 during the upload; compare the device's "
                                                  "data with the file: korva --verify %2")
                                       .arg(DescribeDamage(end.damage), m_job.strUpload));
    if (end.nOutcome == kOutcomeStored)
        return Finish(kExitOk);
    Finish(kExitFailed, QStringLiteral("port error on %1: %2; the device may now hold incomplete data: repeat the upload")
                            .arg(PortText(), PortErrorText(end)));
}

// The device is read with the kind of the data file (a capture's, else all data), through the
// link the search (and the upload) used.
void CTransferRun::StartVerify()
{
    QString reason;
    if (!OpensAsDataFile(m_job.strVerify, &reason, &m_reference, &m_pVerifyKind))
        return Finish(kExitFailed, reason);
    m_pReadBack = std::make_unique<CReadBack>(m_doc, m_view, *m_pVerifyKind);
    m_pReadBack->m_fnOnDone = [this](const CReadBack& read) { OnVerified(read); };
    if (!m_pReadBack->Start())
        return Finish(kExitFailed, QStringLiteral("the device could not be read on %1").arg(PortText()));
    m_clock.start();
    m_nLastProgressMs = -kProgressEveryMs;
}

void CTransferRun::OnVerified(const CReadBack& read)
{
    const CTransferEnd& end = read.End();
    switch (read.GetResult()) {
    case CReadBack::kComplete: break;
    case CReadBack::kNoDevice: return Finish(kExitFailed, NoDeviceLine());
    case CReadBack::kIncomplete:
    case CReadBack::kTimedOut:
    case CReadBack::kDamaged: return Finish(kExitFailed, read.Failure() + QStringLiteral("; nothing was compared"));
    default:
        return Finish(kExitFailed, end.nOutcome == kOutcomeNone
                                       ? QStringLiteral("the port changed while the device was read")
                                       : QStringLiteral("port error on %1: %2").arg(PortText(), PortErrorText(end)));
    }
    const CDataComparison comparison = CompareData(m_reference, read.Data(), true);
    if (comparison.nDiffering > 0)
        return Finish(kExitFailed, DifferenceLine(comparison, m_job.strVerify));
    Finish(kExitOk);
    std::printf("%s: identical to the device's %s (%lld lines)\n", qPrintable(m_job.strVerify), m_pVerifyKind->title,
                static_cast<long long>(comparison.left.size()));
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
    const bool reading = m_phase == Phase::verify || m_phase == Phase::backup;
    int32_t lines = !last ? m_view.m_nLines : IsDownload() ? LinesOfData() : m_doc.GetLineCount() - 1;
    int32_t full = std::max(IsDownload() ? m_job.pDownload->fullScale : m_doc.GetLineCount(), 1);
    if (reading) {
        const CReadBack* read = m_phase == Phase::backup ? m_pBackup.get() : m_pReadBack.get();
        lines = read ? read->LinesReceived() : 0;
        full = read ? read->Kind().fullScale : 1;
    }
    const int percent = last ? 100 : std::min(99, static_cast<int>(int64_t(lines) * 100 / full));
    std::fprintf(stderr, "\r%s %s: %d lines, %d%%",
                 m_phase == Phase::backup ? "backup of" : reading ? "comparison with" : IsDownload() ? "download from" : "upload to",
                 qPrintable(PortText()),
                 lines, percent);
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
    if (m_bProgressShown
        || (status == kExitOk && m_bTerminal && (m_phase == Phase::transfer || m_phase == Phase::verify))) {
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
    return QStringLiteral("Usage: korva --download %1 --output FILE|- [--port COMn] [--simulate] [--log LOG]\n"
                          "       korva --upload FILE [--verify] [--no-backup] [--port COMn] [--simulate] [--log LOG]\n"
                          "       korva --verify FILE [--port COMn] [--simulate] [--log LOG]\n"
                          "       korva --report [--port COMn] [--log LOG]\n")
        .arg(kinds.join(QLatin1Char('|')));
}

bool PortOption(const QString& port, int32_t* index, QString* error)
{
    *index = -1;
    if (port.isEmpty())
        return true;
    *index = PortIndexForName(port);
    if (*index >= 0)
        return true;
    *error = QStringLiteral("no such port: %1 (COM1 to COM16)").arg(port);
    return false;
}

bool MakeTransferJob(const CTransferOptions& options, CTransferJob* job, QString* error)
{
    const QString& download = options.strDownload;
    const QString& output = options.strOutput;
    const QString& upload = options.strUpload;
    // --verify FILE alone compares the device with a data file, which then is no file to open.
    const bool verifiesAlone = options.bVerify && download.isEmpty() && upload.isEmpty();
    if (!options.files.isEmpty() && !verifiesAlone) {
        *error = QStringLiteral("a data file to open goes without --download and --upload");
        return false;
    }
    if (!PortOption(options.strPort, &job->nPort, error))
        return false;
    if (options.bNoBackup && upload.isEmpty()) {
        *error = QStringLiteral("--no-backup goes with --upload FILE");
        return false;
    }
    if (verifiesAlone) {
        if (options.files.size() != 1 || !output.isEmpty()) {
            *error = !output.isEmpty() ? QStringLiteral("--output goes with --download")
                                       : QStringLiteral("--verify compares the device with one data file: --verify FILE, "
                                                        "or --upload FILE --verify");
            return false;
        }
        job->strVerify = options.files.front();
        return true;
    }
    if (!download.isEmpty() == !upload.isEmpty()) {
        *error = download.isEmpty() ? QStringLiteral("nothing to do: give --download or --upload")
                                    : QStringLiteral("--download and --upload go one at a time");
        return false;
    }
    if (!upload.isEmpty()) {
        if (!output.isEmpty()) {
            *error = QStringLiteral("--output goes with --download");
            return false;
        }
        job->strUpload = upload;
        if (options.bVerify)
            job->strVerify = upload;
        job->bNoBackup = options.bNoBackup;
        return true;
    }
    if (options.bVerify) {
        *error = QStringLiteral("--verify goes with --upload FILE, or with a data file of its own");
        return false;
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
    const bool fine = job.pDownload        ? CanWriteOutput(job.strOutput, &reason)
                      : job.strUpload.isEmpty() ? OpensAsDataFile(job.strVerify, &reason)
                                                : OpensAsDataFile(job.strUpload, &reason);
    if (!fine) {
        std::fprintf(stderr, "korva: %s\n", qPrintable(reason));
        return kExitFailed;
    }
    CTransferRun run(job);
    return run.Run();
}
