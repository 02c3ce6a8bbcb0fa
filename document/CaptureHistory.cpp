#include "CaptureHistory.h"

#include "DataLines.h"
#include "DeviceProtocol.h"
#include "KorvaDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr const char* kTimeFormat = "yyyy-MM-dd_HH-mm-ss";
// More captures in one second than this is no download of a device.
constexpr int kMostInOneSecond = 1000;

const QRegularExpression& CaptureName()
{
    static const QRegularExpression name(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})_([A-Z]{2})(?:-([1-9]\\d{0,3}))?\\.txt$"));
    return name;
}

QString NameOf(const QDateTime& when, const char* kind, int sequence)
{
    QString name = when.toString(QLatin1String(kTimeFormat)) + QLatin1Char('_') + QLatin1String(kind);
    if (sequence > 1)
        name += QStringLiteral("-%1").arg(sequence);
    return name + QStringLiteral(".txt");
}

int CountLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    CLineCounter counter;
    char chunk[64 * 1024];
    for (qint64 got; (got = file.read(chunk, sizeof chunk)) > 0;)
        counter.Add(chunk, got);
    return counter.Lines();
}

}  // namespace

QString CCaptureHistory::DefaultFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is not a valid base folder: fall back to the default one.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/korva/captures");
}

CCaptureHistory::CCaptureHistory(QString folder) : m_strFolder(std::move(folder)) {}

QString CCaptureHistory::Keep(CKorvaDoc& doc, const char* kind, QString* error, const QDateTime& when) const
{
    if (!QDir().mkpath(m_strFolder)) {
        *error = QStringLiteral("the folder %1 cannot be made").arg(m_strFolder);
        return QString();
    }
    const QDir folder(m_strFolder);
    for (int sequence = 1; sequence <= kMostInOneSecond; ++sequence) {
        const QString path = folder.filePath(NameOf(when, kind, sequence));
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            continue;
        if (!doc.WriteFile(path, error))
            return QString();
        KeepNewest(path);
        return path;
    }
    *error = QStringLiteral("too many captures in one second");
    return QString();
}

bool CCaptureHistory::Read(const QString& path, bool countLines, CCapture* capture) const
{
    const QFileInfo file(path);
    if (!file.isFile() || file.isSymLink() || file.absoluteDir() != QDir(m_strFolder))
        return false;
    const QRegularExpressionMatch match = CaptureName().match(file.fileName());
    if (!match.hasMatch() || !DownloadKindForDeviceCommand(match.captured(2).toStdString()))
        return false;
    const QDateTime when = QDateTime::fromString(match.captured(1), QLatin1String(kTimeFormat));
    if (!when.isValid())
        return false;
    *capture = {file.absoluteFilePath(), when, match.captured(2),
                match.captured(3).isEmpty() ? 1 : match.captured(3).toInt(), countLines ? CountLines(path) : 0,
                file.size()};
    return true;
}

std::vector<CCapture> CCaptureHistory::List() const
{
    return Scan(true);
}

std::vector<CCapture> CCaptureHistory::Scan(bool countLines) const
{
    std::vector<CCapture> captures;
    const QFileInfoList files = QDir(m_strFolder).entryInfoList(QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        CCapture capture;
        if (Read(file.absoluteFilePath(), countLines, &capture))
            captures.push_back(capture);
    }
    std::sort(captures.begin(), captures.end(), [](const CCapture& a, const CCapture& b) {
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
    return captures;
}

bool CCaptureHistory::Describe(const QString& path, CCapture* capture) const
{
    return Read(path, false, capture);
}

bool CCaptureHistory::NewestWhole(const char* kind, const QDateTime& now, CCapture* capture) const
{
    for (CCapture& candidate : Scan(false)) {
        if (candidate.kind != QLatin1String(kind) || candidate.when > now)
            continue;
        QFile file(candidate.path);
        if (file.open(QIODevice::ReadOnly) && CKorvaDoc::IsWholeDataFile(file.read(CKorvaDoc::kLoadLimit * 2))) {
            *capture = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool CCaptureHistory::Remove(const QString& path) const
{
    CCapture capture;
    return Read(path, false, &capture) && QFile::remove(capture.path);
}

// What goes is what was written longest ago, whatever the names say: a clock that was ahead,
// or captures copied from another machine, give names later than the capture just written,
// which is never the one removed.
void CCaptureHistory::KeepNewest(const QString& justWritten) const
{
    struct Written {
        QDateTime when;
        CCapture capture;
    };
    std::vector<Written> captures;
    for (CCapture& capture : Scan(false)) {
        if (capture.path != justWritten)
            captures.push_back({QFileInfo(capture.path).lastModified(), std::move(capture)});
    }
    if (captures.size() < static_cast<size_t>(kKept))
        return;
    // Files written within the same clock tick go in the order of their names.
    std::sort(captures.begin(), captures.end(), [](const Written& a, const Written& b) {
        if (a.when != b.when)
            return a.when < b.when;
        return a.capture.when != b.capture.when ? a.capture.when < b.capture.when
                                                : a.capture.sequence < b.capture.sequence;
    });
    for (size_t i = 0; i + kKept <= captures.size(); ++i)
        QFile::remove(captures[i].capture.path);
}
